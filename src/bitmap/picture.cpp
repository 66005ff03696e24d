#include "bitmap/picture.h"

#include <cstdio>
#include <new>

#include "io/console.h"

void PrintPictureSize(int64_t width, int64_t height) {
  Progress(" Bitmap image is %lldx%lld\n", static_cast<long long>(width),
           static_cast<long long>(height));
}

bool CheckPicturePixels(int64_t width, int64_t height) {
  // Division rather than a product that could wrap.
  if (width == 0 || height <= kMaxPicturePixels / width) return true;
  Fault(" Bitmap image is too large ( at most %d pixels: no item holds more )\n",
        static_cast<int>(kMaxPicturePixels));
  return false;
}

bool AllocatePixels(DecodedPicture& picture) {
  const size_t bytesPerPixel = picture.trueColour ? kTrueColourBytes : 1;
  const size_t count =
      static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * bytesPerPixel;
  picture.pixels.reset(new (std::nothrow) uint8_t[count]());
  picture.firstRow = 0;
  picture.rowStep = static_cast<int64_t>(static_cast<size_t>(picture.width) * bytesPerPixel);
  if (picture.pixels) return true;
  Fault(" Couldn't malloc space for image\n");
  return false;
}
