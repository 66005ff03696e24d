// Writing 8-bit palettised BMP files: the one encoder the tests, the image
// generator and the fuzzing seeds share. It can also write files that are
// wrong on purpose (a short palette, fields overwritten, the file cut short)
// so that the loader's refusals can be exercised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t red, green, blue;
};

struct BmpImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;      // up to 256 entries; missing ones are black
  std::vector<uint8_t> indices;  // width * height, top row first
};

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

// The file's bytes. An image whose `indices` hold fewer than width * height
// entries has the missing pixels written as index 0.
std::vector<uint8_t> EncodeBmp(const BmpImage& image, const BmpOptions& options = {});

// Writes EncodeBmp's bytes to `path`; false when the file can't be written.
bool WriteBmp(const std::string& path, const BmpImage& image, const BmpOptions& options = {});
