// "colourtile": an image cut into 8x8 character cells, each drawn in at most
// two palette indices, becomes a bitmap of eight bytes per cell followed by
// one attribute byte per cell. The colour of a cell's top-left pixel is its
// paper (0 bits); the other index met in the cell, if any, is its ink
// (1 bits). Indices are compared whole: 1 and 17 are two colours.
// (In a true-colour picture a pixel's index is the display colour its RGB
// names: IndexOf, CheckDisplayColours in pixel_helpers.h.)
//
//   offset  length  content                                  (N = W/8 * H/8)
//   0       8 * N   per cell, its 8 pixel rows from the top:
//                     bit  7   6   5   4   3   2   1   0
//                     x   +0  +1  +2  +3  +4  +5  +6  +7    1 = ink
//   8 * N   N       per cell, AttributeByte(ink, paper)
//
// Cells are taken row-major: cell (cx, cy) is number cy * W/8 + cx.
//
// Listing: _charwidth, _charheight (no size line).
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

const char kConverterName[] = "process_colourtile";
constexpr int kCellSize = 8;

// The two colours of one cell, found while its pixels are scanned in order.
class CellColours {
 public:
  // Takes the next pixel's index; false when it is a third colour.
  bool Take(int index) {
    if (known_ == 0) {
      paper_ = index;
      known_ = 1;
    } else if (known_ == 1) {
      if (index != paper_) {
        ink_ = index;
        known_ = 2;
      }
    } else if (index != paper_ && index != ink_) {
      return false;
    }
    return true;
  }
  bool IsInk(int index) const { return index != paper_; }
  uint8_t Attribute() const { return AttributeByte(ink_, paper_); }

 private:
  int known_ = 0;  // 0: none yet, 1: paper known, 2: paper and ink known
  int paper_ = 0;  // the first colour: the cell's top-left pixel
  int ink_ = 0;    // the second colour; 0 while the cell has only one
};

// Appends the eight pixel bytes of cell (cellX, cellY) and sets its
// attribute byte. On a third colour prints the pixel's image coordinates and
// returns false.
bool AppendCell(const PixelValues& indices, int cellX, int cellY, cBinWriter& writer,
                uint8_t& attribute) {
  CellColours colours;
  for (int row = 0; row < kCellSize; ++row) {
    const int y = kCellSize * cellY + row;
    uint8_t pixels = 0;
    const EightValues pixelRow = indices.ReadEight(kCellSize * cellX, y);
    // A solid row is judged by its first pixel: taking the same index again
    // changes nothing, and all eight bits are alike.
    const bool solid = IsSolid(pixelRow);
    for (int column = 0; column < (solid ? 1 : kCellSize); ++column) {
      const int x = kCellSize * cellX + column;
      const int index = pixelRow.value[column];
      if (!colours.Take(index)) {
        Fault("process_colourtile found more than two colours in a tile at %d,%d\n", x, y);
        return false;
      }
      pixels = PushBit(pixels, colours.IsInk(index));
    }
    if (solid) pixels = pixels ? 0xFF : 0x00;
    writer.AddBytes(&pixels, 1);
  }
  attribute = colours.Attribute();
  return true;
}

}  // namespace

bool process_colourtile(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                        int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kConverterName, tokeniser, bitmap, fileName)) return false;
  if (bitmap.GetWidth() % kCellSize != 0 || bitmap.GetHeight() % kCellSize != 0) {
    Fault("process_colourtile image width and height must be a multiple of 8\n");
    return false;
  }
  if (!CheckDisplayColours(kConverterName, fileName, bitmap)) return false;
  const PixelValues indices(bitmap, IndexOf);

  // A loaded image has a positive size, and width * height is within the
  // loader's pixel limit, so the cell counts below fit an int.
  const int charWidth = bitmap.GetWidth() / kCellSize;
  const int charHeight = bitmap.GetHeight() / kCellSize;
  std::vector<uint8_t> attributes(static_cast<size_t>(charWidth) * static_cast<size_t>(charHeight));
  for (int cellY = 0; cellY < charHeight; ++cellY) {
    for (int cellX = 0; cellX < charWidth; ++cellX) {
      uint8_t& attribute = attributes[static_cast<size_t>(cellY) * charWidth + cellX];
      if (!AppendCell(indices, cellX, cellY, writer, attribute)) return false;
    }
  }
  writer.AddBytes(attributes.data(), static_cast<int>(attributes.size()));

  listing.ItemBlock(fileName, tag, address, {charWidth, charHeight});
  return true;
}
