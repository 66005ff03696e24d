// Helpers shared by the tests: temporary folders, files, running the real
// program, running scripts in-process, and writing BMP files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "converters/converters.h"

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

Bytes Repeat(uint8_t value, size_t count);
Bytes Concat(std::initializer_list<Bytes> parts);

// The outcome of a run of the real program.
struct RunResult {
  std::string output;  // standard output
  int status = 0;      // exit status, 0..255
};

// Runs the kestrip binary in `dir` with the given arguments (shell-quoted).
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
// BMP writing: an 8-bit palettised image, from a pixel table, with switches
// to corrupt or vary the file.

struct Rgb {
  uint8_t red, green, blue;
};

struct BmpImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;      // up to 256 entries; missing ones are black
  std::vector<uint8_t> indices;  // width * height, top row first
};

// Builds an image from rows of characters, each character mapped to a
// palette index by `legend` (character -> index).
BmpImage ImageFromRows(const std::vector<std::string>& rows,
                       const std::vector<std::pair<char, uint8_t>>& legend,
                       const std::vector<Rgb>& palette);

// The palette used by most tests: index i is grey (i, i, i) except where
// `overrides` says otherwise.
std::vector<Rgb> GreyPalette();

struct BmpOptions {
  uint32_t infoHeaderSize = 40;  // 40, 108 or 124: the extra bytes are written as zeros
  bool topDown = false;          // negative height, top row first
  size_t trailingBytes = 0;      // bytes after the pixel data
  int paletteEntries = 256;      // entries written; fewer shortens the palette
  // Field overrides, applied after the file is built (offset -> value).
  std::vector<std::pair<size_t, uint32_t>> fields32;
  std::vector<std::pair<size_t, uint16_t>> fields16;
  size_t truncateAt = SIZE_MAX;  // cut the file to this many bytes
};

// BMP field offsets, for BmpOptions overrides.
enum BmpField : size_t {
  kBmpSignature = 0,
  kBmpFileSize = 2,
  kBmpPixelOffset = 10,
  kBmpInfoSize = 14,
  kBmpWidth = 18,
  kBmpHeight = 22,
  kBmpPlanes = 26,
  kBmpBitsPerPixel = 28,
  kBmpCompression = 30,
  kBmpImageSize = 34,
  kBmpColoursUsed = 46,
};

Bytes EncodeBmp(const BmpImage& image, const BmpOptions& options = {});
void WriteBmp(const std::string& path, const BmpImage& image, const BmpOptions& options = {});
