// "colourblock": a small image used as a colour map becomes a block of
// attribute bytes, one per character cell. Each pixel column stands for one
// cell across and each pair of pixel rows for one cell down; the top pixel
// of a pair names the cell's ink, the bottom pixel its paper (palette index
// colours: bits 0-2 colour, bit 3 bright).
// (In a true-colour picture a pixel's index is the display colour its RGB
// names: PixelValues, CheckDisplayColours in pixel_helpers.h.)
//
//   image (W x H, H even)            item (W x H/2 bytes, row after row)
//   row 2r     x: ink index   --->   byte r * W + x = AttributeByte(ink, paper)
//   row 2r + 1 x: paper index
//
// Listing: _width (bytes per row), _height (rows of bytes), _size.
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

const char kConverterName[] = "process_colourblock";

// Appends one attribute byte per column for each pair of rows. Stops at the
// first byte the writer refuses; the writer reports the overflow when the
// item is prepared.
void AppendAttributeRows(const cBitmap& bitmap, cBinWriter& writer) {
  PixelValues indices(bitmap);
  const int rowPairs = bitmap.GetHeight() / 2;
  const size_t width = static_cast<size_t>(bitmap.GetWidth());
  std::vector<uint8_t> attributes(width);
  for (int r = 0; r < rowPairs; ++r) {
    const uint8_t* inks = indices.Row(2 * r);
    const uint8_t* papers = indices.Row(2 * r + 1);
    for (size_t x = 0; x < width; ++x) attributes[x] = AttributeByte(inks[x], papers[x]);
    if (!writer.AddBytes(attributes.data(), static_cast<int>(attributes.size()))) return;
  }
}

}  // namespace

bool process_colourblock(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kConverterName, tokeniser, bitmap, fileName)) return false;
  if (bitmap.GetHeight() % 2 != 0) {
    Fault("process_colourblock image height must be a multiple of 2\n");
    return false;
  }
  if (!CheckDisplayColours(kConverterName, fileName, bitmap)) return false;

  AppendAttributeRows(bitmap, writer);

  listing.ItemBlock(fileName, tag, address,
                    {bitmap.GetWidth(), bitmap.GetHeight() / 2, writer.GetSize()});
  return true;
}
