// Tests of the "colourtile" converter: 8x8 cells of two palette indices each,
// eight pixel bytes per cell followed by one attribute byte per cell.
#include <gtest/gtest.h>

#include <string>

#include "image_test_helpers.h"
#include "test_support.h"

namespace {

BmpImage OneColour(int width, int height, uint8_t index) {
  return MakeImage(width, height, [index](int, int) { return index; });
}

// The worked example: index `paper` everywhere but the third and fourth
// pixels of row 0, which have index `ink`.
BmpImage WorkedCell(uint8_t paper, uint8_t ink) {
  return MakeImage(8, 8,
                   [=](int x, int y) { return (y == 0 && (x == 2 || x == 3)) ? ink : paper; });
}

ConverterRun Convert(const TempDir& dir, const BmpImage& image, const char* tag = "t") {
  WriteBmp(dir / "a.bmp", image);
  return RunConverter(process_colourtile, Quoted(dir / "a.bmp"), tag);
}

// The converter written out plainly from the image table: paper is the
// cell's top-left index, a bit is set where a pixel differs from it, the ink
// is the other index (0 for a cell of one colour).
Bytes ReferenceColourTile(const BmpImage& image) {
  Bytes pixels, attributes;
  for (int cy = 0; cy < image.height / 8; ++cy) {
    for (int cx = 0; cx < image.width / 8; ++cx) {
      const auto at = [&](int x, int y) {
        return image.indices[(8 * cy + y) * image.width + 8 * cx + x];
      };
      const int paper = at(0, 0);
      int ink = 0;
      for (int y = 0; y < 8; ++y) {
        int byte = 0;
        for (int x = 0; x < 8; ++x) {
          if (at(x, y) != paper) {
            byte += 128 >> x;
            ink = at(x, y);
          }
        }
        pixels.push_back(static_cast<uint8_t>(byte));
      }
      const bool bright = (ink & 8) || (paper & 8);
      attributes.push_back(static_cast<uint8_t>(ink % 8 + 8 * (paper % 8) + (bright ? 64 : 0)));
    }
  }
  return Concat({pixels, attributes});
}

TEST(ColourTileTest, WorkedExamples) {
  struct Case {
    const char* name;
    uint8_t paper;
    uint8_t ink;
    uint8_t attribute;
  };
  const Case cases[] = {
      {"paper 1, ink 14", 1, 14, 0x4E},
      {"exchanged: paper 14, ink 1", 14, 1, 0x71},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const ConverterRun run = Convert(dir, WorkedCell(c.paper, c.ink), "tile");
    EXPECT_TRUE(run.result) << c.name;
    EXPECT_EQ(run.bytes, Concat({{0x30}, Repeat(0x00, 7), {c.attribute}})) << c.name;
    EXPECT_EQ(run.listing, ListingHead("colourtile", dir / "a.bmp") +
                               "tile_address equ 0\n"
                               "tile_charwidth equ 1\n"
                               "tile_charheight equ 1\n")
        << c.name;
  }
}

TEST(ColourTileTest, OneColourCells) {
  struct Case {
    uint8_t index;
    uint8_t attribute;
  };
  const Case cases[] = {{0, 0x00},  {2, 0x10},  {7, 0x38},  {8, 0x40},
                        {10, 0x50}, {15, 0x78}, {18, 0x10}, {255, 0x78}};
  for (const Case& c : cases) {
    TempDir dir;
    const ConverterRun run = Convert(dir, OneColour(8, 8, c.index));
    EXPECT_EQ(run.bytes, Concat({Repeat(0x00, 8), {c.attribute}})) << "index " << int(c.index);
  }
}

TEST(ColourTileTest, IndicesAreComparedWhole) {
  // 1 and 17 are both colour 1 but count as two colours.
  TempDir dir;
  const ConverterRun run = Convert(dir, WorkedCell(1, 17));
  EXPECT_TRUE(run.result);
  EXPECT_EQ(run.bytes, Concat({{0x30}, Repeat(0x00, 7), {0x09}}));

  const BmpImage threeIndices = MakeImage(8, 8, [](int x, int) {
    return x < 3 ? 1 : x < 6 ? 17 : 33;
  });
  const ConverterRun refused = Convert(dir, threeIndices);
  EXPECT_FALSE(refused.result);
  EXPECT_NE(refused.output.find("found more than two colours in a tile at 6,0\n"),
            std::string::npos);
}

// Two cells of 16x8: `thirdAt` lists the pixels given a third index.
struct ThirdColourCase {
  const char* name;
  std::vector<std::pair<int, int>> thirdAt;
  int reportedX, reportedY;
};

TEST(ColourTileTest, ThirdColourReportsFirstPixelInScanOrder) {
  const ThirdColourCase cases[] = {
      {"single third colour", {{12, 5}}, 12, 5},
      {"later pixels of the same row", {{12, 5}, {15, 5}, {9, 7}}, 12, 5},
      // The first cell is scanned whole before the second one.
      {"first cell wins over earlier row", {{12, 1}, {3, 6}}, 3, 6},
  };
  for (const ThirdColourCase& c : cases) {
    BmpImage image = MakeImage(16, 8, [](int x, int y) { return (x + y) % 3 == 0 ? 4 : 9; });
    for (const auto& [x, y] : c.thirdAt) image.indices[y * 16 + x] = 200;
    TempDir dir;
    const ConverterRun run = Convert(dir, image);
    EXPECT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.output, LoadedLines(dir / "a.bmp", 16, 8) +
                              "process_colourtile found more than two colours in a tile at " +
                              std::to_string(c.reportedX) + "," + std::to_string(c.reportedY) +
                              "\n")
        << c.name;
    EXPECT_EQ(run.listing, "") << c.name;
  }
}

