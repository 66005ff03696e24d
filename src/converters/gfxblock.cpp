// "gfxblock": a display-wide image of one, two or three thirds of the screen
// (64, 128 or 192 rows), one bit per pixel (1 for ink, darker than half
// brightness), 32 bytes per row, rows in display order (see DisplayOffset):
// a 64-row image fills 2048 bytes, 128 rows 4096 and 192 rows 6144.
#include <string>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

constexpr const char* kName = "process_gfxblock";

void AppendInDisplayOrder(const cBitmap& bitmap, cBinWriter& writer) {
  const PixelValues ink(bitmap, IsInk);
  uint8_t bytes[kDisplayBytesPerRow];
  for (int n = 0; n < bitmap.GetHeight(); ++n) {
    PackRow(ink, DisplayRow(n), bytes);
    writer.AddBytes(bytes, kDisplayBytesPerRow);
  }
}

}  // namespace

bool process_gfxblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                      int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kName, tokeniser, bitmap, fileName)) return false;
  if (!CheckDisplayWidth(kName, bitmap)) return false;
  const int height = bitmap.GetHeight();
  if (!IsWholeThirdsHeight(height)) {
    Fault("%s image height must be 64, 128 or 192\n", kName);
    return false;
  }
  AppendInDisplayOrder(bitmap, writer);

  listing.ItemBlock(fileName, tag, address, {kDisplayWidth, height, writer.GetSize()});
  return true;
}
