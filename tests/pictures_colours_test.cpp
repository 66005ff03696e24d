// How the colours of true-colour pictures and the transparency of any
// picture reach the converters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pictures_support.h"

namespace {

// ---------------------------------------------------------------------------
// The display colour an RGB colour names.

TEST(DisplayColoursTest, TheColourAnRgbNames) {
  struct Case {
    uint8_t red, green, blue;
    int colour;
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      {0, 0, 0xD7, 1},
      {0xD7, 0, 0, 2},
      {0xC0, 0, 0xC0, 3},
      {0, 0xD8, 0, 4},
      {0, 0xCD, 0xCD, 5},
      {0xD6, 0xD7, 0, 6},
      {0xD7, 0xD7, 0xD7, 7},
      {0, 0, 0xFF, 9},
      {0xFF, 0, 0xFF, 11},
      {0xFF, 0xFF, 0xFF, 15},
      {0xFF, 0xFF, 0, 14},
      // Outside the dull range, or dull and bright together
      {0xBF, 0, 0, kNoDisplayColour},
      {0xD9, 0, 0, kNoDisplayColour},
      {0xFE, 0xFE, 0xFE, kNoDisplayColour},
      {0xFF, 0xD7, 0, kNoDisplayColour},
      {0x7F, 0x3A, 0x10, kNoDisplayColour},
      {1, 0, 0, kNoDisplayColour},
      {0xD7, 0, 1, kNoDisplayColour},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayColourIndex(c.red, c.green, c.blue), c.colour)
        << int(c.red) << "," << int(c.green) << "," << int(c.blue);
  }
  // The colours drawn for each display colour name it again (bright black is black).
  for (int colour = 0; colour < 16; ++colour) {
    const DisplayRgb rgb = DisplayColourRgb(colour & kColourBits, colour & kBrightBit);
    EXPECT_EQ(DisplayColourIndex(rgb.red, rgb.green, rgb.blue), colour == 8 ? 0 : colour);
  }
}

// ---------------------------------------------------------------------------
// A true-colour pixel that names no display colour stops the converters
// that read palette indices; a palettised picture keeps the index rule.

constexpr uint8_t kOddEntry = 20;

// The display-colour picture with pixel (x, y) of its own colour, the rest
// of its cell in one colour, so that the cell keeps two.
BmpImage WithPixel(int x, int y, Rgb colour, uint8_t alpha = 255) {
  BmpImage image = DisplayColourPicture();
  for (int cellY = y / 8 * 8; cellY < y / 8 * 8 + 8; ++cellY) {
    for (int cellX = x / 8 * 8; cellX < x / 8 * 8 + 8; ++cellX)
      image.indices[static_cast<size_t>(cellY) * image.width + cellX] = 9;
  }
  image.palette.resize(256, Rgb{0, 0, 0});
  image.palette[kOddEntry] = colour;
  image.paletteAlpha.assign(256, 255);
  image.paletteAlpha[kOddEntry] = alpha;
  image.indices[static_cast<size_t>(y) * image.width + x] = kOddEntry;
  return image;
}

BmpOptions TrueColour(int bits) {
  BmpOptions options;
  options.bitsPerPixel = bits;
  return options;
}

TEST(TrueColourPicturesTest, APixelOfNoDisplayColourIsRefusedByTheIndexConverters) {
  const BmpImage image = WithPixel(17, 40, {0x7F, 0x3A, 0x10});
  TempDir dir;
  for (const ImageDataType& type : ImageDataTypes()) {
    const std::string word = type.word;
    const bool readsIndices = word == "titlescreen" || word == "colourblock" ||
                              word == "colourtile" || word == "tilepicture";
    const ConverterRun trueColour = RunOnPictureFile(dir, type, EncodeBmp(image, TrueColour(24)));
    EXPECT_EQ(trueColour.result, !readsIndices) << word;
    if (readsIndices) {
      const std::string path = dir / "picture";
      EXPECT_EQ(trueColour.output, LoadedLines(path, 256, 192) + "process_" + word + ": '" + path +
                                       "' pixel (17, 40) is #7F3A10, not one of the display's "
                                       "colours\n")
          << word;
      EXPECT_TRUE(trueColour.bytes.empty()) << word;
      EXPECT_EQ(trueColour.listing, "") << word;
    }
    // The same colour in a palette is read by its index, as always.
    EXPECT_TRUE(RunOnPictureFile(dir, type, EncodeBmp(image)).result) << word;
  }
}