TEST(ColourTileTest, FailuresInOrder) {
  TempDir dir;
  const std::string missing = dir / "missing.bmp";
  const std::string wide = dir / "wide.bmp";
  const std::string tall = dir / "tall.bmp";
  WriteBmp(wide, OneColour(12, 8, 1));
  WriteBmp(tall, OneColour(8, 12, 1));
  const std::string sizeMessage =
      "process_colourtile image width and height must be a multiple of 8\n";
  struct Case {
    const char* name;
    std::string arguments;
    std::string output;
  };
  const Case cases[] = {
      {"number for file name", "42", "process_colourtile expected filename\n"},
      {"end of script for file name", "", "process_colourtile expected filename\n"},
      {"missing file", Quoted(missing),
       "Loading bitmap image '" + missing +
           "'\n Couldn't open/read BMP file\n"
           "process_colourtile couldn't open '" +
           missing + "'\n"},
      {"width 12", Quoted(wide), LoadedLines(wide, 12, 8) + sizeMessage},
      {"height 12", Quoted(tall), LoadedLines(tall, 8, 12) + sizeMessage},
  };
  for (const Case& c : cases) {
    const ConverterRun run = RunConverter(process_colourtile, c.arguments);
    EXPECT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.output, c.output) << c.name;
    EXPECT_EQ(run.listing, "") << c.name;
    EXPECT_TRUE(run.bytes.empty()) << c.name;
  }
}

// A full screen of cells, each with its own pair of indices drawn in its
// own pattern, some cells of a single index.
TEST(ColourTileTest, FullScreenMatchesPlainReference) {
  const auto indexAt = [](int x, int y) -> uint8_t {
    const int cell = (y / 8) * 32 + x / 8;
    const uint8_t paper = static_cast<uint8_t>(cell * 7);
    const uint8_t ink = static_cast<uint8_t>(cell * 13 + 5);
    const bool inked = cell % 5 != 0 && ((x * 3 + y * cell) % 7) < 3;
    return inked ? ink : paper;
  };
  const BmpImage image = MakeImage(256, 192, indexAt);
  TempDir dir;
  const ConverterRun run = Convert(dir, image);

  ASSERT_TRUE(run.result) << run.output;
  ASSERT_EQ(run.bytes.size(), 6144u + 768u);
  EXPECT_EQ(run.bytes, ReferenceColourTile(image));
  for (size_t i = 6144; i < run.bytes.size(); ++i) ASSERT_EQ(run.bytes[i] & 0x80, 0);
  EXPECT_NE(run.listing.find("t_charwidth equ 32\nt_charheight equ 24\n"), std::string::npos);
}

TEST(ColourTileTest, CellsAreRowMajor) {
  // 16x16: cell k (row-major) has paper index 1 + k and one ink pixel, index
  // 0, at the right end of its row k.
  const BmpImage image = MakeImage(16, 16, [](int x, int y) -> uint8_t {
    const int cell = x / 8 + 2 * (y / 8);
    return (x % 8 == 7 && y % 8 == cell) ? 0 : static_cast<uint8_t>(1 + cell);
  });
  TempDir dir;
  const ConverterRun run = Convert(dir, image);
  const auto inkInRow = [](int row) {
    Bytes pixels(8, 0x00);
    pixels[row] = 0x01;
    return pixels;
  };
  // Top left, top right, bottom left, bottom right.
  EXPECT_EQ(
      run.bytes,
      Concat(
          {inkInRow(0), inkInRow(1), inkInRow(2), inkInRow(3), {1 << 3, 2 << 3, 3 << 3, 4 << 3}}));
}

TEST(ColourTileTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteBmp(dir / "cell.bmp", WorkedCell(1, 14));

  const ScriptRun run =
      RunScriptFile(dir, "org 40000\nheaders on\nhero compressnone colourtile \"cell.bmp\"\n");

  EXPECT_EQ(run.run.status, 0);
  EXPECT_EQ(run.run.output, LoadedLines("cell.bmp", 8, 8) + "Done\n");
  EXPECT_EQ(run.binary, Concat({{0x00, 0x09, 0x00, 0x30}, Repeat(0x00, 7), {0x4E}}));
  EXPECT_EQ(run.listing, Banner("script.kst") +
                             "; Base address set to: 40000\n\n\n"
                             "; Output headers set to on\n\n\n"
                             "; Data type: colourtile\n"
                             "; Input file: cell.bmp\n"
                             "hero_address equ 40003\n"
                             "hero_charwidth equ 1\n"
                             "hero_charheight equ 1\n"
                             "; 9 bytes written\n"
                             "; no compression used\n"
                             "; Header: 0,9\n"
                             "hero_id equ 0\n\n\n" +
                             Totals(9));
}

}  // namespace
