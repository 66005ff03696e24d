// What the picture decoders produce (one decoder per file format, each
// decoding a whole file from memory), and the limits and messages they
// share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "writers/bin_writer.h"

// The most pixels a picture may have. An item holds at most
// cBinWriter::kCapacity bytes, and the data type that needs the fewest bytes
// per pixel is the tile picture of one repeated tile: one map byte per 8 x 8
// cell. A larger picture fits no item, so it is refused before its pixels
// are allocated (a header may claim 46340 x 46340 pixels in a few bytes).
constexpr int64_t kMaxPicturePixels = 64 * int64_t{cBinWriter::kCapacity};  // 3276800

// The largest picture file read. The biggest usable picture stored
// uncompressed at 32 bits per pixel is 4 * kMaxPicturePixels (12.5 MiB); a
// PNG of it stored with 16-bit RGBA channels and no compression is twice
// that. Anything longer holds no picture a converter could use.
constexpr size_t kMaxPictureFileBytes = 32 * 1024 * 1024;

// One palette entry, in the order the BMP format stores it.
struct PaletteEntry {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t alpha = 255;  // 0 transparent .. 255 opaque
};

// A palette entry as one word, its four bytes in memory order, so that a
// palette is worked a word (and, by the compiler, several) at a time.
inline uint32_t EntryWord(const PaletteEntry& entry) {
  uint32_t word;
  memcpy(&word, static_cast<const void*>(&entry), sizeof word);
  return word;
}
inline PaletteEntry WordEntry(uint32_t word) {
  PaletteEntry entry;
  memcpy(static_cast<void*>(&entry), &word, sizeof word);
  return entry;
}

// Every entry opaque black, as the entries a file doesn't give are: a
// palette starts as this. Made once and copied whole (entry by entry, byte
// by byte, is what compilers make of the entries' own initial values).
inline const std::array<PaletteEntry, 256>& OpaqueBlackPalette() {
  static const std::array<PaletteEntry, 256> palette = [] {
    std::array<uint32_t, 256> words;
    words.fill(EntryWord(PaletteEntry{}));
    std::array<PaletteEntry, 256> entries;
    memcpy(static_cast<void*>(entries.data()), words.data(), sizeof entries);
    return entries;
  }();
  return palette;
}

struct DecodedPicture {
  int width = 0;
  int height = 0;
  // True colour: four bytes per pixel (blue, green, red, alpha) and no
  // palette. Otherwise one palette index per pixel.
  bool trueColour = false;
  std::array<PaletteEntry, 256> palette = OpaqueBlackPalette();
  // Some entry may be other than opaque (a PNG's transparency chunk gives
  // alphas); a BMP's entries are opaque.
  bool paletteHasAlpha = false;
  // The pixel store, and where its rows lie in it: row y (0 the top) begins
  // at byte firstRow + y * rowStep. A store the decoder fills itself
  // (AllocatePixels) holds the rows top first without padding: pixel (x, y)
  // at y * width + x, times 4 for true colour. An 8-bit uncompressed BMP is
  // its own store: the rows stay where the file holds them, padded and
  // usually bottom row first (a negative step), and are not copied.
  std::unique_ptr<uint8_t[]> pixels;
  int64_t firstRow = 0;
  int64_t rowStep = 0;

  const uint8_t* Row(int y) const { return pixels.get() + firstRow + y * rowStep; }
};

constexpr int kTrueColourBytes = 4;

// " Bitmap image is WxH", the line every decoder prints once it knows the size.
void PrintPictureSize(int64_t width, int64_t height);

// False, with the message that names the limit, for a picture of more than
// kMaxPicturePixels (width and height at least 0).
bool CheckPicturePixels(int64_t width, int64_t height);

// Allocates the pixel store of `picture` for its width, height and kind,
// zero-filled, its rows top first without padding; false with the loader's
// allocation message when it can't.
bool AllocatePixels(DecodedPicture& picture);

// Reading little-endian fields; the caller checks that they lie in the file.
inline uint16_t Read16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}
inline uint32_t Read32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
