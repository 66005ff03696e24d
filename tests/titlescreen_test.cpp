#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_test_helpers.h"

namespace {

constexpr int kBitmapSize = 6144;
constexpr int kScreenSize = 6912;

// The offset of the byte of pixels x..x+7 of row y, from the bit layout:
// y bits 7-6, y bits 2-0, y bits 5-3, x bits 7-3.
int PlainDisplayOffset(int x, int y) {
  return ((y >> 6) & 3) << 11 | (y & 7) << 8 | ((y >> 3) & 7) << 5 | (x >> 3);
}

int AttributeOffset(int cellX, int cellY) { return kBitmapSize + 32 * cellY + cellX; }

std::string ScreenListing(const std::string& path, const std::string& tag, int address) {
  return "; Data type: gfx block\n; Input file: " + path + "\n" + tag + "_address equ " +
         std::to_string(address) + "\n" + tag + "_width equ 256\n" + tag + "_height equ 192\n" +
         tag + "_size equ 6912\n";
}

// Palette indices by character: hex digits are 0-15; g is 18, h is 24 and
// i is 143, indices above 15 read by their low four bits.
uint8_t IndexOf(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  if (c == 'g') return 18;
  if (c == 'h') return 24;
  if (c == 'i') return 143;
  ADD_FAILURE() << "no index for '" << c << "'";
  return 0;
}

// ---------------------------------------------------------------------------
// One cell, placed at (5, 10) of a screen that is white elsewhere.

struct CellCase {
  const char* name;
  std::vector<std::string> rows;  // 8 rows of 8 characters, top-left pixel first
  uint8_t attribute;
  const char* ink;  // the characters whose pixels are set bits
};

TEST(TitleScreenTest, CellTable) {
  const CellCase cases[] = {
      // The worked examples
      {"only 7 (white)", std::vector<std::string>(8, "77777777"), 0x07, "7"},
      {"only 9 (bright blue)", std::vector<std::string>(8, "99999999"), 0x41, "9"},
      {"black, then bright yellow",
       {"0eeeeeee", "e0e0e0e0", "0000eeee", "0000eeee", "eeeeeeee", "00000000", "0eeeeee0",
        "e000000e"},
       0x70,
       "0"},
      {"bright white, then red",
       {"f2222222", "2f2f2f2f", "ffff2222", "ffffffff", "22222222", "f2f2f2f2", "2ff22ff2",
        "ffff2fff"},
       0x57,
       "f"},
      {"red, then bright white",
       {"2fffffff", "2f2f2f2f", "ffff2222", "ffffffff", "22222222", "f2f2f2f2", "2ff22ff2",
        "ffff2fff"},
       0xFA,
       "2"},
      {"red, then bright red",
       {"2a2a2a2a", "aaaaaaaa", "22222222", "2a2a2a2a", "a2a2a2a2", "aaaa2222", "2222aaaa",
        "a22aa22a"},
       0xD2,
       "2a"},
      {"2, then 4, then 6",
       {"24444444", "44444444", "22222222", "42424242", "44444444", "44444444", "44444444",
        "44444446"},
       0xA2,
       "2"},
      {"bright black and black",
       {"80808080", "08080808", "88888888", "00000000", "80808080", "08080808", "88880000",
        "00008888"},
       0x00,
       "80"},
      // More cells
      {"black, then bright black: still one colour",
       {"08080808", "80808080", "88888888", "00000000", "08080808", "80808080", "88880000",
        "00008888"},
       0x00,
       "80"},
      {"bright black, black, then white: two colours, no flash",
       {"80000000", "77777777", "80808080", "77777777", "77777777", "77777777", "77777777",
        "77777777"},
       0x38,
       "80"},
      {"bright blue on black: the black paper takes the brightness",
       {"90000000", "09090909", "00000000", "99999999", "00000000", "00000000", "00000000",
        "00000000"},
       0x41,
       "9"},
      {"bright black, then bright white",
       std::vector<std::string>{"8fffffff", "ffffffff", "ffffffff", "ffffffff", "ffffffff",
                                "ffffffff", "ffffffff", "fffffff8"},
       0x78, "80"},
      {"blue, then bright green: flashed", std::vector<std::string>(8, "1c1c1c1c"), 0xE1, "1"},
      {"bright green, then blue: bright, not flashed", std::vector<std::string>(8, "c1c1c1c1"),
       0x4C, "c"},
      {"a third colour of the ink's number, brighter",
       {"24a44444", "44444444", "44444444", "44444444", "44444444", "44444444", "44444444",
        "44444444"},
       0xA2,
       "2a"},
      {"third colour met before the paper's second pixel",
       {"25555556", "55555555", "55555555", "55555555", "55555555", "55555555", "55555555",
        "55555555"},
       0xAA,
       "2"},
      // Palette indices of 16 and above
      {"index 18 is red", std::vector<std::string>(8, "gggggggg"), 0x02, "g"},
      {"index 24 is black", std::vector<std::string>(8, "h7777777"), 0x38, "h"},
      {"index 143 is bright white", std::vector<std::string>(8, "i2222222"), 0x57, "i"},
  };
  const int cellX = 5, cellY = 10;
  for (const CellCase& c : cases) {
    ASSERT_EQ(c.rows.size(), 8u) << c.name;
    BmpImage image = FilledImage(256, 192, 7, RandomImage(1, 1, 99).palette);
    Bytes expected = Concat({Repeat(0xFF, kBitmapSize), Repeat(0x07, 768)});
    for (int line = 0; line < 8; ++line) {
      ASSERT_EQ(c.rows[line].size(), 8u) << c.name;
      const int y = 8 * cellY + line;
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i) {
        const char pixel = c.rows[line][i];
        image.indices[static_cast<size_t>(y) * 256 + 8 * cellX + i] = IndexOf(pixel);
        if (std::string(c.ink).find(pixel) != std::string::npos) bits |= 0x80 >> i;
      }
      expected[PlainDisplayOffset(8 * cellX, y)] = bits;
    }
    expected[AttributeOffset(cellX, cellY)] = c.attribute;
    const ImageRun run = ConvertImage(process_titlescreen, image);
    ASSERT_TRUE(run.result) << c.name << "\n" << run.output;
    EXPECT_EQ(run.bytes[AttributeOffset(cellX, cellY)], c.attribute) << c.name;
    EXPECT_EQ(run.bytes, expected) << c.name;
  }
}

