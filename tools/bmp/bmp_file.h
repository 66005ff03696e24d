// Writing BMP files: the one encoder the tests, the image generator and the
// fuzzing seeds share. Besides the 8-bit palettised form it writes the other
// common ones (1 and 4 bits, run-length compressed, true colour with or
// without bit fields, the older and newer headers), and files that are wrong
// on purpose (a short palette, fields overwritten, the file cut short) so
// that the loader's refusals can be exercised.
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
  // Alpha of each palette entry (missing ones opaque); only the 32-bit
  // forms store it.
  std::vector<uint8_t> paletteAlpha;
};

struct BmpOptions {
  // 1, 4, 8: palettised, the indices as they are (1 and 4 bits keep only
  // their low bits); 16, 24, 32: true colour, each pixel its palette colour.
  int bitsPerPixel = 8;
  bool runLength = false;        // RLE8 (8 bits) or RLE4 (4 bits)
  bool runLengthDeltas = false;  // stretches and rows of index 0 skipped with delta escapes
  // 16 and 32 bits: compression 3 with these masks (0 for the usual 5-6-5,
  // or 8-8-8 with alpha 0xFF000000 where the header holds an alpha mask).
  bool bitFields = false;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
  uint32_t infoHeaderSize = 40;  // 12, 40, 52, 56, 108 or 124
  bool topDown = false;          // negative height, top row first
  size_t trailingBytes = 0;      // bytes after the pixel data
  int paletteEntries = 256;      // entries written (at most 2^bits); fewer shortens the palette
  // Field overrides, applied after the file is built (offset -> value).
  std::vector<std::pair<size_t, uint32_t>> fields32;
  std::vector<std::pair<size_t, uint16_t>> fields16;
  size_t truncateAt = SIZE_MAX;  // cut the file to this many bytes
};

// BMP field offsets of the 40-byte header and its longer kinds, for
// BmpOptions overrides.
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
