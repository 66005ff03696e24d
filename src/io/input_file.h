// Input files are read whole, once: open, fstat, one read into a buffer of
// the file's own size, close. Every reader of the core (raw items, pictures,
// animation frames) goes through ReadInputFile, so that a read error is
// never taken for the end of a file and no input is read without a bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

enum class InputStatus {
  kRead,        // `bytes` holds the whole file (or its first `limit` bytes, see below)
  kMissing,     // no file of that name
  kCannotOpen,  // it exists but cannot be opened (permissions), or is a directory
  kReadError,   // opened, but a read failed part-way
  kTooLarge,    // it holds more than `limit` bytes; `bytes` holds the first `limit`
  kIsAnOutput,  // it is one of the current run's outputs (a message was printed)
};

struct FileIdentity;

// A file's bytes in a buffer of their own: allocated for the file's length
// and filled by the read, never cleared first.
struct InputBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

// Reads the file at `path` into `bytes`, at most `limit` bytes of it. A
// file longer than that gives kTooLarge with its first `limit` bytes, so a
// caller can decide whether the excess is an error or only needs noticing.
// Within a run (cRunFiles::Scope), a file that is one of the run's outputs
// is refused with a message, and every file read is recorded as an input.
// `identity`, when given, receives the file's identity.
InputStatus ReadInputFile(const char* path, size_t limit, InputBytes& bytes,
                          FileIdentity* identity = nullptr);
// The same into a vector.
InputStatus ReadInputFile(const char* path, size_t limit, std::vector<uint8_t>& bytes,
                          FileIdentity* identity = nullptr);