// ---------------------------------------------------------------------------
// Transparency: alpha 0 is the mask colour for every converter; a partly
// transparent pixel is refused where masks are read and opaque elsewhere.

TEST(TransparencyTest, PartlyTransparentPixelsAreRefusedOnlyWhereMasksAreRead) {
  const Rgb yellow{0xFF, 0xFF, 0};
  const BmpImage opaque = WithPixel(3, 5, yellow);
  const BmpImage partly = WithPixel(3, 5, yellow, 128);
  struct Form {
    const char* name;
    PngColourType type;
  };
  TempDir dir;
  for (const Form& form : {Form{"PNG RGBA", kPngRgba}, Form{"PNG palette", kPngPalette}}) {
    PngOptions options;
    options.colourType = form.type;
    for (const ImageDataType& type : ImageDataTypes()) {
      const std::string word = type.word;
      const ConverterRun expected = RunOnPictureFile(dir, type, EncodePng(opaque, options));
      const ConverterRun run = RunOnPictureFile(dir, type, EncodePng(partly, options));
      const std::string where = std::string(form.name) + " x " + word;
      if (word == "maskedsprite" || word == "fullscreenmask") {
        const std::string path = dir / "picture";
        EXPECT_EQ(run.output, LoadedLines(path, 256, 192) + "process_" + word + ": '" + path +
                                  "' pixel (3, 5) has alpha 128, neither opaque nor transparent\n")
            << where;
        EXPECT_FALSE(run.result) << where;
      } else {
        ASSERT_TRUE(expected.result) << where << expected.output;
        EXPECT_EQ(run.output, expected.output) << where;
        EXPECT_TRUE(run.bytes == expected.bytes) << where;
      }
    }
  }
}

TEST(TransparencyTest, TransparentPixelsReadAsTheMaskColour) {
  // Pixel (0, 0) transparent red; the rest opaque red.
  BmpImage image = FilledImage(2, 1, 0, {{0xFF, 0, 0}, {0xFF, 0, 0}});
  image.indices = {1, 0};
  image.paletteAlpha = {255, 0};
  struct Case {
    const char* name;
    Bytes file;
    int transparentIndex;  // what GetPixelIndex gives the transparent pixel
  };
  PngOptions rgba, palette;
  rgba.colourType = kPngRgba;
  BmpOptions alphaMask;
  alphaMask.bitsPerPixel = 32;
  alphaMask.bitFields = true;
  alphaMask.infoHeaderSize = 56;
  const Case cases[] = {
      {"PNG palette, tRNS", EncodePng(image, palette), 1},  // its index, as always
      {"PNG RGBA", EncodePng(image, rgba), 11},             // bright magenta
      {"BMP 32-bit alpha mask", EncodeBmp(image, alphaMask), 11},
  };
  for (const Case& c : cases) {
    cBitmap bitmap;
    ASSERT_TRUE(DecodeCapturing(bitmap, c.file).loaded) << c.name;
    const cPixel transparent = bitmap.GetPixel(0, 0);
    EXPECT_TRUE(transparent.IsMaskColour()) << c.name;
    EXPECT_EQ(transparent.alpha, 0) << c.name;
    EXPECT_EQ(bitmap.GetPixelIndex(0, 0), c.transparentIndex) << c.name;
    const cPixel opaque = bitmap.GetPixel(1, 0);
    EXPECT_EQ(std::vector<int>({opaque.red, opaque.green, opaque.blue, opaque.alpha}),
              std::vector<int>({255, 0, 0, 255}))
        << c.name;
  }
}

}  // namespace
