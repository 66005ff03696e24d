#include "converters/pixel_helpers.h"

#include <cstdio>
#include <cstring>

#include "io/console.h"

namespace {

struct FoundPixel {
  int x = 0;
  int y = 0;
  cPixel pixel;
};

// The first pixel, rows from the top and each row from the left, for which
// `holds` is true: the test is made once per palette entry for a palettised
// picture, once per pixel for a true-colour one.
template <class Test>
bool FindPixel(const cBitmap& bitmap, Test holds, FoundPixel& found) {
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  if (!bitmap.IsLoaded()) return false;
  if (bitmap.IsTrueColour()) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const cPixel pixel = bitmap.GetPixel(x, y);
        if (holds(pixel)) {
          found = FoundPixel{x, y, pixel};
          return true;
        }
      }
    }
    return false;
  }
  std::array<bool, 256> entryHolds{};
  bool anyEntry = false;
  for (int i = 0; i < 256; ++i) {
    entryHolds[i] = holds(bitmap.GetPaletteEntry(static_cast<uint8_t>(i)));
    anyEntry = anyEntry || entryHolds[i];
  }
  if (!anyEntry) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bitmap.GetRow(y);
    for (int x = 0; x < width; ++x) {
      if (entryHolds[row[x]]) {
        found = FoundPixel{x, y, bitmap.GetPaletteEntry(row[x])};
        return true;
      }
    }
  }
  return false;
}

bool NamesNoDisplayColour(const cPixel& pixel) {
  return DisplayColourIndex(pixel.red, pixel.green, pixel.blue) == kNoDisplayColour;
}

}  // namespace

PixelValues::PixelValues(const cBitmap& bitmap) : bitmap_(bitmap) {
  SetPackBits();
  if (!bitmap.IsLoaded() || !bitmap.IsTrueColour()) return;
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  plane_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  uint8_t* value = plane_.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) *value++ = static_cast<uint8_t>(bitmap.GetPixelIndex(x, y));
  }
}

const uint8_t* PixelValues::StoredRow(int y) const {
  if (!bitmap_.IsTrueColour()) return bitmap_.GetRow(y);
  if (plane_.empty() || y < 0 || y >= bitmap_.GetHeight()) return nullptr;
  return plane_.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap_.GetWidth());
}

ptrdiff_t PixelValues::IndexRowStep() const {
  if (bitmap_.IsTrueColour()) return bitmap_.GetWidth();
  return static_cast<ptrdiff_t>(bitmap_.GetRowStep());
}

uint16_t PixelValues::PackEach(const uint8_t* stored) const {
  uint32_t bytes = 0;
  for (int i = 0; i < 8; ++i) bytes |= uint32_t{packBits_[stored[i]]} << (7 - i);
  return static_cast<uint16_t>(bytes);
}

bool PixelValues::GivesEachIndexItself(const std::array<uint8_t, 256>& table) {
  for (int i = 0; i < 256; ++i) {
    if (table[i] != i) return false;
  }
  return true;
}

void PixelValues::SetPackBits() {
  const auto bits = [](int value) { return static_cast<uint16_t>((value & 1) | (value & 2) << 7); };
  // Two loops, not one test a byte, so that each is worked several at once.
  if (translated_) {
    for (int stored = 0; stored < 256; ++stored) packBits_[stored] = bits(table_[stored]);
  } else {
    for (int stored = 0; stored < 256; ++stored) packBits_[stored] = bits(stored);
  }
  // Every slot starts as a group of eight zeros, with its bytes.
  metBytes_.fill(static_cast<uint16_t>(packBits_[0] * 0xFF));
}

const uint8_t* PixelValues::Row(int y) {
  const uint8_t* stored = StoredRow(y);
  if (!stored) {
    // Outside the image (no converter asks): a row of zeros.
    row_.assign(static_cast<size_t>(bitmap_.IsLoaded() ? bitmap_.GetWidth() : 0), 0);
    return row_.data();
  }
  if (!translated_) return stored;
  // Pixel by pixel: the one user, the greyscale picture, is grain that
  // seldom repeats. (Through locals: a byte store could be any object's.)
  const uint8_t* table = table_.data();
  uint8_t* values = row_.data();
  const size_t width = row_.size();
  size_t x = 0;
  for (; x + 8 <= width; x += 8) {
    for (size_t i = x; i < x + 8; ++i) values[i] = table[stored[i]];  // unrolled whole
  }
  for (; x < width; ++x) values[x] = table[stored[x]];
  return values;
}

void PackRow(const PixelValues& values, int y, uint8_t* bytes) {
  values.ForEachGroup(
      y, [bytes](int group, PixelValues::GroupBytes eight) { bytes[group] = eight.bit0; });
}

bool CheckDisplayColours(const char* converterName, const std::string& fileName,
                         const cBitmap& bitmap) {
  FoundPixel found;
  if (!bitmap.IsTrueColour() || !FindPixel(bitmap, NamesNoDisplayColour, found)) return true;
  Fault("%s: '%s' pixel (%d, %d) is #%02X%02X%02X, not one of the display's colours\n",
        converterName, fileName.c_str(), found.x, found.y, found.pixel.red, found.pixel.green,
        found.pixel.blue);
  return false;
}

bool CheckNoPartialTransparency(const char* converterName, const std::string& fileName,
                                const cBitmap& bitmap) {
  FoundPixel found;
  const auto partlyTransparent = [](const cPixel& pixel) { return pixel.IsPartlyTransparent(); };
  if (!FindPixel(bitmap, partlyTransparent, found)) return true;
  Fault("%s: '%s' pixel (%d, %d) has alpha %d, neither opaque nor transparent\n", converterName,
        fileName.c_str(), found.x, found.y, found.pixel.alpha);
  return false;
}
