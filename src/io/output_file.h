// An output file of a run. It is created when opened and filled through a
// stdio buffer of its own, 64 KB (so the binary and the listing go out in
// big writes, in memory that does not grow with the build); Close
// flushes and closes it and tells whether every byte reached the file. An
// atomic output is written to a temporary file beside its path and renamed
// into place by Commit, so a failed run leaves the previous file untouched;
// without it the file is written in place, over the previous output, and
// cut to the new length when closed, so a failed run keeps whatever was
// written and nothing of what was there before.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

#include "io/run_files.h"

class cOutputFile {
 public:
  // `kind` names the file in messages: "binary", "listing", ...
  cOutputFile(const char* kind, std::string path, bool atomic);
  ~cOutputFile();
  cOutputFile(const cOutputFile&) = delete;
  cOutputFile& operator=(const cOutputFile&) = delete;

  // Creates the file (or its temporary); prints "Couldn't open '%s'" and
  // returns false when it can't.
  bool Open();
  FILE* get() const { return file_; }
  const std::string& path() const { return path_; }
  const char* kind() const { return kind_; }
  // What is being written: the file itself or its temporary.
  const FileIdentity& identity() const { return identity_; }

  // Flushes and closes; false with "Error closing <kind> file" when a byte
  // did not reach the file.
  bool Close();
  // Puts an atomic output in place (a plain one is in place already); false
  // with the same message when the rename fails.
  bool Commit();
  // Flushes and closes without a message: after a fault that has been
  // reported, what was written stays and a later failure adds nothing.
  bool CloseQuietly();

 private:
  void PrintCloseError(int error) const;
  // Cuts a file written over in place to the bytes this run wrote.
  bool CutStaleTail();

  const char* kind_;
  std::string path_;
  bool atomic_;
  std::string temporaryPath_;  // while an atomic output is being written
  FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;  // the stream's buffer, freed after it is closed
  FileIdentity identity_;
  int closeError_ = 0;
  off_t staleLength_ = 0;  // a file written over: its length when opened
};
