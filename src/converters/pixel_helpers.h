// Pixel rules shared by the image converters.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "bitmap/display_colours.h"

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

// Index rule of the converters that read display colours from palette
// indices: a palettised picture's index as it is; for a true-colour picture,
// the display colour its RGB names (checked first with CheckDisplayColours).
inline uint8_t IndexOf(const cPixel& pixel) { return pixel.index; }

// The values of eight pixels of a row, left to right.
struct EightValues {
  uint8_t value[8];
};

// True when the eight values are one and the same: a solid stretch, met
// more often than not in real pictures, whose byte needs one look instead
// of eight.
inline bool IsSolid(const EightValues& pixels) {
  uint64_t eight;
  memcpy(&eight, pixels.value, sizeof eight);
  return eight == (eight & 0xFF) * 0x0101010101010101ull;
}

// The byte value a rule (cPixel -> byte or bool) gives each pixel of a
// loaded picture, read a row at a time. A palettised picture keeps its rows
// of indices and works the rule out once per palette entry, into a table;
// a true-colour picture, which has no palette, gets a plane of one value per
// pixel, worked out once per pixel. Either way a pixel's value is one
// table look-up (none where the table passes its bytes through, as for the
// index rule).
class PixelValues {
 public:
  template <class Rule>
  PixelValues(const cBitmap& bitmap, Rule rule);

  // Pixels x..x+7 of row y: read from the row at once when all eight lie in
  // the image (the usual case), else one by one, each pixel outside the image
  // reported (GetPixelIndex) and given the value of stored byte 0.
  EightValues ReadEight(int x, int y) const {
    const uint8_t* row = StoredRow(y);
    EightValues eight;
    if (row && x >= 0 && x <= bitmap_.GetWidth() - 8) {
      memcpy(eight.value, row + x, sizeof eight.value);
    } else {
      for (int i = 0; i < 8; ++i) eight.value[i] = StoredOrReported(x + i, y);
    }
    if (passThrough_) return eight;
    if (IsSolid(eight)) {
      memset(eight.value, table_[eight.value[0]], sizeof eight.value);
    } else {
      for (uint8_t& value : eight.value) value = table_[value];
    }
    return eight;
  }
  // The GetWidth() values of row y, y inside the image.
  void ReadRow(int y, uint8_t* values) const {
    const uint8_t* row = StoredRow(y);
    const size_t width = static_cast<size_t>(bitmap_.GetWidth());
    if (!row) return;
    if (passThrough_) {
      memcpy(values, row, width);
    } else {
      for (size_t x = 0; x < width; ++x) values[x] = table_[row[x]];
    }
  }

 private:
  const uint8_t* StoredRow(int y) const {
    if (!bitmap_.IsTrueColour()) return bitmap_.GetRow(y);
    if (!bitmap_.IsLoaded() || y < 0 || y >= bitmap_.GetHeight()) return nullptr;
    return plane_.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap_.GetWidth());
  }
  // One pixel of a stretch that leaves the image: its stored byte inside,
  // else 0 after GetPixelIndex has reported it.
  uint8_t StoredOrReported(int x, int y) const {
    const uint8_t* row = StoredRow(y);
    if (row && x >= 0 && x < bitmap_.GetWidth()) return row[x];
    return static_cast<uint8_t>(bitmap_.GetPixelIndex(x, y));
  }

  const cBitmap& bitmap_;
  std::array<uint8_t, 256> table_{};
  bool passThrough_ = true;
  std::vector<uint8_t> plane_;  // true colour: width * height values
};

template <class Rule>
PixelValues::PixelValues(const cBitmap& bitmap, Rule rule) : bitmap_(bitmap) {
  if (bitmap.IsTrueColour()) {
    if (!bitmap.IsLoaded()) return;
    const int width = bitmap.GetWidth();
    const int height = bitmap.GetHeight();
    plane_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint8_t* value = plane_.data();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) *value++ = static_cast<uint8_t>(rule(bitmap.GetPixel(x, y)));
    }
    return;
  }
  for (int i = 0; i < 256; ++i) {
    table_[i] = static_cast<uint8_t>(rule(bitmap.GetPaletteEntry(static_cast<uint8_t>(i))));
    passThrough_ = passThrough_ && table_[i] == i;
  }
}

// The byte of eight pixels, a bit set where the pixel's value has any of
// the bits of `bits`.
inline uint8_t PackEightBits(const EightValues& pixels, uint8_t bits) {
  if (IsSolid(pixels)) return pixels.value[0] & bits ? 0xFF : 0x00;
  uint8_t byte = 0;
  for (uint8_t value : pixels.value) byte = PushBit(byte, (value & bits) != 0);
  return byte;
}

// The byte of pixels x..x+7 of row y, a bit set where the pixel's value is
// not 0.
inline uint8_t PackEightPixels(const PixelValues& values, int x, int y) {
  return PackEightBits(values.ReadEight(x, y), 0xFF);
}

// The display-colour check of the converters that read palette indices: a
// palettised picture passes as it is; in a true-colour picture every pixel
// must name a display colour. Otherwise prints "<converter>: '<file>' pixel
// (x, y) is #RRGGBB, not one of the display's colours" for the first such
// pixel (rows from the top) and returns false.
bool CheckDisplayColours(const char* converterName, const std::string& fileName,
                         const cBitmap& bitmap);

// The transparency check of the converters that read masks: a pixel is
// opaque or fully transparent (the mask colour). Otherwise prints
// "<converter>: '<file>' pixel (x, y) has alpha A, neither opaque nor
// transparent" for the first such pixel and returns false.
bool CheckNoPartialTransparency(const char* converterName, const std::string& fileName,
                                const cBitmap& bitmap);

// Palette index colours: bits 0-2 of an index are the colour number, bit 3
// is bright, bits 4-7 are ignored (kColourBits, kBrightBit: see
// display_colours.h).

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
