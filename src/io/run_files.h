// The files of one run: its outputs, which no input may be (reading one
// would read a half-written file, or feed a build its own output), and the
// inputs it read, for the dependency file and the manifest. ReadInputFile
// checks and records through the run installed with cRunFiles::Scope.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <vector>

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
};

// The identity of the file at `path`; false when there is none.
bool IdentityOf(const std::string& path, FileIdentity& identity);

class cRunFiles {
 public:
  // `keepInputs`: whether Inputs() is wanted (the dependency file). The
  // list grows with every file read, so a run that has no use for it does
  // not keep it.
  explicit cRunFiles(bool keepInputs = true) : keepInputs_(keepInputs) {}

  void AddOutput(const std::string& path, const FileIdentity& identity);
  // The path of the output with this identity, or null.
  const std::string* OutputAt(const FileIdentity& identity) const;

  void RecordInput(const std::string& path);
  // Every input read, each once, in the order first read (none unless kept).
  const std::vector<std::string>& Inputs() const { return inputs_; }
  // The inputs read since the last call (an item's own files).
  std::vector<std::string> TakeItemInputs();

  // Makes `run` the current run for the scope's life.
  class Scope {
   public:
    explicit Scope(cRunFiles& run);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    cRunFiles* previous_;
  };
  // The current run, or null outside one (tests, tools).
  static cRunFiles* Current();

 private:
  bool keepInputs_;
  std::vector<std::pair<FileIdentity, std::string>> outputs_;
  std::vector<std::string> inputs_;
  std::set<std::string> seen_;
  std::vector<std::string> itemInputs_;
};
