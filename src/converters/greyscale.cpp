// "greyscale": one byte per pixel, rows from the top, each row from the
// left: pixel (x, y) of a W x H image at byte y * W + x. The byte is the
// pixel's brightness scaled to 0 (black) .. 255 (white), truncated.
#include <cstdint>
#include <string>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

constexpr const char* kName = "process_greyscale";

uint8_t GreyLevel(const cPixel& pixel) {
  // Brightness is 0..1, so the product lies in 0..255 before truncation.
  return static_cast<uint8_t>(static_cast<double>(pixel.GetBrightness()) * 255.0);
}

void AppendGreyLevels(const cBitmap& bitmap, cBinWriter& writer) {
  PixelValues levels(bitmap, GreyLevel);
  for (int y = 0; y < bitmap.GetHeight(); ++y) writer.AddBytes(levels.Row(y), bitmap.GetWidth());
}

}  // namespace

bool process_greyscale(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                       cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kName, tokeniser, bitmap, fileName)) return false;
  AppendGreyLevels(bitmap, writer);

  listing.ItemBlock(fileName, tag, address,
                    {bitmap.GetWidth(), bitmap.GetHeight(), writer.GetSize()});
  return true;
}
