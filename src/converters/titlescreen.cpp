// "titlescreen": a full 256 x 192 screen converted by its palette indices
// into the display's own layout, 6912 bytes:
//
//   offset  size  contents
//   0       6144  bitmap in display order (see DisplayOffset), a bit set
//                 where the pixel has its cell's ink colour
//   6144    768   attribute bytes, cell rows top to bottom, 32 cells each:
//                 cell (cx, cy) at 6144 + 32 * cy + cx
//
// Each 8 x 8 cell's colours come from its pixels, scanned row by row from
// the top-left: the first colour met is the ink, the next different one the
// paper (black when there is none). A colour is the palette index's low
// four bits (bits 0-2 colour, bit 3 bright); black is black however bright.
// A black ink or paper takes the other colour's brightness. The flash bit
// (bit 7) marks a cell that needs more than the display can show: a third
// colour, or a dull ink with a bright paper (the attribute makes both
// bright).
// (In a true-colour picture a pixel's index is the display colour its RGB
// names: PixelValues, CheckDisplayColours in pixel_helpers.h.)
#include <cstdint>
#include <string>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

constexpr const char* kName = "process_titlescreen";
constexpr int kScreenHeight = 192;
constexpr int kCellColumns = kDisplayWidth / kCellSize;  // 32
constexpr int kCellRows = kScreenHeight / kCellSize;     // 24
constexpr int kBitmapBytes = kDisplayBytesPerRow * kScreenHeight;
constexpr uint8_t kFlash = 0x80;

// A palette index's colour: its low four bits, black (colour bits 0)
// whatever its bright bit.
int ScreenColour(int index) {
  const int colour = index & (kBrightBit | kColourBits);
  return (colour & kColourBits) == 0 ? 0 : colour;
}

// The flags of the eight pixels whose colour is not `index`'s.
// (Black is black however bright: its bright bit is not compared.)
uint64_t OtherColours(uint64_t indices, uint8_t index) {
  const uint8_t compared = (index & kColourBits) == 0 ? kColourBits : kBrightBit | kColourBits;
  return NonZeroSmallBytes((indices ^ EveryByte(index)) & EveryByte(compared));
}

// The attribute byte of a cell from its colours in scan order: the first is
// the ink, the next the paper (black when there is none), a third sets the
// flash bit. A black ink or paper takes the other's brightness; a dull ink
// on a bright paper needs more than the attribute can say (flash).
uint8_t CellAttribute(const CellScan& colours) {
  int ink = ScreenColour(colours.first);
  int paper = colours.hasSecond ? ScreenColour(colours.second) : 0;
  uint8_t flash = colours.hasThird ? kFlash : 0;
  if ((ink & kColourBits) == 0) {
    ink = paper & kBrightBit;
  } else if ((paper & kColourBits) == 0) {
    paper = ink & kBrightBit;
  }
  const bool bothColoured = ((ink & kColourBits) + (paper & kColourBits)) != 0;
  if (bothColoured && !(ink & kBrightBit) && (paper & kBrightBit)) flash = kFlash;
  return static_cast<uint8_t>(AttributeByte(ink, paper) | flash);
}

// The byte of eight pixels: a bit set for each pixel of the ink's colour
// number (bright or not).
uint8_t InkPixels(uint64_t indices, uint8_t ink) {
  return PackFlags(ZeroSmallBytes((indices ^ EveryByte(ink)) & EveryByte(kColourBits)));
}

struct CellBytes {
  uint8_t bitmap[kCellSize];  // its pixel rows, top first
  uint8_t attribute;
};

CellBytes ConvertCell(const Cell& cell) {
  const CellScan colours = ScanCell(cell, OtherColours);
  CellBytes bytes;
  for (int row = 0; row < kCellSize; ++row)
    bytes.bitmap[row] = InkPixels(cell.rows[row], colours.first);
  bytes.attribute = CellAttribute(colours);
  return bytes;
}

// Works out each cell, a row of cells at a time: its attribute byte, and
// its eight bitmap bytes at their places in display order.
void ConvertCells(PixelValues& indices, uint8_t* bitmap, uint8_t* attributes) {
  ForEachCell(indices, kCellColumns, kCellRows, ConvertCell,
              [=](int cellX, int cellY, const CellBytes& bytes) {
                uint8_t* top = bitmap + DisplayOffset(kCellSize * cellX, kCellSize * cellY);
                for (int row = 0; row < kCellSize; ++row)
                  top[kDisplayCellRowStep * row] = bytes.bitmap[row];
                attributes[kCellColumns * cellY + cellX] = bytes.attribute;
                return true;
              });
}

}  // namespace

bool process_titlescreen(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kName, tokeniser, bitmap, fileName)) return false;
  if (!CheckDisplayWidth(kName, bitmap)) return false;
  if (bitmap.GetHeight() != kScreenHeight) {
    Fault("%s image height must be 192\n", kName);
    return false;
  }
  if (!CheckDisplayColours(kName, fileName, bitmap)) return false;
  PixelValues indices(bitmap);
  uint8_t bitmapBytes[kBitmapBytes];
  uint8_t attributes[kCellColumns * kCellRows];
  ConvertCells(indices, bitmapBytes, attributes);
  writer.AddBytes(bitmapBytes, kBitmapBytes);
  writer.AddBytes(attributes, sizeof attributes);

  listing.ItemBlock(fileName, tag, address, {kDisplayWidth, kScreenHeight, writer.GetSize()});
  return true;
}
