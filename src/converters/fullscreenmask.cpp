// "fullscreenmask": a display-wide image, 64, 128 or 192 rows high, as a mask
// byte and a graphic byte for every group of eight pixels, in display order,
// packed into a mask stream.
#include "converters/fullscreenmask.h"

#include <new>
#include <string>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

// Pair: the eight pixels x..x+7 of one row (x a multiple of 8) give
//
//   bit            7    6    5    4    3    2    1    0
//   pixel         x+0  x+1  x+2  x+3  x+4  x+5  x+6  x+7
//   mask byte     1 where the pixel is the mask colour (red 255, green 0, blue 255)
//   graphic byte  1 where the pixel is drawn: any other colour but pure black
//
// A pixel is in at most one of the two bytes, so a group of mask byte FF
// has graphic byte 00. The pair buffer holds the pairs in display order,
// the mask byte first: pair n is at bytes 2n, 2n + 1, where n is the
// group's display offset (DisplayOffset in pixel_helpers.h).
//
// Mask stream: a sequence of records, each beginning with a key byte, the
// mask byte of the first pair it covers:
//
//   key      followed by                        covers
//   00       count n (1..255), n graphic bytes  n pairs of mask byte 00
//   FF       count n (1..255)                   n pairs of mask byte FF (graphics not stored)
//   01..FE   one graphic byte                   the one pair (key, graphic byte)
//   FF       count 00                           nothing: the end record, always last
//
// A longer run of like pairs goes on in a new record with the same key.
// Example: (00,3C) (00,18) (FF,00) (FF,00) (FF,00) (81,24) (81,42) gives
//
//   00 02 3C 18 | FF 03 | 81 24 | 81 42 | ... | FF 00
//
// The longest stream alternates a pair of mask byte 00 (3 bytes) with one of
// any other mask byte (2 bytes): 80 * height + 2 bytes with the end record.

namespace {

constexpr uint8_t kUnmaskedKey = 0x00;
constexpr uint8_t kMaskedKey = 0xFF;
constexpr uint8_t kEndCount = 0x00;
// A count is one byte and 0 marks the end, so runs stop at 255 pairs.
constexpr int kLongestRun = 255;

int PairCount(int height) { return kDisplayBytesPerRow * height; }

uint8_t MaskByte(const uint8_t* pairs, int pair) { return pairs[2 * pair]; }
uint8_t GraphicByte(const uint8_t* pairs, int pair) { return pairs[2 * pair + 1]; }

// Each pixel's two bits, worked out at once (PixelValues packs bit 0 and
// bit 1 of a value).
constexpr uint8_t kMaskBit = 1;
constexpr uint8_t kDrawnBit = 2;

bool IsDrawnColour(const cPixel& pixel) {
  return !pixel.IsMaskColour() && (pixel.red | pixel.green | pixel.blue) != 0;
}

// Number of pairs from `first` on whose mask byte is `mask`, at most
// kLongestRun: four pairs a word (their mask bytes at the word's even
// bytes), the last few one by one.
int RunLength(const uint8_t* pairs, int first, int pairCount, uint8_t mask) {
  constexpr uint64_t kMaskBytes = 0x00FF00FF00FF00FFull;
  constexpr int kPairsPerWord = 4;
  const int end = pairCount - first < kLongestRun ? pairCount : first + kLongestRun;
  const uint64_t masks = EveryByte(mask);
  int pair = first;
  for (; pair + kPairsPerWord <= end; pair += kPairsPerWord) {
    const uint64_t others = NonZeroBytes((LoadEight(pairs + 2 * pair) ^ masks) & kMaskBytes);
    if (others) return pair + FirstFlag(others) / 2 - first;
  }
  while (pair < end && MaskByte(pairs, pair) == mask) ++pair;
  return pair - first;
}

// Writes the mask stream of `pairCount` pairs to `out`, which has room for
// 2.5 bytes per pair plus the end record. Returns the stream's length.
size_t PackMaskStream(const uint8_t* pairs, int pairCount, uint8_t* out) {
  size_t length = 0;
  int pair = 0;
  while (pair < pairCount) {
    const uint8_t key = MaskByte(pairs, pair);
    out[length++] = key;
    if (key == kUnmaskedKey) {
      const int run = RunLength(pairs, pair, pairCount, key);
      out[length++] = static_cast<uint8_t>(run);
      for (int i = 0; i < run; ++i) out[length++] = GraphicByte(pairs, pair + i);
      pair += run;
    } else if (key == kMaskedKey) {
      const int run = RunLength(pairs, pair, pairCount, key);
      out[length++] = static_cast<uint8_t>(run);
      pair += run;
    } else {
      out[length++] = GraphicByte(pairs, pair);
      ++pair;
    }
  }
  out[length++] = kMaskedKey;
  out[length++] = kEndCount;
  return length;
}

}  // namespace

std::unique_ptr<uint8_t[]> grab_fullscreenmask(const cBitmap& bitmap) {
  const int height = bitmap.GetHeight();
  if (bitmap.GetWidth() != kDisplayWidth || !IsWholeThirdsHeight(height)) return nullptr;
  std::unique_ptr<uint8_t[]> pairs(new (std::nothrow) uint8_t[2 * PairCount(height)]);
  if (!pairs) return nullptr;

  const PixelValues bits(bitmap, [](const cPixel& pixel) {
    return (pixel.IsMaskColour() ? kMaskBit : 0) | (IsDrawnColour(pixel) ? kDrawnBit : 0);
  });
  for (int displayRow = 0; displayRow < height; ++displayRow) {
    uint8_t* row = pairs.get() + 2 * kDisplayBytesPerRow * displayRow;
    bits.ForEachGroup(DisplayRow(displayRow), [row](int group, PixelValues::GroupBytes eight) {
      StoreBothBytes(eight, row + 2 * group);  // the mask, then the graphic
    });
  }
  return pairs;
}

bool compress_fullscreenmask(const uint8_t* pairs, int height, cBinWriter& writer) {
  if (!IsWholeThirdsHeight(height)) return false;
  std::unique_ptr<uint8_t[]> stream(new (std::nothrow) uint8_t[MaxMaskStreamSize(height)]);
  if (!stream) return false;
  const size_t length = PackMaskStream(pairs, PairCount(height), stream.get());
  // The stream (at most 15362 bytes) fits any item, so the result is not needed.
  writer.AddBytes(stream.get(), static_cast<int>(length));
  return true;
}

bool process_fullscreenmask(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                            cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument("process_fullscreenmask", tokeniser, bitmap, fileName)) return false;
  const int height = bitmap.GetHeight();
  if (bitmap.GetWidth() != kDisplayWidth || !IsWholeThirdsHeight(height)) {
    Fault("Fullscreenmask image must be 256x64, 256x128 or 256x192\n");
    return false;
  }
  if (!CheckNoPartialTransparency("process_fullscreenmask", fileName, bitmap)) return false;
  const std::unique_ptr<uint8_t[]> pairs = grab_fullscreenmask(bitmap);
  if (!pairs) {
    Fault("Fullscreenmask failed to grab data!\n");
    return false;
  }
  if (!compress_fullscreenmask(pairs.get(), height, writer)) {
    Fault("Fullscreenmask failed to compress data!\n");
    return false;
  }

  listing.ItemBlock(fileName, tag, address, {kDisplayWidth, height, writer.GetSize()});
  return true;
}
