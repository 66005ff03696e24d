// Tests of the "colourblock" converter: attribute bytes from a colour map,
// one per pixel column and pair of pixel rows.
#include <gtest/gtest.h>

#include <string>

#include "image_test_helpers.h"
#include "test_support.h"

namespace {

// One row pair: the top row's indices and the bottom row's.
BmpImage TwoRows(const std::vector<uint8_t>& top, const std::vector<uint8_t>& bottom) {
  BmpImage image;
  image.width = static_cast<int>(top.size());
  image.height = 2;
  image.palette = GreyPalette();
  image.indices = top;
  image.indices.insert(image.indices.end(), bottom.begin(), bottom.end());
  return image;
}

// The attribute rule written out plainly, bit by bit.
uint8_t ReferenceAttribute(int ink, int paper) {
  const int inkColour = ink % 8;
  const int paperColour = paper % 8;
  const bool bright = (ink / 8) % 2 == 1 || (paper / 8) % 2 == 1;
  return static_cast<uint8_t>(inkColour + 8 * paperColour + (bright ? 64 : 0));
}

TEST(ColourBlockTest, WorkedExample) {
  TempDir dir;
  const std::string path = dir / "map.bmp";
  WriteBmp(path, TwoRows({2, 10, 0}, {7, 1, 9}));

  const ConverterRun run = RunConverter(process_colourblock, Quoted(path), "cols", 32771);

  EXPECT_TRUE(run.result);
  EXPECT_EQ(run.bytes, (Bytes{0x3A, 0x4A, 0x48}));
  EXPECT_EQ(run.listing, ListingHead("colour block", path) +
                             "cols_address equ 32771\n"
                             "cols_width equ 3\n"
                             "cols_height equ 1\n"
                             "cols_size equ 3\n");
  EXPECT_EQ(run.output, LoadedLines(path, 3, 2));
}

TEST(ColourBlockTest, AttributeTable) {
  struct Case {
    const char* name;
    uint8_t top;     // ink
    uint8_t bottom;  // paper
    uint8_t expected;
  };
  const Case cases[] = {
      {"black on black", 0, 0, 0x00},
      {"ink colour in bits 0-2", 5, 0, 0x05},
      {"paper colour in bits 3-5", 0, 5, 0x28},
      {"white on white", 7, 7, 0x3F},
      {"bright ink alone sets bright", 8, 0, 0x40},
      {"bright paper alone sets bright", 0, 8, 0x40},
      {"both bright", 15, 15, 0x7F},
      {"index 23 acts as 7", 23, 0, 0x07},
      {"index 24 acts as 8", 24, 0, 0x40},
      {"index 16 acts as 0", 16, 16, 0x00},
      {"index 255 acts as 15, bit 7 stays clear", 255, 255, 0x7F},
      {"high bits of paper ignored", 0, 0xF2, 0x10},
  };
  std::vector<uint8_t> top, bottom;
  for (const Case& c : cases) {
    top.push_back(c.top);
    bottom.push_back(c.bottom);
  }
  TempDir dir;
  WriteBmp(dir / "a.bmp", TwoRows(top, bottom));

  const ConverterRun run = RunConverter(process_colourblock, Quoted(dir / "a.bmp"));

  ASSERT_TRUE(run.result);
  ASSERT_EQ(run.bytes.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(run.bytes[i], cases[i].expected) << cases[i].name;
  }
}

TEST(ColourBlockTest, SmallestImageGivesOneByte) {
  TempDir dir;
  WriteBmp(dir / "a.bmp", TwoRows({3}, {12}));

  const ConverterRun run = RunConverter(process_colourblock, Quoted(dir / "a.bmp"), "one");

  EXPECT_TRUE(run.result);
  EXPECT_EQ(run.bytes, Bytes{0x63});
  EXPECT_NE(run.listing.find("one_width equ 1\none_height equ 1\none_size equ 1\n"),
            std::string::npos)
      << run.listing;
}

// A generated image that fills the item exactly (256 x 400 pixels: 51200
// bytes), checked against the rule applied in row-pair order.
TEST(ColourBlockTest, MatchesPlainReferenceOnFullItem) {
  const auto indexAt = [](int x, int y) { return static_cast<uint8_t>(x * 31 + y * 17 + x * y); };
  const BmpImage image = MakeImage(256, 400, indexAt);
  TempDir dir;
  WriteBmp(dir / "a.bmp", image);

  const ConverterRun run = RunConverter(process_colourblock, Quoted(dir / "a.bmp"));

  Bytes expected;
  for (int r = 0; r < 200; ++r) {
    for (int x = 0; x < 256; ++x)
      expected.push_back(ReferenceAttribute(indexAt(x, 2 * r), indexAt(x, 2 * r + 1)));
  }
  ASSERT_TRUE(run.result);
  EXPECT_EQ(run.bytes, expected);
  for (uint8_t byte : run.bytes) ASSERT_EQ(byte & 0x80, 0);
  EXPECT_NE(run.listing.find("t_width equ 256\nt_height equ 200\nt_size equ 51200\n"),
            std::string::npos);
}

TEST(ColourBlockTest, ImageLargerThanItemFailsInWriter) {
  TempDir dir;
  WriteBmp(dir / "a.bmp", MakeImage(256, 402, [](int, int) { return 1; }));

  const ConverterRun run = RunConverter(process_colourblock, Quoted(dir / "a.bmp"));

  EXPECT_TRUE(run.bytes.empty());
  EXPECT_NE(run.output.find("Item data is larger than the 51200 bytes an item can hold\n"),
            std::string::npos)
      << run.output;
}

TEST(ColourBlockTest, FailuresInOrder) {
  TempDir dir;
  const std::string odd = dir / "odd.bmp";
  const std::string missing = dir / "missing.bmp";
  WriteBmp(odd, MakeImage(32, 47, [](int, int) { return 0; }));
  struct Case {
    const char* name;
    std::string arguments;
    std::string output;
  };
  const Case cases[] = {
      {"number for file name", "42", "process_colourblock expected filename\n"},
      {"end of script for file name", "", "process_colourblock expected filename\n"},
      {"invalid character for file name", "!", "process_colourblock expected filename\n"},
      {"missing file", Quoted(missing),
       "Loading bitmap image '" + missing +
           "'\n Couldn't open/read BMP file\n"
           "process_colourblock couldn't open '" +
           missing + "'\n"},
      {"odd height", Quoted(odd),
       LoadedLines(odd, 32, 47) + "process_colourblock image height must be a multiple of 2\n"},
  };
  for (const Case& c : cases) {
    const ConverterRun run = RunConverter(process_colourblock, c.arguments);
    EXPECT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.output, c.output) << c.name;
    EXPECT_EQ(run.listing, "") << c.name;
    EXPECT_TRUE(run.bytes.empty()) << c.name;
  }
}

TEST(ColourBlockTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteBmp(dir / "map.bmp", TwoRows({2, 10, 0}, {7, 1, 9}));

  const ScriptRun run =
      RunScriptFile(dir, "headers on\norg 32768\ncols compressnone colourblock \"map.bmp\"\n");

  EXPECT_EQ(run.run.status, 0);
  EXPECT_EQ(run.run.output, LoadedLines("map.bmp", 3, 2) + "Done\n");
  EXPECT_EQ(run.binary, (Bytes{0x00, 0x03, 0x00, 0x3A, 0x4A, 0x48}));
  EXPECT_EQ(run.listing, Banner("script.kst") +
                             "; Output headers set to on\n\n\n"
                             "; Base address set to: 32768\n\n\n"
                             "; Data type: colour block\n"
                             "; Input file: map.bmp\n"
                             "cols_address equ 32771\n"
                             "cols_width equ 3\n"
                             "cols_height equ 1\n"
                             "cols_size equ 3\n"
                             "; 3 bytes written\n"
                             "; no compression used\n"
                             "; Header: 0,3\n"
                             "cols_id equ 0\n\n\n" +
                             Totals(3));
}

}  // namespace
