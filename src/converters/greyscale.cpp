// "greyscale": one byte per pixel, rows from the top, each row from the
// left: pixel (x, y) of a W x H image at byte y * W + x. The byte is the
// pixel's brightness scaled to 0 (black) .. 255 (white), truncated.
#include <cstdint>
#include <string>
#include <vector>

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
  const PixelValues levels(bitmap, GreyLevel);
  // A row at a time keeps the per-pixel work to a table look-up.
  std::vector<uint8_t> row(static_cast<size_t>(bitmap.GetWidth()));
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    levels.ReadRow(y, row.data());
    writer.AddBytes(row.data(), static_cast<int>(row.size()));
  }
}

}  // namespace

bool process_greyscale(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                       int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kName, tokeniser, bitmap, fileName)) return false;
  AppendGreyLevels(bitmap, writer);

  listing.ItemBlock(fileName, tag, address,
                    {bitmap.GetWidth(), bitmap.GetHeight(), writer.GetSize()});
  return true;
}
