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
#include <cstring>
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

// The flags of the eight pixels whose index is not `index`.
uint64_t OtherIndices(uint64_t indices, uint8_t index) {
  return NonZeroBytes(indices ^ EveryByte(index));
}

// A cell's bytes: the colour met first is the paper (0 bits), the other
// the ink (0 while there is none).
struct CellBytes {
  uint8_t pixels[kCellSize];
  uint8_t attribute;
  CellScan colours;
};

CellBytes ConvertCell(const Cell& cell) {
  CellBytes bytes;
  bytes.colours = ScanCell(cell, OtherIndices);
  const CellScan& colours = bytes.colours;
  for (int row = 0; row < kCellSize; ++row)
    bytes.pixels[row] = PackFlags(OtherIndices(cell.rows[row], colours.first));
  bytes.attribute = AttributeByte(colours.hasSecond ? colours.second : 0, colours.first);
  return bytes;
}

// Appends the pixel bytes of each row of cells once the row is whole, and
// sets the cells' attribute bytes. On a third colour prints the image
// coordinates of its first pixel and returns false.
bool AppendCells(PixelValues& indices, int charWidth, int charHeight, cBinWriter& writer,
                 uint8_t* attributes) {
  std::vector<uint8_t> rowBytes(static_cast<size_t>(kCellSize) * charWidth);
  return ForEachCell(indices, charWidth, charHeight, ConvertCell,
                     [&](int cellX, int cellY, const CellBytes& cell) {
                       if (cell.colours.hasThird) {
                         Fault(
                             "process_colourtile found more than two colours in a tile at %d,%d\n",
                             kCellSize * cellX + cell.colours.thirdColumn,
                             kCellSize * cellY + cell.colours.thirdRow);
                         return false;
                       }
                       memcpy(rowBytes.data() + kCellSize * cellX, cell.pixels, kCellSize);
                       attributes[static_cast<size_t>(cellY) * charWidth + cellX] = cell.attribute;
                       if (cellX == charWidth - 1)
                         writer.AddBytes(rowBytes.data(), static_cast<int>(rowBytes.size()));
                       return true;
                     });
}

}  // namespace

bool process_colourtile(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                        cListing& listing, int address) {
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
  if (!AppendCells(indices, charWidth, charHeight, writer, attributes.data())) return false;
  writer.AddBytes(attributes.data(), static_cast<int>(attributes.size()));

  listing.ItemBlock(fileName, tag, address, {charWidth, charHeight});
  return true;
}
