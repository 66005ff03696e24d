// Pixel rules shared by the image converters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "bitmap/display_colours.h"
#include "writers/eight_bytes.h"

// Eight pixels as one word (see writers/eight_bytes.h): pixel x + i in
// byte i, so that a test of every byte at once (NonZeroBytes) and one
// packing step (PackFlags) make the byte of eight pixels.

// Eight-pixel byte: the flags of eight pixels (bit 7 of each byte, as
// NonZeroBytes gives them), the leftmost pixel in bit 7:
//
//   bit   7   6   5   4   3   2   1   0
//   x    +0  +1  +2  +3  +4  +5  +6  +7
//
// The multiplier's byte j is 1 << j, so flag i (at bit 8i after the shift)
// lands at bit 8i + 9j; for j = 7 - i that is bit 63 - i, and no two
// products share a bit, so nothing carries.
inline uint8_t PackFlags(uint64_t flags) {
  return static_cast<uint8_t>(((flags >> 7) * 0x8040201008040201ull) >> 56);
}

// The byte of eight pixel values (LoadEight order), a bit set where the
// value has any of the bits of `bits`.
inline uint8_t PackEightPixels(uint64_t values, uint8_t bits) {
  return PackFlags(NonZeroBytes(values & EveryByte(bits)));
}

// Ink rule: darker than half brightness, strictly, is ink (a 1 bit).
inline bool IsInk(const cPixel& pixel) { return pixel.GetBrightness() < 0.5f; }

// The value of every pixel of a loaded picture by a rule, a row at a time.
//
// The index rule (the first constructor) gives each pixel's palette index:
// the stored rows themselves; for a true-colour picture, the display colour
// its RGB names (checked first with CheckDisplayColours).
//
// A rule of the pixel's colour (cPixel -> byte or bool, never reading the
// index) is worked out once per palette entry, into a table, and pixels are
// translated through it, unless the table gives each index itself (then the
// stored rows serve as they are). A true-colour picture, which has no palette, gets
// a plane of one value per pixel, worked out once per pixel.
//
// The converters that pack pixels eight to a byte need only bits 0 and 1
// of a value, and take them from the stored bytes (palette indices, or a
// true-colour picture's values) through a second table, never translating
// a row: each stored byte's two bits, set apart by eight places (bit 0 of
// the value at bit 0, bit 1 at bit 8), so that one OR of the eight pixels'
// entries, each shifted to its pixel's place, packs both bytes at once.
//
// Pictures repeat themselves: most eight-pixel groups were met before (a
// solid stretch, a dither pattern, the inside of a shape, the same edge a
// row further on). ForEachGroup works a group out only where it differs
// from the one last met at its place in a small table of groups; a group
// worked out takes eight look-ups. Every group is looked up, the one like
// the group before it too: a test for that was cheaper but, where a
// picture changes, guessed wrong a sixth of the time, and a wrong guess
// costs more than the look-up.
class PixelValues {
 public:
  explicit PixelValues(const cBitmap& bitmap);
  template <class Rule>
  PixelValues(const cBitmap& bitmap, Rule rule);
  // Never copied: its tables are one picture's working state, some 3 KB.
  PixelValues(const PixelValues&) = delete;
  PixelValues& operator=(const PixelValues&) = delete;

  // The eight-pixel bytes of a group (see PackFlags for the bit order):
  // `bit0` has a bit set for each pixel whose value has bit 0 set, `bit1`
  // the same for bit 1.
  struct GroupBytes {
    uint8_t bit0, bit1;
  };

  // For each eight-pixel group of row y (inside the image), left to right:
  // store(group, bytes). A group like the one last met at its place in the
  // table of groups takes that one's bytes, not packed again. A last group
  // of fewer than eight pixels is left out.
  template <class Store>
  void ForEachGroup(int y, Store store) const;

  // The GetWidth() values of row y, y inside the image. By the index rule
  // they are the stored row, which lasts as long as the picture; by any
  // other, a translation that lasts until the next call.
  const uint8_t* Row(int y);
  // By the index rule the rows lie a fixed step apart: Row(y + 1) is
  // Row(y) + IndexRowStep() for rows inside the image.
  ptrdiff_t IndexRowStep() const;

