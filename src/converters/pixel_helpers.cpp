#include "converters/pixel_helpers.h"

#include <cstdio>

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
