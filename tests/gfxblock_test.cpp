#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_test_helpers.h"

namespace {

constexpr uint8_t kBlack = 0;
constexpr uint8_t kWhite = 255;

std::string GfxListing(const std::string& path, const std::string& tag, int address, int height) {
  return "; Data type: gfx block\n; Input file: " + path + "\n" + tag + "_address equ " +
         std::to_string(address) + "\n" + tag + "_width equ 256\n" + tag + "_height equ " +
         std::to_string(height) + "\n" + tag + "_size equ " + std::to_string(32 * height) + "\n";
}

// A 256-wide image whose rows say which row they are: byte 0 of row y holds
// y, byte c (c > 0) holds c; a set bit is a black pixel.
BmpImage RowNumberImage(int height) {
  BmpImage image = FilledImage(256, height, kWhite);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int value = x < 8 ? y : x / 8;
      if (value & (0x80 >> (x % 8))) image.indices[static_cast<size_t>(y) * 256 + x] = kBlack;
    }
  }
  return image;
}

// A deliberately plain encoder: each pixel's bit placed by the offset formula.
Bytes PlainGfxBlock(const BmpImage& image) {
  Bytes out(static_cast<size_t>(32 * image.height), 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int offset = 2048 * (y / 64) + 256 * (y % 8) + 32 * ((y / 8) % 8) + x / 8;
      if (PixelOf(image, x, y).GetBrightness() < 0.5f) out[offset] |= 0x80 >> (x % 8);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------

TEST(GfxBlockTest, DisplayOrderRows) {
  struct Case {
    int row;
    int offset;
  };
  const Case cases[] = {
      {0, 0}, {8, 32}, {1, 256}, {9, 288}, {63, 1792 + 224}, {64, 2048}, {70, 3584}, {191, 6112},
  };
  const ImageRun run = ConvertImage(process_gfxblock, RowNumberImage(192));
  ASSERT_TRUE(run.result) << run.output;
  ASSERT_EQ(run.bytes.size(), 6144u);
  for (const Case& c : cases) {
    EXPECT_EQ(run.bytes[c.offset], c.row) << "row " << c.row;
    for (int column = 1; column < 32; ++column) {
      EXPECT_EQ(run.bytes[c.offset + column], column) << "row " << c.row << " column " << column;
    }
  }
}

TEST(GfxBlockTest, HeightsAndListing) {
  for (int height : {64, 128, 192}) {
    const BmpImage image = RowNumberImage(height);
    const ImageRun run = ConvertImage(process_gfxblock, image, {}, "logo", 32771);
    ASSERT_TRUE(run.result) << height << "\n" << run.output;
    EXPECT_EQ(run.output, LoadedLines(run.path, 256, height));
    EXPECT_EQ(run.bytes, PlainGfxBlock(image)) << height;
    EXPECT_EQ(run.listing, GfxListing(run.path, "logo", 32771, height));
  }
}

TEST(GfxBlockTest, MatchesPlainEncoderOnGeneratedImages) {
  for (uint32_t seed : {7u, 8u}) {
    for (int height : {64, 192}) {
      const BmpImage image = RandomImage(256, height, seed);
      const ImageRun run = ConvertImage(process_gfxblock, image);
      ASSERT_TRUE(run.result);
      EXPECT_EQ(run.bytes, PlainGfxBlock(image)) << "seed " << seed << " height " << height;
    }
  }
}

// Each colour fills the first pixel of every group; the rest is white.
TEST(GfxBlockTest, InkRule) {
  struct Case {
    const char* name;
    Rgb colour;
    bool ink;
  };
  const Case cases[] = {
      {"black", {0, 0, 0}, true},
      {"grey 127", {127, 127, 127}, true},
      {"grey 128", {128, 128, 128}, false},
      {"brightness exactly 0.5", {0, 150, 225}, false},
      {"brightness exactly 0.5, red and blue", {170, 0, 255}, false},
      {"mask colour is paper by brightness", {255, 0, 255}, false},
  };
  for (const Case& c : cases) {
    for (uint8_t index : {uint8_t{3}, uint8_t{16}, uint8_t{200}}) {
      BmpImage image = FilledImage(256, 64, kWhite, GreysWith({{index, c.colour}}));
      for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; x += 8) image.indices[static_cast<size_t>(y) * 256 + x] = index;
      }
      const ImageRun run = ConvertImage(process_gfxblock, image);
      ASSERT_TRUE(run.result);
      EXPECT_EQ(run.bytes, Repeat(c.ink ? 0x80 : 0x00, 2048))
          << c.name << " at index " << int(index);
    }
  }
}

TEST(GfxBlockTest, Failures) {
  ExpectSizesRefused(process_gfxblock, {
      {"narrow", 255, 192, "process_gfxblock image width must be 256\n"},
      {"wide", 264, 64, "process_gfxblock image width must be 256\n"},
      {"width checked first", 255, 100, "process_gfxblock image width must be 256\n"},
      {"height 100", 256, 100, "process_gfxblock image height must be 64, 128 or 192\n"},
      {"height 63", 256, 63, "process_gfxblock image height must be 64, 128 or 192\n"},
      {"height 256", 256, 256, "process_gfxblock image height must be 64, 128 or 192\n"},
  }, kBlack);
}

TEST(GfxBlockScriptTest, EndToEndWithHeaders) {
  TempDir dir;
  const BmpImage image = RowNumberImage(64);
  WriteBmp(dir / "logo.bmp", image);
  const ScriptRun result = RunScriptFile(dir,
                                         "headers on\n"
                                         "org 32768\n"
                                         "logo compressnone gfxblock \"logo.bmp\"\n");
  EXPECT_EQ(result.run.output, LoadedLines("logo.bmp", 256, 64) + "Done\n");
  EXPECT_EQ(result.run.status, 0);
  EXPECT_EQ(result.binary, Concat({{0, 0x00, 0x08}, PlainGfxBlock(image)}));
  EXPECT_EQ(result.listing, Banner("script.kst") +
                                "; Output headers set to on\n\n\n"
                                "; Base address set to: 32768\n\n\n" +
                                GfxListing("logo.bmp", "logo", 32771, 64) +
                                "; 2048 bytes written\n; no compression used\n"
                                "; Header: 0,2048\nlogo_id equ 0\n\n\n" +
                                Totals(2048));
}

}  // namespace