// The palette's colours play no part, only the indices.
TEST(TitleScreenTest, WholeScreensOfOneIndex) {
  struct Case {
    uint8_t index;
    uint8_t attribute;
  };
  const Case cases[] = {{0, 0x00}, {7, 0x07}, {15, 0x47}, {8, 0x00}, {255, 0x47}, {16, 0x00}};
  for (const Case& c : cases) {
    const ImageRun run = ConvertImage(process_titlescreen,
                                      FilledImage(256, 192, c.index, RandomImage(1, 1, 5).palette));
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.bytes, Concat({Repeat(0xFF, kBitmapSize), Repeat(c.attribute, 768)}))
        << "index " << int(c.index);
  }
}

// Every cell's first pixel is white (7), so white is every cell's ink; the
// rest of each row spells out the row number: byte 0 holds 0x80 | y & 0x7F,
// byte 1 0x80 | y >> 7, byte c (c > 1) 0x80 | c.
TEST(TitleScreenTest, DisplayOrderRows) {
  auto rowByte = [](int y, int column) {
    return column == 0 ? 0x80 | (y & 0x7F) : column == 1 ? 0x80 | (y >> 7) : 0x80 | column;
  };
  BmpImage image = FilledImage(256, 192, 0);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      if (rowByte(y, x / 8) & (0x80 >> (x % 8)))
        image.indices[static_cast<size_t>(y) * 256 + x] = 7;
    }
  }
  const ImageRun run = ConvertImage(process_titlescreen, image);
  ASSERT_TRUE(run.result);
  ASSERT_EQ(run.bytes.size(), static_cast<size_t>(kScreenSize));
  struct Case {
    int row;
    int offset;
  };
  const Case cases[] = {{0, 0}, {8, 32}, {1, 256}, {9, 288}, {70, 3584}, {191, 6112}};
  for (const Case& c : cases) {
    for (int column = 0; column < 32; ++column) {
      EXPECT_EQ(run.bytes[c.offset + column], rowByte(c.row, column))
          << "row " << c.row << " column " << column;
    }
  }
  EXPECT_EQ(Bytes(run.bytes.begin() + kBitmapSize, run.bytes.end()), Repeat(0x07, 768));
}

