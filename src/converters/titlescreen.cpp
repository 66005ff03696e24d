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
// names: IndexOf, CheckDisplayColours in pixel_helpers.h.)
#include <cstdint>
#include <cstring>
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
constexpr int kCellSize = 8;
constexpr int kCellColumns = kDisplayWidth / kCellSize;  // 32
constexpr int kCellRows = kScreenHeight / kCellSize;     // 24
constexpr int kUnset = -1;                               // no colour met yet
constexpr uint8_t kFlash = 0x80;

struct CellColours {
  int ink = kUnset;
  int paper = kUnset;
  uint8_t flash = 0;
};

int ScreenColour(int paletteIndex) {
  const int colour = paletteIndex & (kBrightBit | kColourBits);
  return (colour & kColourBits) == 0 ? 0 : colour;
}

// Records the colour of one pixel of the cell, in scan order.
void MeetColour(CellColours& cell, int colour) {
  if (colour == cell.ink) return;
  if (cell.ink == kUnset) {
    cell.ink = colour;
  } else if (cell.paper == kUnset) {
    cell.paper = colour;
  } else if (colour != cell.paper) {
    cell.flash = kFlash;  // a third colour: the first two stay
  }
}

// Once both colours are known, a pixel can only flag a third colour, so the
// order of the rest no longer matters: a row is then checked as the set of
// its colours, without a branch per pixel.
void MeetRowOfKnownCell(CellColours& cell, const EightValues& pixels) {
  unsigned coloursMet = 0;  // bit c for colour c (0..15)
  for (uint8_t index : pixels.value) coloursMet |= 1u << ScreenColour(index);
  if (coloursMet & ~((1u << cell.ink) | (1u << cell.paper))) cell.flash = kFlash;
}

// A solid stretch of eight pixels (IsSolid) is one colour, and meeting a
// colour again right after it was met changes nothing: one look will do.
CellColours AnalyseCell(const PixelValues& indices, int cellX, int cellY) {
  CellColours cell;
  for (int y = cellY * kCellSize; y < (cellY + 1) * kCellSize; ++y) {
    const EightValues pixels = indices.ReadEight(cellX * kCellSize, y);
    if (IsSolid(pixels)) {
      MeetColour(cell, ScreenColour(pixels.value[0]));
    } else if (cell.paper != kUnset) {
      MeetRowOfKnownCell(cell, pixels);
    } else {
      for (uint8_t index : pixels.value) MeetColour(cell, ScreenColour(index));
    }
  }
  if (cell.paper == kUnset) cell.paper = 0;
  if ((cell.ink & kColourBits) == 0) {
    cell.ink = cell.paper & kBrightBit;
  } else if ((cell.paper & kColourBits) == 0) {
    cell.paper = cell.ink & kBrightBit;
  }
  const bool bothColoured = ((cell.ink & kColourBits) + (cell.paper & kColourBits)) != 0;
  if (bothColoured && !(cell.ink & kBrightBit) && (cell.paper & kBrightBit)) cell.flash = kFlash;
  return cell;
}

using CellTable = CellColours[kCellRows][kCellColumns];

void AnalyseCells(const PixelValues& indices, CellTable& cells) {
  for (int cellY = 0; cellY < kCellRows; ++cellY) {
    for (int cellX = 0; cellX < kCellColumns; ++cellX) {
      cells[cellY][cellX] = AnalyseCell(indices, cellX, cellY);
    }
  }
}

// The byte of pixels x..x+7 of row y: a bit set for each pixel of the ink colour.
uint8_t PackInkPixels(const PixelValues& indices, int x, int y, int ink) {
  const EightValues pixels = indices.ReadEight(x, y);
  if (IsSolid(pixels)) return (pixels.value[0] & kColourBits) == (ink & kColourBits) ? 0xFF : 0x00;
  uint8_t byte = 0;
  for (uint8_t index : pixels.value)
    byte = PushBit(byte, (index & kColourBits) == (ink & kColourBits));
  return byte;
}

void AppendBitmap(const PixelValues& indices, const CellTable& cells, cBinWriter& writer) {
  for (int n = 0; n < kScreenHeight; ++n) {
    const int y = DisplayRow(n);
    for (int cellX = 0; cellX < kCellColumns; ++cellX) {
      const int ink = cells[y / kCellSize][cellX].ink;
      writer.AddByte(PackInkPixels(indices, cellX * kCellSize, y, ink));
    }
  }
}

void AppendAttributes(const CellTable& cells, cBinWriter& writer) {
  for (const auto& row : cells) {
    for (const CellColours& cell : row) {
      writer.AddByte(static_cast<uint8_t>(AttributeByte(cell.ink, cell.paper) | cell.flash));
    }
  }
}

}  // namespace

bool process_titlescreen(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                         int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kName, tokeniser, bitmap, fileName)) return false;
  if (!CheckDisplayWidth(kName, bitmap)) return false;
  if (bitmap.GetHeight() != kScreenHeight) {
    Fault("%s image height must be 192\n", kName);
    return false;
  }
  if (!CheckDisplayColours(kName, fileName, bitmap)) return false;
  const PixelValues indices(bitmap, IndexOf);
  CellTable cells;
  AnalyseCells(indices, cells);
  AppendBitmap(indices, cells, writer);
  AppendAttributes(cells, writer);

  listing.ItemBlock(fileName, tag, address, {kDisplayWidth, kScreenHeight, writer.GetSize()});
  return true;
}
