// The same picture in every form the loader reads gives every image data
// type exactly what the 8-bit uncompressed BMP of that picture gives: the
// same messages, bytes and listing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pictures_support.h"

namespace {

struct Form {
  const char* name;
  BmpImage (*picture)();
  std::function<Bytes(const BmpImage&)> encode;
};

std::function<Bytes(const BmpImage&)> Bmp(BmpOptions options) {
  return [options](const BmpImage& image) { return EncodeBmp(image, options); };
}

BmpOptions BmpForm(int bits, uint32_t header = 40) {
  BmpOptions options;
  options.bitsPerPixel = bits;
  options.infoHeaderSize = header;
  return options;
}

BmpOptions With(BmpOptions options, const std::function<void(BmpOptions&)>& change) {
  change(options);
  return options;
}

std::function<Bytes(const BmpImage&)> Png(PngColourType type, int depth, bool interlaced = false,
                                          int transparentEntry = -1) {
  PngOptions options;
  options.colourType = type;
  options.bitDepth = depth;
  options.interlaced = interlaced;
  options.transparentEntry = transparentEntry;
  return [options](const BmpImage& image) { return EncodePng(image, options); };
}

// The picture with the mask colour stored as transparent.
std::function<Bytes(const BmpImage&)> TransparentMask(
    std::function<Bytes(const BmpImage&)> encode) {
  return [encode](const BmpImage& image) { return encode(WithTransparentMask(image)); };
}

// The picture with the mask colour's entry changed to a colour of its own,
// which a tRNS chunk names transparent.
std::function<Bytes(const BmpImage&)> TransparentColour(PngColourType type, int depth) {
  return [type, depth](const BmpImage& image) {
    BmpImage stored = image;
    stored.palette[kMaskEntry] = Rgb{1, 2, 3};
    return Png(type, depth, false, kMaskEntry)(stored);
  };
}

const std::vector<Form>& Forms() {
  const auto rle = [](int bits, bool deltas, bool topDown) {
    return With(BmpForm(bits), [=](BmpOptions& o) {
      o.runLength = true;
      o.runLengthDeltas = deltas;
      o.topDown = topDown;
    });
  };
  const auto fields = [](int bits, uint32_t header) {
    return With(BmpForm(bits, header), [](BmpOptions& o) { o.bitFields = true; });
  };
  static const std::vector<Form> forms = {
      // 8-bit palettised, the other layouts
      {"BMP 8-bit, image size 0", DisplayColourPicture,
       Bmp(With(BmpForm(8),
                [](BmpOptions& o) {
                  o.fields32 = {{kBmpImageSize, 0}};
                }))},
      {"BMP 8-bit, 16 palette entries", DisplayColourPicture,
       Bmp(With(BmpForm(8), [](BmpOptions& o) { o.paletteEntries = 16; }))},
      {"BMP 8-bit, top-down", DisplayColourPicture,
       Bmp(With(BmpForm(8), [](BmpOptions& o) { o.topDown = true; }))},
      {"BMP 8-bit, 12-byte header", DisplayColourPicture, Bmp(BmpForm(8, 12))},
      {"BMP 8-bit, 124-byte header", DisplayColourPicture, Bmp(BmpForm(8, 124))},
      // 1 and 4 bits
      {"BMP 1-bit", TwoColourPicture, Bmp(BmpForm(1))},
      {"BMP 1-bit, 12-byte header", TwoColourPicture, Bmp(BmpForm(1, 12))},
      {"BMP 4-bit", DisplayColourPicture, Bmp(BmpForm(4))},
      {"BMP 4-bit, 108-byte header, top-down", DisplayColourPicture,
       Bmp(With(BmpForm(4, 108), [](BmpOptions& o) { o.topDown = true; }))},
      {"BMP 4-bit, 12-byte header", DisplayColourPicture, Bmp(BmpForm(4, 12))},
      // Run-length compressed
      {"BMP RLE8", DisplayColourPicture, Bmp(rle(8, false, false))},
      {"BMP RLE8, deltas", DisplayColourPicture, Bmp(rle(8, true, false))},
      {"BMP RLE8, deltas, top-down", TwoColourPicture, Bmp(rle(8, true, true))},
      {"BMP RLE4", DisplayColourPicture, Bmp(rle(4, false, false))},
      {"BMP RLE4, deltas", TwoColourPicture, Bmp(rle(4, true, false))},
      // True colour
      {"BMP 16-bit 5-5-5", DisplayColourPicture, Bmp(BmpForm(16))},
      {"BMP 16-bit bit fields 5-6-5", DisplayColourPicture, Bmp(fields(16, 40))},
      {"BMP 16-bit bit fields, 56-byte header", DisplayColourPicture, Bmp(fields(16, 56))},
      {"BMP 24-bit", DisplayColourPicture, Bmp(BmpForm(24))},
      {"BMP 24-bit, 12-byte header", DisplayColourPicture, Bmp(BmpForm(24, 12))},
      {"BMP 24-bit, top-down", DisplayColourPicture,
       Bmp(With(BmpForm(24), [](BmpOptions& o) { o.topDown = true; }))},
      {"BMP 32-bit", DisplayColourPicture, Bmp(BmpForm(32))},
      {"BMP 32-bit, alpha byte", DisplayColourPicture, TransparentMask(Bmp(BmpForm(32)))},
      {"BMP 32-bit bit fields, 52-byte header", DisplayColourPicture, Bmp(fields(32, 52))},
      {"BMP 32-bit bit fields, alpha mask", DisplayColourPicture,
       TransparentMask(Bmp(fields(32, 124)))},
      {"BMP 32-bit bit fields, red in the low byte", DisplayColourPicture,
       TransparentMask(Bmp(With(fields(32, 108),
                                [](BmpOptions& o) {
                                  o.redMask = 0xFF;
                                  o.greenMask = 0xFF00;
                                  o.blueMask = 0xFF0000;
                                  o.alphaMask = 0xFF000000u;
                                })))},
      // PNG with a palette
      {"PNG palette 1-bit", TwoColourPicture, Png(kPngPalette, 1)},
      {"PNG palette 2-bit", TwoColourPicture, Png(kPngPalette, 2)},
      {"PNG palette 4-bit", DisplayColourPicture, Png(kPngPalette, 4)},
      {"PNG palette 8-bit, interlaced", DisplayColourPicture, Png(kPngPalette, 8, true)},
      {"PNG palette 8-bit, transparent entry", DisplayColourPicture,
       TransparentMask(Png(kPngPalette, 8))},
      // PNG in true colour
      {"PNG RGB 8-bit", DisplayColourPicture, Png(kPngRgb, 8)},
      {"PNG RGB 16-bit, interlaced", DisplayColourPicture, Png(kPngRgb, 16, true)},
      {"PNG RGB 8-bit, transparent colour", DisplayColourPicture, TransparentColour(kPngRgb, 8)},
      {"PNG RGBA 8-bit", DisplayColourPicture, TransparentMask(Png(kPngRgba, 8))},
      {"PNG RGBA 16-bit, interlaced", DisplayColourPicture,
       TransparentMask(Png(kPngRgba, 16, true))},
      {"PNG grey 1-bit", BlackAndWhitePicture, Png(kPngGrey, 1)},
      {"PNG grey 2-bit", BlackAndWhitePicture, Png(kPngGrey, 2)},
      {"PNG grey 4-bit, interlaced", BlackAndWhitePicture, Png(kPngGrey, 4, true)},
      {"PNG grey 8-bit", BlackAndWhitePicture, Png(kPngGrey, 8)},
      {"PNG grey 16-bit", BlackAndWhitePicture, Png(kPngGrey, 16)},
      {"PNG grey and alpha 8-bit", BlackAndWhitePicture, Png(kPngGreyAlpha, 8)},
      {"PNG grey and alpha 16-bit", BlackAndWhitePicture, Png(kPngGreyAlpha, 16)},
  };
  return forms;
}

TEST(PictureFormsTest, EveryFormGivesTheBytesOfThe8BitBmp) {
  TempDir dir;
  for (BmpImage (*picture)() : {DisplayColourPicture, TwoColourPicture, BlackAndWhitePicture}) {
    const BmpImage image = picture();
    const Bytes reference = EncodeBmp(image);
    std::vector<ConverterRun> expected;
    for (const ImageDataType& type : ImageDataTypes()) {
      expected.push_back(RunOnPictureFile(dir, type, reference));
      ASSERT_TRUE(expected.back().result) << type.word << "\n" << expected.back().output;
    }
    for (const Form& form : Forms()) {
      if (form.picture != picture) continue;
      const Bytes file = form.encode(image);
      for (size_t t = 0; t < ImageDataTypes().size(); ++t) {
        const ConverterRun run = RunOnPictureFile(dir, ImageDataTypes()[t], file);
        const std::string where = std::string(form.name) + " x " + ImageDataTypes()[t].word;
        EXPECT_EQ(run.result, expected[t].result) << where << "\n" << run.output;
        EXPECT_EQ(run.output, expected[t].output) << where;
        EXPECT_TRUE(run.bytes == expected[t].bytes) << where;
        EXPECT_EQ(run.listing, expected[t].listing) << where;
      }
    }
  }
}

}  // namespace
