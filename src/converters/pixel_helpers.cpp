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

// Translates `width` indices through the table, eight at a time: eight
// like the eight before them (a solid stretch, a repeated dither pattern)
// take the values those got, eight alike one look-up, others eight.
void Translate(const uint8_t* indices, const std::array<uint8_t, 256>& table, size_t width,
               uint8_t* values) {
  uint64_t lastIndices = 0;
  uint64_t lastValues = EveryByte(table[0]);
  size_t x = 0;
  for (; x + 8 <= width; x += 8) {
    const uint64_t eight = LoadEight(indices + x);
    if (eight != lastIndices) {
      lastIndices = eight;
      if (eight == EveryByte(indices[x])) {
        lastValues = EveryByte(table[indices[x]]);
      } else {
        for (size_t i = x; i < x + 8; ++i) values[i] = table[indices[i]];
        lastValues = LoadEight(values + x);
      }
    }
    StoreEight(lastValues, values + x);
  }
  for (; x < width; ++x) values[x] = table[indices[x]];
}

}  // namespace

PixelValues::PixelValues(const cBitmap& bitmap) : bitmap_(bitmap) {
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

const uint8_t* PixelValues::Row(int y) {
  const uint8_t* stored = StoredRow(y);
  if (!stored) {
    // Outside the image (no converter asks): a row of zeros.
    row_.assign(static_cast<size_t>(bitmap_.IsLoaded() ? bitmap_.GetWidth() : 0), 0);
    return row_.data();
  }
  if (!translated_) return stored;
  Translate(stored, table_, row_.size(), row_.data());
  return row_.data();
}

CellScan ScanCell(const Cell& cell) {
  CellScan scan;
  scan.first = ByteAt(cell.rows[0], 0);
  const uint64_t first = EveryByte(scan.first);
  int row = 0;
  uint64_t others = 0;  // the pixels of a row not of the first value
  while (row < kCellSize && (others = NonZeroBytes(cell.rows[row] ^ first)) == 0) ++row;
  if (row == kCellSize) return scan;
  scan.hasSecond = true;
  scan.second = ByteAt(cell.rows[row], FirstFlag(others));
  const uint64_t second = EveryByte(scan.second);
  for (; row < kCellSize; ++row) {
    const uint64_t thirds =
        NonZeroBytes(cell.rows[row] ^ first) & NonZeroBytes(cell.rows[row] ^ second);
    if (thirds) {
      scan.hasThird = true;
      scan.thirdColumn = FirstFlag(thirds);
      scan.thirdRow = row;
      return scan;
    }
  }
  return scan;
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
