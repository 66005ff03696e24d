#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_test_helpers.h"

namespace {

std::string GreyListing(const std::string& path, const std::string& tag, int address, int width,
                        int height) {
  return "; Data type: greyscale\n; Input file: " + path + "\n" + tag + "_address equ " +
         std::to_string(address) + "\n" + tag + "_width equ " + std::to_string(width) + "\n" + tag +
         "_height equ " + std::to_string(height) + "\n" + tag + "_size equ " +
         std::to_string(width * height) + "\n";
}

// One pixel per colour, each colour at a palette index of 16 or above.
TEST(GreyscaleTest, LevelTable) {
  struct Case {
    Rgb colour;
    uint8_t level;
  };
  const Case cases[] = {
      {{0, 0, 0}, 0},         {{255, 255, 255}, 255}, {{255, 0, 0}, 76},
      {{0, 255, 0}, 102},     {{0, 0, 255}, 76},      {{255, 0, 255}, 153},
      {{200, 100, 50}, 115},  {{170, 0, 255}, 127},  // brightness exactly 0.5: 127.5 truncated
      {{0, 150, 225}, 127},                          // the same
      {{127, 127, 127}, 127}, {{128, 128, 128}, 128},
  };
  BmpImage image;
  image.width = static_cast<int>(std::size(cases));
  image.height = 1;
  image.palette = GreyPalette();
  Bytes expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const uint8_t index = static_cast<uint8_t>(16 + 13 * i);
    image.palette[index] = cases[i].colour;
    image.indices.push_back(index);
    expected.push_back(cases[i].level);
  }
  const ImageRun run = ConvertImage(process_greyscale, image);
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.bytes, expected);
}

// Over the grey palette every index is its own grey, so the bytes are the
// picture's indices in row order: pixel (x, y) at y * W + x.
TEST(GreyscaleTest, EveryGreyKeepsItsLevelInRowOrder) {
  BmpImage image = FilledImage(16, 16, 0);
  for (int i = 0; i < 256; ++i) image.indices[i] = static_cast<uint8_t>(i * 7 + 3);
  const ImageRun run = ConvertImage(process_greyscale, image);
  ASSERT_TRUE(run.result);
  EXPECT_EQ(run.bytes, image.indices);
}

TEST(GreyscaleTest, SizesAndListing) {
  struct Case {
    int width, height;
  };
  const Case cases[] = {{1, 1}, {7, 3}, {3, 7}, {256, 192}};
  for (const Case& c : cases) {
    BmpImage image = RandomImage(c.width, c.height, 3);
    image.palette = GreyPalette();
    const ImageRun run = ConvertImage(process_greyscale, image, {}, "fog", 50000);
    ASSERT_TRUE(run.result) << c.width << "x" << c.height;
    EXPECT_EQ(run.output, LoadedLines(run.path, c.width, c.height));
    EXPECT_EQ(run.bytes, image.indices) << c.width << "x" << c.height;
    EXPECT_EQ(run.listing, GreyListing(run.path, "fog", 50000, c.width, c.height));
  }
}

TEST(GreyscaleTest, IndicesPlayNoPart) {
  const BmpImage image = ImageFromRows({"ab", "ba"}, {{'a', 9}, {'b', 201}},
                                       GreysWith({{9, {200, 100, 50}}, {201, {200, 100, 50}}}));
  EXPECT_EQ(ConvertImage(process_greyscale, image).bytes, Repeat(115, 4));
}

// The same picture stored in any layout converts to the same bytes.
TEST(GreyscaleTest, LayoutVariantsConvertTheSame) {
  const BmpImage image = RandomImage(13, 9, 21);
  const Bytes reference = ConvertImage(process_greyscale, image).bytes;
  ASSERT_EQ(reference.size(), 13u * 9u);
  for (uint32_t infoSize : {40u, 108u, 124u}) {
    for (size_t trailing : {size_t{0}, size_t{3}, size_t{1024}}) {
      for (bool topDown : {false, true}) {
        BmpOptions options;
        options.infoHeaderSize = infoSize;
        options.trailingBytes = trailing;
        options.topDown = topDown;
        EXPECT_EQ(ConvertImage(process_greyscale, image, options).bytes, reference)
            << "info " << infoSize << ", trailing " << trailing << (topDown ? ", top-down" : "");
      }
    }
  }
}

TEST(GreyscaleTest, Failures) {
  TempDir dir;
  const std::string absent = dir / "absent.bmp";
  const struct {
    std::string arguments, expected;
  } cases[] = {
      {"1", "process_greyscale expected filename\n"},
      {"", "process_greyscale expected filename\n"},
      {"@", "process_greyscale expected filename\n"},
      {"\"" + absent + "\"",
       "Loading bitmap image '" + absent +
           "'\n Couldn't open/read BMP file\nprocess_greyscale couldn't open '" + absent + "'\n"},
  };
  for (const auto& c : cases) {
    const ConverterRun run = RunConverter(process_greyscale, c.arguments);
    EXPECT_FALSE(run.result) << c.arguments;
    EXPECT_EQ(run.output, c.expected);
    EXPECT_TRUE(run.bytes.empty());
    EXPECT_EQ(run.listing, "");
  }
}

// More pixels than an item holds: the writer refuses the item.
TEST(GreyscaleScriptTest, ImageLargerThanAnItemFails) {
  TempDir dir;
  WriteBmp(dir / "big.bmp", FilledImage(256, 201, 9));  // 51456 bytes
  const InProcessRun run =
      RunScriptText("big compressnone greyscale \"" + (dir / "big.bmp") + "\"");
  EXPECT_FALSE(run.result);
  EXPECT_NE(run.output.find("Error preparing outputting data\n"), std::string::npos) << run.output;
  EXPECT_TRUE(run.binary.empty());
}

TEST(GreyscaleScriptTest, EndToEndWithHeaders) {
  TempDir dir;
  const BmpImage image = ImageFromRows({"abc", "cba"}, {{'a', 0}, {'b', 200}, {'c', 255}},
                                       GreysWith({{200, {200, 100, 50}}}));
  WriteBmp(dir / "fog.bmp", image);
  const ScriptRun result = RunScriptFile(dir,
                                         "headers on\n"
                                         "org 40000\n"
                                         "fog compressnone greyscale \"fog.bmp\"\n");
  EXPECT_EQ(result.run.output, LoadedLines("fog.bmp", 3, 2) + "Done\n");
  EXPECT_EQ(result.run.status, 0);
  EXPECT_EQ(result.binary, (Bytes{0, 6, 0, 0, 115, 255, 255, 115, 0}));
  EXPECT_EQ(result.listing, Banner("script.kst") +
                                "; Output headers set to on\n\n\n"
                                "; Base address set to: 40000\n\n\n" +
                                GreyListing("fog.bmp", "fog", 40003, 3, 2) +
                                "; 6 bytes written\n; no compression used\n"
                                "; Header: 0,6\nfog_id equ 0\n\n\n" +
                                Totals(6));
}

}  // namespace
