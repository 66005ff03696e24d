// Pixel rules shared by the image converters.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "bitmap/bitmap.h"

// Eight-pixel byte: the byte is shifted left before each pixel's bit goes
// into bit 0, from the leftmost pixel to the rightmost, so the leftmost of
// eight pixels ends in bit 7:
//
//   bit   7   6   5   4   3   2   1   0
//   x    +0  +1  +2  +3  +4  +5  +6  +7
inline uint8_t PushBit(uint8_t byte, bool bit) {
  return static_cast<uint8_t>((byte << 1) | (bit ? 1 : 0));
}

// Ink rule: darker than half brightness, strictly, is ink (a 1 bit).
inline bool IsInk(const cPixel& pixel) { return pixel.GetBrightness() < 0.5f; }

// One flag per palette entry, worked out once per image instead of once per pixel.
using PaletteFlags = std::array<bool, 256>;

template <class Rule>
PaletteFlags FlagsPerPaletteEntry(const cBitmap& bitmap, Rule rule) {
  PaletteFlags flags{};
  for (int i = 0; i < 256; ++i) flags[i] = rule(bitmap.GetPaletteEntry(static_cast<uint8_t>(i)));
  return flags;
}

inline PaletteFlags InkFlags(const cBitmap& bitmap) { return FlagsPerPaletteEntry(bitmap, IsInk); }

// The palette indices of pixels x..x+7 of row y, left to right: copied from
// the row when all eight lie in the image (the usual case, read without a
// check per pixel), else read one by one with GetPixelIndex, which reports
// each pixel outside the image and gives it index 0.
struct EightIndices {
  uint8_t index[8];
};

inline EightIndices ReadEightIndices(const cBitmap& bitmap, int x, int y) {
  EightIndices eight;
  const uint8_t* row = bitmap.GetRow(y);
  if (row && x >= 0 && x <= bitmap.GetWidth() - 8) {
    memcpy(eight.index, row + x, sizeof eight.index);
  } else {
    for (int i = 0; i < 8; ++i)
      eight.index[i] = static_cast<uint8_t>(bitmap.GetPixelIndex(x + i, y));
  }
  return eight;
}

// True when the eight indices are one and the same: a solid stretch, met
// more often than not in real pictures, whose byte needs one look instead
// of eight.
inline bool IsSolid(const EightIndices& pixels) {
  uint64_t eight;
  memcpy(&eight, pixels.index, sizeof eight);
  return eight == (eight & 0xFF) * 0x0101010101010101ull;
}

// The byte of pixels x..x+7 of row y, a bit set where `flags` holds for the
// pixel's palette index.
inline uint8_t PackEightPixels(const cBitmap& bitmap, int x, int y, const PaletteFlags& flags) {
  const EightIndices pixels = ReadEightIndices(bitmap, x, y);
  if (IsSolid(pixels)) return flags[pixels.index[0]] ? 0xFF : 0x00;
  uint8_t byte = 0;
  for (uint8_t index : pixels.index) byte = PushBit(byte, flags[index]);
  return byte;
}

// Palette index colours: bits 0-2 of an index are the colour number
// (0 black, 1 blue, 2 red, 3 magenta, 4 green, 5 cyan, 6 yellow, 7 white),
// bit 3 is bright, bits 4-7 are ignored.
constexpr int kColourBits = 7;
constexpr int kBrightBit = 8;

// Attribute byte of one 8x8 cell:
//
//   bit   7      6       5 4 3   2 1 0
//         flash  bright  paper   ink
//
// A bright ink or a bright paper makes the whole cell bright; the flash bit
// is left clear.
inline uint8_t AttributeByte(int ink, int paper) {
  uint8_t attribute = static_cast<uint8_t>((ink & kColourBits) | ((paper & kColourBits) << 3));
  if ((ink | paper) & kBrightBit) attribute |= 0x40;
  return attribute;
}

// Display order: the display's bitmap memory holds 32 bytes per pixel row,
// rows interleaved by thirds of 64 rows. The byte of pixels x..x+7 of row y:
//
//   offset bits  12 11 | 10 9 8 | 7 6 5 | 4 3 2 1 0
//   from         y 7-6 | y 2-0  | y 5-3 | x 7-3
constexpr int kDisplayWidth = 256;
constexpr int kDisplayBytesPerRow = kDisplayWidth / 8;
constexpr int kDisplayThirdHeight = 64;

// One, two or three thirds of the display: 64, 128 or 192 rows.
constexpr bool IsWholeThirdsHeight(int height) {
  return height == kDisplayThirdHeight || height == 2 * kDisplayThirdHeight ||
         height == 3 * kDisplayThirdHeight;
}

inline int DisplayOffset(int x, int y) {
  return 2048 * (y / 64) + 256 * (y % 8) + 32 * ((y / 8) % 8) + x / 8;
}

// The image row stored as the n-th row of display memory (the inverse of
// DisplayOffset): for each third, for each pixel line, for each character row.
inline int DisplayRow(int n) {
  const int third = n / 64;
  const int pixelLine = (n / 8) % 8;
  const int characterRow = n % 8;
  return 64 * third + 8 * characterRow + pixelLine;
}
