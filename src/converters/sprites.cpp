// "maskedsprite" and "unmaskedsprite": one bit per pixel in plain image
// order, rows from the top, eight pixels to a byte (the leftmost in bit 7).
//
// Unmasked sprite, one byte per group of eight pixels:
//
//   graphic  bit = 1 where the pixel is ink (darker than half brightness)
//
// Masked sprite, two bytes per group, mask first:
//
//   mask     bit = 1 where the pixel has the mask colour (red 255, green 0, blue 255)
//   graphic  bit = 1 where the pixel is ink and not the mask colour
//
// A W x H sprite (W a multiple of 8) holds group j of row y at byte
// y * W/8 + j, or at bytes 2 * (y * W/8 + j) and the one after it when masked.
// The two kinds are one procedure; SpriteKind holds everything that differs.
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

struct SpriteKind {
  const char* converterName;
  bool masked;
};

constexpr SpriteKind kMaskedSprite{"process_maskedsprite", true};
constexpr SpriteKind kUnmaskedSprite{"process_unmaskedsprite", false};

// Each pixel's two bits, worked out at once (PixelValues packs bit 0 and
// bit 1 of a value). In a masked sprite the mask colour is never ink; in an
// unmasked one it is judged by brightness like any other.
constexpr uint8_t kMaskBit = 1;
constexpr uint8_t kGraphicBit = 2;

PixelValues SpriteBits(const cBitmap& bitmap, bool masked) {
  return PixelValues(bitmap, [masked](const cPixel& pixel) {
    const bool mask = pixel.IsMaskColour();
    return (mask ? kMaskBit : 0) | (!(masked && mask) && IsInk(pixel) ? kGraphicBit : 0);
  });
}

void AppendSprite(const cBitmap& bitmap, bool masked, cBinWriter& writer) {
  const PixelValues bits = SpriteBits(bitmap, masked);
  const int bytesPerGroup = masked ? 2 : 1;
  std::vector<uint8_t> bytes(static_cast<size_t>(bitmap.GetWidth() / 8 * bytesPerGroup));
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bytes.data();
    // Two loops, not one test a group.
    if (masked) {
      bits.ForEachGroup(y, [row](int group, PixelValues::GroupBytes eight) {
        StoreBothBytes(eight, row + 2 * group);  // the mask, then the graphic
      });
    } else {
      bits.ForEachGroup(
          y, [row](int group, PixelValues::GroupBytes eight) { row[group] = eight.bit1; });
    }
    writer.AddBytes(bytes.data(), static_cast<int>(bytes.size()));
  }
}

bool ProcessSprite(const SpriteKind& kind, const char* tag, CTokeniser& tokeniser,
                   cBinWriter& writer, cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kind.converterName, tokeniser, bitmap, fileName)) return false;
  const int width = bitmap.GetWidth();
  if (width % 8 != 0) {
    Fault("%s image width must be a multiple of 8\n", kind.converterName);
    return false;
  }
  if (kind.masked && !CheckNoPartialTransparency(kind.converterName, fileName, bitmap))
    return false;
  AppendSprite(bitmap, kind.masked, writer);

  listing.ItemBlock(fileName, tag, address,
                    {width, width / 8, bitmap.GetHeight(), writer.GetSize()});
  return true;
}

}  // namespace

bool process_maskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                          cListing& listing, int address) {
  return ProcessSprite(kMaskedSprite, tag, tokeniser, writer, listing, address);
}

bool process_unmaskedsprite(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            cListing& listing, int address) {
  return ProcessSprite(kUnmaskedSprite, tag, tokeniser, writer, listing, address);
}
