// Helpers shared by the tests: temporary folders, files, running the real
// program, running scripts in-process, and writing BMP files.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "converters/converters.h"
#include "listing/listing.h"

using Bytes = std::vector<uint8_t>;

// A folder under /tmp, removed with everything in it when destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& text);
void WriteFile(const std::string& path, const Bytes& bytes);
std::string ReadText(const std::string& path);
Bytes ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
// Everything written to an open temporary file, from its start.
std::string ReadAll(FILE* file);

// A listing writer over a temporary file, for calling writers and
// converters directly; Text() is everything written to it.
class TempListing {
 public:
  TempListing() : file_(tmpfile()), listing_(file_) {}
  ~TempListing() { fclose(file_); }
  TempListing(const TempListing&) = delete;
  TempListing& operator=(const TempListing&) = delete;
  operator cListing&() { return listing_; }
  cListing& get() { return listing_; }
  std::string Text() {
    listing_.Flush();
    return ReadAll(file_);
  }

 private:
  FILE* file_;
  cListing listing_;
};

Bytes Repeat(uint8_t value, size_t count);
Bytes Concat(std::initializer_list<Bytes> parts);

// The outcome of a run of the real program.
struct RunResult {
  std::string output;  // standard output (and standard error, unless kept apart)
  std::string errors;  // standard error, when kept apart
  int status = 0;      // exit status, 0..255
};

// Runs `program` in `dir` with the given arguments (shell-quoted);
// standard output and standard error together, or apart when
// `separateErrors` is set.
RunResult RunProgram(const std::string& dir, const std::string& program,
                     const std::vector<std::string>& args, bool separateErrors = false);
// The kestrip binary, its standard error kept apart (the diagnostics).
RunResult RunKestrip(const std::string& dir, const std::vector<std::string>& args);

// The usual run: script.kst -> out.bin, out.lst, all in `dir`.
struct ScriptRun {
  RunResult run;
  Bytes binary;
  std::string listing;
};
ScriptRun RunScriptFile(const TempDir& dir, const std::string& script);

// The banner every listing starts with, for a script path.
std::string Banner(const std::string& scriptPath);
// The closing block of a listing without a limit.
std::string Totals(int byteTotal);

// Runs a script in-process through a memory tokeniser, from the current
// folder. Captures standard output, the binary bytes and the listing text.
struct InProcessRun {
  bool result = false;
  std::string output;
  std::string errors;  // standard error: the diagnostics
  Bytes binary;
  std::string listing;
};
InProcessRun RunScriptText(const std::string& script);

// Calls one converter directly, as the interpreter would: `arguments` is the
// script text after the data type word (usually a quoted file name). The
// bytes are what the converter appended; the listing holds only the
// converter's own lines.
struct ConverterRun {
  bool result = false;
  std::string output;
  Bytes bytes;
  std::string listing;
};
ConverterRun RunConverter(Converter convert, const std::string& arguments, const char* tag = "t",
                          int address = 0);

// ---------------------------------------------------------------------------
// BMP writing: an 8-bit palettised image from a pixel table. The encoder
// itself (BmpImage, BmpOptions, EncodeBmp, WriteBmp) lives in
// tools/bmp/bmp_file.h, shared with the image generator and the fuzzers.

// Builds an image from rows of characters, each character mapped to a
// palette index by `legend` (character -> index).
BmpImage ImageFromRows(const std::vector<std::string>& rows,
                       const std::vector<std::pair<char, uint8_t>>& legend,
                       const std::vector<Rgb>& palette);

// The palette used by most tests: index i is grey (i, i, i) except where
// `overrides` says otherwise.
std::vector<Rgb> GreyPalette();