// On a generated picture each pixel's bit, found by the plain offset
// formula, is set exactly when the pixel has its cell's ink colour number.
TEST(TitleScreenTest, BitsMatchCellInkOnGeneratedImages) {
  for (uint32_t seed : {11u, 12u}) {
    BmpImage image = RandomImage(256, 192, seed);
    PictureRandom random(seed);
    // Two or three colours per cell, so that both plain and flashed cells occur.
    for (int cell = 0; cell < 768; ++cell) {
      const uint8_t colours[3] = {random.Byte(), random.Byte(), random.Byte()};
      const int count = 2 + (cell % 4 == 0);
      for (int i = 0; i < 64; ++i) {
        const int x = 8 * (cell % 32) + i % 8, y = 8 * (cell / 32) + i / 8;
        image.indices[static_cast<size_t>(y) * 256 + x] = colours[random.Next() % count];
      }
    }
    const ImageRun run = ConvertImage(process_titlescreen, image);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.bytes.size(), static_cast<size_t>(kScreenSize));
    for (int y = 0; y < 192; ++y) {
      for (int x = 0; x < 256; ++x) {
        const int ink = run.bytes[AttributeOffset(x / 8, y / 8)] & 7;
        const bool expected = (PixelOf(image, x, y).index & 7) == ink;
        const bool bit = run.bytes[PlainDisplayOffset(x, y)] & (0x80 >> (x % 8));
        ASSERT_EQ(bit, expected) << "seed " << seed << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(TitleScreenTest, Listing) {
  const ImageRun run =
      ConvertImage(process_titlescreen, FilledImage(256, 192, 7), {}, "title", 16384);
  ASSERT_TRUE(run.result);
  EXPECT_EQ(run.output, LoadedLines(run.path, 256, 192));
  EXPECT_EQ(run.listing, ScreenListing(run.path, "title", 16384));
}

TEST(TitleScreenTest, Failures) {
  ExpectSizesRefused(process_titlescreen, {
      {"narrow", 255, 192, "process_titlescreen image width must be 256\n"},
      {"width checked first", 255, 128, "process_titlescreen image width must be 256\n"},
      {"height 128", 256, 128, "process_titlescreen image height must be 192\n"},
      {"height 193", 256, 193, "process_titlescreen image height must be 192\n"},
  }, 7);
}

TEST(TitleScreenScriptTest, EndToEndWithHeaders) {
  TempDir dir;
  BmpImage image = FilledImage(256, 192, 7);
  for (int x = 0; x < 8; ++x)
    image.indices[x] = x < 4 ? 2 : 15;  // cell (0, 0): red, bright white, white
  WriteBmp(dir / "title.bmp", image);
  const ScriptRun result = RunScriptFile(dir,
                                         "headers on\n"
                                         "org 16384\n"
                                         "title compressnone titlescreen \"title.bmp\"\n");
  EXPECT_EQ(result.run.output, LoadedLines("title.bmp", 256, 192) + "Done\n");
  EXPECT_EQ(result.run.status, 0);
  Bytes screen = Concat({Repeat(0xFF, kBitmapSize), Repeat(0x07, 768)});
  screen[0] = 0xF0;
  for (int line = 1; line < 8; ++line) screen[PlainDisplayOffset(0, line)] = 0x00;
  screen[kBitmapSize] = 0xFA;
  EXPECT_EQ(result.binary, Concat({{0, 0x00, 0x1B}, screen}));
  EXPECT_EQ(result.listing, Banner("script.kst") +
                                "; Output headers set to on\n\n\n"
                                "; Base address set to: 16384\n\n\n" +
                                ScreenListing("title.bmp", "title", 16387) +
                                "; 6912 bytes written\n; no compression used\n"
                                "; Header: 0,6912\ntitle_id equ 0\n\n\n" +
                                Totals(6912));
}

}  // namespace
