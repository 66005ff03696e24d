// What the fuzzers share: a temporary folder to run in, output files that
// are emptied before every run, and a script run from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "collections.h"

namespace fuzz {

// The most bytes the fuzzers give the LZ encoder at once: its optimal parse
// weighs every distance to 768 at each byte, some 30 us a byte under
// coverage tracing, so longer items would hold a target to a few runs a
// second (the tests take the encoder to the largest item).
constexpr size_t kLzFuzzBytes = 1024;

// Sends standard output to /dev/null: the tool prints progress for every
// item, and libFuzzer reports on standard error.
void SilenceStandardOutput();

// Makes a fresh folder under /tmp, writes `files` there and makes it the
// current folder for the rest of the process; it is removed at exit. A
// failure here is a fault of the set-up, not a finding: it aborts.
void EnterTemporaryFolder(const std::vector<imagegen::GeneratedFile>& files);

// Writes `bytes` to `path`, replacing it; aborts on failure.
void WriteWholeFile(const std::string& path, const uint8_t* bytes, size_t size);

// A file in the current folder that is emptied before every use and can be
// read back afterwards.
class ScratchFile {
 public:
  explicit ScratchFile(const char* name, const char* mode);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Empties the file and returns its handle, positioned at the start.
  FILE* Reset();
  // Everything written since the last Reset.
  std::vector<uint8_t> Contents();

 private:
  std::string name_;
  std::string mode_;
  FILE* file_ = nullptr;
};

// Runs `script` through a memory tokeniser and process_script, with the
// two scratch files as the binary and listing files. Returns its result.
bool RunScript(const char* script, size_t size, ScratchFile& binary, ScratchFile& listing);

// Reports a broken invariant on standard error and aborts, so that
// libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
