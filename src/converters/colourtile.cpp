// "colourtile": an image cut into 8x8 character cells, each drawn in at most
// two palette indices, becomes a bitmap of eight bytes per cell followed by
// one attribute byte per cell. The colour of a cell's top-left pixel is its
// paper (0 bits); the other index met in the cell, if any, is its ink
// (1 bits). Indices are compared whole: 1 and 17 are two colours.
// (In a true-colour picture a pixel's index is the display colour its RGB
// names: PixelValues, CheckDisplayColours in pixel_helpers.h.)
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

// Appends the eight pixel bytes of cell (cellX, cellY) of the row of cells
// whose pixel rows are `rows`, and sets its attribute byte: the colour met
// first is the paper (0 bits), the other the ink (0 while there is none).
// On a third colour prints the image coordinates of its first pixel and
// returns false.
bool AppendCell(const uint8_t* const* rows, int cellX, int cellY, cBinWriter& writer,
                uint8_t& attribute) {
  const Cell cell = CellAt(rows, cellX);
  const CellScan colours = ScanCell(cell);
  if (colours.hasThird) {
    Fault("process_colourtile found more than two colours in a tile at %d,%d\n",
          kCellSize * cellX + colours.thirdColumn, kCellSize * cellY + colours.thirdRow);
    return false;
  }
  uint8_t bytes[kCellSize];
  for (int row = 0; row < kCellSize; ++row)
    bytes[row] = PackFlags(NonZeroBytes(cell.rows[row] ^ EveryByte(colours.first)));
  writer.AddBytes(bytes, kCellSize);
  attribute = AttributeByte(colours.hasSecond ? colours.second : 0, colours.first);
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
  PixelValues indices(bitmap);

  // A loaded image has a positive size, and width * height is within the
  // loader's pixel limit, so the cell counts below fit an int.
  const int charWidth = bitmap.GetWidth() / kCellSize;
  const int charHeight = bitmap.GetHeight() / kCellSize;
  std::vector<uint8_t> attributes(static_cast<size_t>(charWidth) * static_cast<size_t>(charHeight));
  for (int cellY = 0; cellY < charHeight; ++cellY) {
    const uint8_t* rows[kCellSize];
    for (int row = 0; row < kCellSize; ++row) rows[row] = indices.Row(kCellSize * cellY + row);
    for (int cellX = 0; cellX < charWidth; ++cellX) {
      uint8_t& attribute = attributes[static_cast<size_t>(cellY) * charWidth + cellX];
      if (!AppendCell(rows, cellX, cellY, writer, attribute)) return false;
    }
  }
  writer.AddBytes(attributes.data(), static_cast<int>(attributes.size()));

  listing.ItemBlock(fileName, tag, address, {charWidth, charHeight});
  return true;
}