 private:
  const uint8_t* StoredRow(int y) const;
  static bool GivesEachIndexItself(const std::array<uint8_t, 256>& table);
  // Fills packBits_ from the stored bytes' values.
  void SetPackBits();
  // Both bytes of the eight pixels from `stored` (LoadEight(stored) given):
  // bit 0 of the value in the low byte, bit 1 in the high byte.
  uint16_t PackGroup(const uint8_t* stored, uint64_t eight) const {
    const size_t slot = HashSlot(eight, kPackedGroupBits);
    if (metEights_[slot] != eight) {
      metEights_[slot] = eight;
      metBytes_[slot] = PackEach(stored);
    }
    return metBytes_[slot];
  }
  // Eight look-ups. Out of line, so that the look-up in the table of
  // groups, which most groups need alone, does not wait on (or make) their
  // loads.
  __attribute__((noinline)) uint16_t PackEach(const uint8_t* stored) const;

  const cBitmap& bitmap_;
  bool translated_ = false;  // pixels go through table_
  std::array<uint8_t, 256> table_{};
  std::array<uint16_t, 256> packBits_{};  // by stored byte: value bit 0 at bit 0, bit 1 at bit 8
  std::vector<uint8_t> plane_;            // true colour: width * height values
  std::vector<uint8_t> row_;              // the translated row
  // Groups met before, by a hash of their stored bytes: a pattern or an
  // edge repeats along a picture, and a solid stretch is one group. Every
  // slot starts as a group of eight zeros with that group's bytes
  // (SetPackBits), so a slot is always whole.
  static constexpr int kPackedGroupBits = 8;
  mutable std::array<uint64_t, 1 << kPackedGroupBits> metEights_{};
  mutable std::array<uint16_t, 1 << kPackedGroupBits> metBytes_;
};

template <class Rule>
PixelValues::PixelValues(const cBitmap& bitmap, Rule rule) : bitmap_(bitmap) {
  if (!bitmap.IsLoaded()) return;
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  if (bitmap.IsTrueColour()) {
    plane_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint8_t* value = plane_.data();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) *value++ = static_cast<uint8_t>(rule(bitmap.GetPixel(x, y)));
    }
    SetPackBits();
    return;
  }
  // A palette repeats entries (a file's unused ones are all black): the
  // rule runs once per run of equal entries.
  table_[0] = static_cast<uint8_t>(rule(bitmap.GetPaletteEntry(0)));
  for (int i = 1; i < 256; ++i) {
    const uint8_t index = static_cast<uint8_t>(i);
    table_[i] = bitmap.SamePaletteEntries(index, index - 1)
                    ? table_[i - 1]
                    : static_cast<uint8_t>(rule(bitmap.GetPaletteEntry(index)));
  }
  // A table that gives each index itself (a grey palette read by its
  // levels) leaves the stored rows as they are.
  translated_ = !GivesEachIndexItself(table_);
  SetPackBits();
  if (translated_) row_.resize(static_cast<size_t>(width));
}

template <class Store>
void PixelValues::ForEachGroup(int y, Store store) const {
  const uint8_t* row = StoredRow(y);
  const int groups = row ? bitmap_.GetWidth() / 8 : 0;
  for (int group = 0; group < groups; ++group) {
    const uint8_t* stored = row + 8 * group;
    const uint16_t bytes = PackGroup(stored, LoadEight(stored));
    store(group, GroupBytes{static_cast<uint8_t>(bytes), static_cast<uint8_t>(bytes >> 8)});
  }
}

// A group's two bytes to bytes[0] (bit 0's, the mask where the layout has
// one) and bytes[1] (bit 1's), in one store.
inline void StoreBothBytes(PixelValues::GroupBytes eight, uint8_t* bytes) {
  static_assert(sizeof eight == 2, "GroupBytes is its two bytes, bit0 first");
  memcpy(bytes, &eight, sizeof eight);
}

// The eight-pixel bytes of row y, one per group, a bit set where the value
// has bit 0 set: width / 8 of them into `bytes`.
void PackRow(const PixelValues& values, int y, uint8_t* bytes);

