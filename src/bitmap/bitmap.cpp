#include "bitmap/bitmap.h"

#include <cstdio>
#include <cstring>

#include "bitmap/bmp_decoder.h"
#include "bitmap/display_colours.h"
#include "bitmap/png_decoder.h"
#include "io/console.h"
#include "io/input_file.h"

namespace {

constexpr PaletteEntry kMaskColour{255, 0, 255, 0};

// A fully transparent pixel or palette entry is the mask colour, for every
// converter; its alpha stays 0.
void MaskTransparentColours(DecodedPicture& picture) {
  const uint32_t alphaBits = EntryWord(PaletteEntry{0, 0, 0, 255});
  const uint32_t maskColour = EntryWord(kMaskColour);
  if (picture.paletteHasAlpha) {
    for (PaletteEntry& entry : picture.palette) {
      const uint32_t word = EntryWord(entry);
      entry = WordEntry((word & alphaBits) == 0 ? maskColour : word);
    }
  }
  if (!picture.trueColour) return;
  // True colour is always in a store of the decoder's own, rows one after another.
  const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  uint8_t* pixel = picture.pixels.get();
  for (size_t i = 0; i < count; ++i, pixel += kTrueColourBytes) {
    if (pixel[3] == 0) {
      pixel[0] = kMaskColour.blue;
      pixel[1] = kMaskColour.green;
      pixel[2] = kMaskColour.red;
    }
  }
}

}  // namespace

bool cPixel::IsMaskColour() const { return red == 255 && green == 0 && blue == 255; }

float cPixel::GetBrightness() const {
  const double sum = static_cast<double>(0.3f) * blue + static_cast<double>(0.4f) * green +
                     static_cast<double>(0.3f) * red;
  return static_cast<float>(sum / 255.0);
}

void cBitmap::Free() {
  picture_.pixels.reset();
  loaded_ = false;
}

bool cBitmap::Load(const char* fileName) { return Load(fileName, true); }

bool cBitmap::LoadIfPresent(const char* fileName) { return Load(fileName, false); }

bool cBitmap::Load(const char* fileName, bool missingIsFault) {
  Progress("Loading bitmap image '%s'\n", fileName);
  InputBytes file;
  const InputStatus status = ReadInputFile(fileName, kMaxPictureFileBytes, file);
  missing_ = status == InputStatus::kMissing;
  switch (status) {
    case InputStatus::kRead:
      break;
    case InputStatus::kTooLarge:
      Fault(" Bitmap file is too large ( at most %d bytes: no usable picture needs more )\n",
            static_cast<int>(kMaxPictureFileBytes));
      return false;
    case InputStatus::kMissing:
      if (!missingIsFault) {
        Progress(" Couldn't open/read BMP file\n");
        return false;
      }
      [[fallthrough]];
    case InputStatus::kCannotOpen:
    case InputStatus::kReadError:
    case InputStatus::kIsAnOutput:
      Fault(" Couldn't open/read BMP file\n");
      return false;
  }
  return Decode(file);
}

bool cBitmap::Decode(const uint8_t* file, size_t size) {
  InputBytes copy;
  copy.data.reset(new uint8_t[size > 0 ? size : 1]);
  if (size > 0) memcpy(copy.data.get(), file, size);
  copy.size = size;
  return Decode(copy);
}

bool cBitmap::Decode(InputBytes& file) {
  DecodedPicture picture;
  const bool decoded = IsPngFile(file.data.get(), file.size)
                           ? DecodePng(file.data.get(), file.size, picture)
                           : DecodeBmp(file, picture);
  if (!decoded) return false;
  MaskTransparentColours(picture);
  picture_ = std::move(picture);
  Progress("Loaded bitmap ok!\n");
  loaded_ = true;
  return true;
}

cPixel cBitmap::TrueColourPixel(int x, int y) const {
  const uint8_t* colour = picture_.Row(y) + kTrueColourBytes * static_cast<size_t>(x);
  cPixel pixel;
  pixel.blue = colour[0];
  pixel.green = colour[1];
  pixel.red = colour[2];
  pixel.alpha = colour[3];
  const int displayColour = DisplayColourIndex(pixel.red, pixel.green, pixel.blue);
  pixel.index = static_cast<uint8_t>(displayColour == kNoDisplayColour ? 0 : displayColour);
  return pixel;
}

cPixel cBitmap::RefusePixel() const {
  if (!loaded_)
    printf(" Trying to grab a pixel from an unloaded image!\n");
  else
    printf(" Trying to grab pixel from outside image!\n");
  return cPixel();
}

int cBitmap::RefusePixelIndex() const {
  if (!loaded_)
    printf(" Trying to grab a pixel index from an unloaded image!\n");
  else
    printf(" Trying to grab pixel index from outside image!\n");
  return 0;
}
