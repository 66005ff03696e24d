// Fuzz target 5: a fuzzed picture file decoded from memory (BMP in every
// form, PNG), then read the way the converters read it: per-pixel values of
// a rule, the display-colour and transparency checks, every pixel's colour.
// No file is written, so thousands of inputs run a second.
//
// Besides the sanitizers, it checks that
//   - a refused file leaves the bitmap unloaded;
//   - a decoded picture has a size above 0 and within the pixel limit;
//   - a palettised picture's pixels are its palette entries, and a
//     true-colour picture's pixel index is the display colour its RGB names;
//   - a transparent pixel is the mask colour.
#include <algorithm>
#include <cstdint>

#include "bitmap/bitmap.h"
#include "bitmap/display_colours.h"
#include "converters/pixel_helpers.h"
#include "fuzz_support.h"

namespace {

// Pixels read per input, at most: a few fuzzed bytes can make a picture of
// millions of pixels, whose every pixel read would slow the search for
// little gain (the decoder has written them all).
constexpr int64_t kPixelsRead = 65536;

void CheckPixels(const cBitmap& bitmap, int rows) {
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      const cPixel pixel = bitmap.GetPixel(x, y);
      if (pixel.alpha == 0 && !pixel.IsMaskColour())
        fuzz::Fail("a transparent pixel kept its colour");
      if (!bitmap.IsTrueColour()) {
        const cPixel entry =
            bitmap.GetPaletteEntry(static_cast<uint8_t>(bitmap.GetPixelIndex(x, y)));
        if (entry.red != pixel.red || entry.green != pixel.green || entry.blue != pixel.blue ||
            entry.alpha != pixel.alpha)
          fuzz::Fail("a pixel differs from its palette entry");
        continue;
      }
      const int named = DisplayColourIndex(pixel.red, pixel.green, pixel.blue);
      if (pixel.index != (named == kNoDisplayColour ? 0 : named))
        fuzz::Fail("a true-colour pixel's index is not the colour it names");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  cBitmap bitmap;
  if (!bitmap.Decode(data, size)) {
    if (bitmap.IsLoaded()) fuzz::Fail("a refused picture is loaded");
    return 0;
  }
  const int64_t width = bitmap.GetWidth();
  const int64_t height = bitmap.GetHeight();
  if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels)
    fuzz::Fail("a picture of a size the loader refuses");

  const int rows = static_cast<int>(std::min(height, std::max<int64_t>(1, kPixelsRead / width)));
  CheckPixels(bitmap, rows);
  if (width * height > kPixelsRead) return 0;

  PixelValues ink(bitmap, IsInk);
  const PixelValues indices(bitmap);
  const auto keep = [](int, PixelValues::GroupBytes) {};
  for (int y = 0; y < height; ++y) {
    ink.Row(y);
    ink.ForEachGroup(y, keep);
    indices.ForEachGroup(y, keep);
  }
  CheckDisplayColours("fuzz", "picture", bitmap);
  CheckNoPartialTransparency("fuzz", "picture", bitmap);
  return 0;
}