// An 8 x 8 cell's pixel values: eight rows of eight, top first.
constexpr int kCellSize = 8;
struct Cell {
  uint64_t rows[kCellSize];
};

// A row of cells: its top pixel row, and the step from a pixel row to the
// next (one pointer and a step, where eight row pointers would not stay in
// registers).
struct CellRow {
  const uint8_t* top;
  ptrdiff_t step;
};

// Cell number `cellX` of a row of cells.
inline Cell CellAt(const CellRow& cells, int cellX) {
  Cell cell;
  const uint8_t* pixels = cells.top + kCellSize * cellX;
  for (int row = 0; row < kCellSize; ++row, pixels += cells.step)
    cell.rows[row] = LoadEight(pixels);
  return cell;
}

// Whether cell `cellX` (not the first) of a row of cells is like the one
// before it: its pixels read where they lie, in one test for the eight rows.
inline bool LikeCellBefore(const CellRow& cells, int cellX) {
  uint64_t differences = 0;
  const uint8_t* pixels = cells.top + kCellSize * cellX;
  for (int row = 0; row < kCellSize; ++row, pixels += cells.step)
    differences |= LoadEight(pixels) ^ LoadEight(pixels - kCellSize);
  return differences == 0;
}

// For each 8 x 8 cell of the picture, a row of `cellRows` rows of
// `cellColumns` cells at a time from the top, each row from the left:
// store(cellX, cellY, convert(cell)), until a store returns false (then
// false). `values` gives the index rule's rows, which stay where they are.
// A cell like the one before it (most of a picture's background) takes
// that one's result, not converted again.
template <class Convert, class Store>
bool ForEachCell(PixelValues& values, int cellColumns, int cellRows, Convert convert, Store store) {
  const ptrdiff_t step = values.IndexRowStep();
  for (int cellY = 0; cellY < cellRows; ++cellY) {
    const CellRow cells{values.Row(kCellSize * cellY), step};
    decltype(convert(Cell{})) result{};
    for (int cellX = 0; cellX < cellColumns; ++cellX) {
      if (cellX == 0 || !LikeCellBefore(cells, cellX)) result = convert(CellAt(cells, cellX));
      if (!store(cellX, cellY, result)) return false;
    }
  }
  return true;
}

// The values met in a cell, in scan order (rows from the top, each from
// the left): the first, the first other one, and the first pixel of any
// third. `others(row, value)` gives the flags (as NonZeroBytes does) of the
// row's pixels that are not of `value`'s colour.
struct CellScan {
  uint8_t first = 0;
  bool hasSecond = false;
  uint8_t second = 0;
  bool hasThird = false;
  int thirdColumn = 0;  // within the cell
  int thirdRow = 0;
};

template <class Others>
CellScan ScanCell(const Cell& cell, Others others) {
  CellScan scan;
  scan.first = ByteAt(cell.rows[0], 0);
  int row = 0;
  uint64_t notFirst = 0;
  while (row < kCellSize && (notFirst = others(cell.rows[row], scan.first)) == 0) ++row;
  if (row == kCellSize) return scan;
  scan.hasSecond = true;
  scan.second = ByteAt(cell.rows[row], FirstFlag(notFirst));
  // From the second's row on (its pixels not of the first known already).
  uint64_t thirds = notFirst & others(cell.rows[row], scan.second);
  while (thirds == 0 && ++row < kCellSize)
    thirds = others(cell.rows[row], scan.first) & others(cell.rows[row], scan.second);
  if (thirds) {
    scan.hasThird = true;
    scan.thirdColumn = FirstFlag(thirds);
    scan.thirdRow = row;
  }
  return scan;
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
// So the eight rows of a cell lie this far apart, from its top row's byte on.
constexpr int kDisplayCellRowStep = 256;

// The image row stored as the n-th row of display memory (the inverse of
// DisplayOffset): for each third, for each pixel line, for each character row.
inline int DisplayRow(int n) {
  const int third = n / 64;
  const int pixelLine = (n / 8) % 8;
  const int characterRow = n % 8;
  return 64 * third + 8 * characterRow + pixelLine;
}
