// Tests of the "tilepicture" converter: a column-major map of tile numbers
// followed by the set of different 8x8 tiles.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "image_test_helpers.h"
#include "test_support.h"

namespace {

ConverterRun Convert(const TempDir& dir, const BmpImage& image, const char* tag = "t") {
  WriteBmp(dir / "a.bmp", image);
  return RunConverter(process_tilepicture, Quoted(dir / "a.bmp"), tag);
}

// Shape A of the worked example, as rows of an 8x8 cell ('#' not index 0).
const std::vector<std::string> kShapeA = {"#.......", ".#......", "..#.....", "...#....",
                                          "....####", "........", "#.#.#.#.", "########"};
const Bytes kShapeABytes = {0x80, 0x40, 0x20, 0x10, 0x0F, 0x00, 0xAA, 0xFF};

// An image of 8x8 cells laid out by `cells` (rows of cell letters): '.' is a
// blank cell, a letter is shape A drawn in the palette index `index(letter)`.
BmpImage CellImage(const std::vector<std::string>& cells,
                   const std::function<uint8_t(char)>& index) {
  const int width = 8 * static_cast<int>(cells[0].size());
  const int height = 8 * static_cast<int>(cells.size());
  return MakeImage(width, height, [&](int x, int y) -> uint8_t {
    const char cell = cells[y / 8][x / 8];
    if (cell == '.' || kShapeA[y % 8][x % 8] != '#') return 0;
    return index(cell);
  });
}

// The tile picture written out plainly from the image table: cells visited
// column by column, each tile's first appearance looked up in a std::map.
Bytes ReferenceTilePicture(const BmpImage& image) {
  using Tile = std::array<uint8_t, 8>;
  std::map<Tile, int> numberOf;
  Bytes map, tileSet;
  for (int cx = 0; cx < image.width / 8; ++cx) {
    for (int cy = 0; cy < image.height / 8; ++cy) {
      Tile tile{};
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          if (image.indices[(8 * cy + y) * image.width + 8 * cx + x] != 0) tile[y] |= 0x80 >> x;
        }
      }
      const auto found = numberOf.find(tile);
      if (found != numberOf.end()) {
        map.push_back(static_cast<uint8_t>(found->second));
      } else {
        const int number = static_cast<int>(numberOf.size());
        numberOf[tile] = number;
        map.push_back(static_cast<uint8_t>(number));
        tileSet.insert(tileSet.end(), tile.begin(), tile.end());
      }
    }
  }
  return Concat({map, tileSet});
}

std::string Listing(const std::string& tag, const std::string& path, int address, int width,
                    int height, int unique) {
  const int cells = (width / 8) * (height / 8);
  const auto line = [&](const std::string& symbol, int value) {
    return tag + "_" + symbol + " equ " + std::to_string(value) + "\n";
  };
  return ListingHead("tilepicture", path) + line("address", address) + line("width", width) +
         line("charwidth", width / 8) + line("height", height) + line("charheight", height / 8) +
         line("uniquetiles", unique) + line("tileset_offset", cells) +
         line("size", cells + 8 * unique) + "; " + std::to_string(unique) +
         " unique tiles out of " + std::to_string(cells) + "\n";
}

TEST(TilePictureTest, WorkedExample) {
  // Top-left and bottom-right blank, the other two shape A in different indices.
  TempDir dir;
  const BmpImage image = CellImage({".A", "B."}, [](char c) { return c == 'A' ? 3 : 200; });

  const ConverterRun run = Convert(dir, image, "pic");

  EXPECT_TRUE(run.result);
  EXPECT_EQ(run.bytes, Concat({{0x00, 0x01, 0x01, 0x00}, Repeat(0x00, 8), kShapeABytes}));
  EXPECT_EQ(run.listing, ListingHead("tilepicture", dir / "a.bmp") +
                             "pic_address equ 0\n"
                             "pic_width equ 16\n"
                             "pic_charwidth equ 2\n"
                             "pic_height equ 16\n"
                             "pic_charheight equ 2\n"
                             "pic_uniquetiles equ 2\n"
                             "pic_tileset_offset equ 4\n"
                             "pic_size equ 20\n"
                             "; 2 unique tiles out of 4\n");
  EXPECT_EQ(run.output, LoadedLines(dir / "a.bmp", 16, 16));
}

TEST(TilePictureTest, Cases) {
  struct Case {
    const char* name;
    std::vector<std::string> cells;
    Bytes expected;
  };
  const Bytes blank = Repeat(0x00, 8);
  const Case cases[] = {
      {"all blank gives one tile", {"...", "..."}, Concat({Repeat(0x00, 6), blank})},
      {"8x8 gives 9 bytes", {"A"}, Concat({{0x00}, kShapeABytes})},
      {"second map byte is the bottom-left cell",
       {"A.", ".."},
       Concat({{0x00, 0x01, 0x01, 0x01}, kShapeABytes, blank})},
      {"second map byte is not the top-right cell",
       {".A", ".."},
       Concat({{0x00, 0x00, 0x01, 0x00}, blank, kShapeABytes})},
      {"one cell row runs left to right",
       {"..A."},
       Concat({{0x00, 0x00, 0x01, 0x00}, blank, kShapeABytes})},
      {"one cell column runs top to bottom",
       {".", ".", "A", "."},
       Concat({{0x00, 0x00, 0x01, 0x00}, blank, kShapeABytes})},
      {"same shape in any non-zero indices is one tile",
       {"ABC", "DEF"},
       Concat({Repeat(0x00, 6), kShapeABytes})},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const ConverterRun run = Convert(
        dir, CellImage(c.cells, [](char letter) { return static_cast<uint8_t>(letter * 5); }));
    EXPECT_TRUE(run.result) << c.name;
    EXPECT_EQ(run.bytes, c.expected) << c.name;
  }
}

TEST(TilePictureTest, SmallestImageListing) {
  TempDir dir;
  const ConverterRun run = Convert(dir, CellImage({"A"}, [](char) { return 1; }), "one");
  EXPECT_EQ(run.listing, Listing("one", dir / "a.bmp", 0, 8, 8, 1));
}

// Generated pictures with many repeats, in several shapes, against the plain
// reference.
TEST(TilePictureTest, MatchesPlainReference) {
  struct Case {
    int width, height, shapes;
  };
  const Case cases[] = {{8, 8, 1},      {16, 8, 3},      {8, 64, 5},  {64, 16, 40},
                        {256, 192, 60}, {256, 192, 256}, {200, 96, 7}};
  for (const Case& c : cases) {
    // Cell pattern s is the bits of s in rows 0 and 7, drawn in varying indices.
    const auto indexAt = [&](int x, int y) -> uint8_t {
      const int cell = (y / 8) * 977 + (x / 8) * 131;
      const int shape = (cell * cell + cell / 3) % c.shapes;
      const int row = y % 8;
      const int bits = row == 0 ? shape : row == 7 ? shape >> 8 : (row == 3 ? 0x18 : 0);
      const bool set = (bits >> (7 - x % 8)) & 1;
      return set ? static_cast<uint8_t>(1 + (x * y) % 255) : 0;
    };
    const BmpImage image = MakeImage(c.width, c.height, indexAt);
    TempDir dir;
    const ConverterRun run = Convert(dir, image);
    const Bytes expected = ReferenceTilePicture(image);
    ASSERT_TRUE(run.result) << c.width << "x" << c.height << "\n" << run.output;
    EXPECT_EQ(run.bytes, expected) << c.width << "x" << c.height;
    const int cells = (c.width / 8) * (c.height / 8);
    const int unique = static_cast<int>(expected.size() - cells) / 8;
    EXPECT_EQ(run.listing, Listing("t", dir / "a.bmp", 0, c.width, c.height, unique));
  }
}

// An image of `count` cells in one row, the first `unique` of them all
// different (tile number in rows 0 and 1), the rest repeating them.
BmpImage NumberedTiles(int count, int unique) {
  return MakeImage(8 * count, 8, [=](int x, int y) -> uint8_t {
    const int tile = (x / 8) % unique;
    const int bits = y == 0 ? (tile & 0xFF) : y == 1 ? (tile >> 8) : 0;
    return (bits >> (7 - x % 8)) & 1;
  });
}

TEST(TilePictureTest, MapByteLimit) {
  struct Case {
    int count, unique;
    bool accepted;
  };
  const Case cases[] = {{256, 256, true}, {300, 256, true}, {257, 257, false}, {600, 300, false}};
  for (const Case& c : cases) {
    TempDir dir;
    const BmpImage image = NumberedTiles(c.count, c.unique);
    const ConverterRun run = Convert(dir, image);
    const std::string where = std::to_string(c.unique) + " of " + std::to_string(c.count);
    EXPECT_EQ(run.result, c.accepted) << where;
    if (c.accepted) {
      EXPECT_EQ(run.bytes, ReferenceTilePicture(image)) << where;
      EXPECT_EQ(run.bytes.size(), static_cast<size_t>(c.count + 8 * c.unique)) << where;
      EXPECT_EQ(run.listing, Listing("t", dir / "a.bmp", 0, 8 * c.count, 8, c.unique)) << where;
    } else {
      EXPECT_EQ(run.output, LoadedLines(dir / "a.bmp", 8 * c.count, 8) +
                                "process_tilepicture found " + std::to_string(c.unique) +
                                " unique tiles, more than the 256 a map byte can name\n");
      EXPECT_TRUE(run.bytes.empty()) << where;
      EXPECT_EQ(run.listing, "") << where;
    }
  }
}

TEST(TilePictureTest, FailuresInOrder) {
  TempDir dir;
  const std::string missing = dir / "missing.bmp";
  const std::string wide = dir / "wide.bmp";
  const std::string tall = dir / "tall.bmp";
  WriteBmp(wide, MakeImage(12, 16, [](int, int) { return 0; }));
  WriteBmp(tall, MakeImage(16, 12, [](int, int) { return 0; }));
  const std::string sizeMessage =
      "process_tilepicture image width and height must be a multiple of 8\n";
  struct Case {
    const char* name;
    std::string arguments;
    std::string output;
  };
  const Case cases[] = {
      {"number for file name", "42", "process_tilepicture expected filename\n"},
      {"end of script for file name", "", "process_tilepicture expected filename\n"},
      {"missing file", Quoted(missing),
       "Loading bitmap image '" + missing +
           "'\n Couldn't open/read BMP file\n"
           "process_tilepicture couldn't open '" +
           missing + "'\n"},
      {"12x16", Quoted(wide), LoadedLines(wide, 12, 16) + sizeMessage},
      {"16x12", Quoted(tall), LoadedLines(tall, 16, 12) + sizeMessage},
  };
  for (const Case& c : cases) {
    const ConverterRun run = RunConverter(process_tilepicture, c.arguments);
    EXPECT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.output, c.output) << c.name;
    EXPECT_EQ(run.listing, "") << c.name;
    EXPECT_TRUE(run.bytes.empty()) << c.name;
  }
}

TEST(TilePictureTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteBmp(dir / "pic.bmp", CellImage({".A", "A."}, [](char) { return 9; }));

  const ScriptRun run =
      RunScriptFile(dir, "headers on\nlevel compressnone tilepicture \"pic.bmp\"\n");

  EXPECT_EQ(run.run.status, 0);
  EXPECT_EQ(run.run.output, LoadedLines("pic.bmp", 16, 16) + "Done\n");
  EXPECT_EQ(run.binary,
            Concat({{0x00, 20, 0x00}, {0x00, 0x01, 0x01, 0x00}, Repeat(0x00, 8), kShapeABytes}));
  EXPECT_EQ(run.listing, Banner("script.kst") + "; Output headers set to on\n\n\n" +
                             Listing("level", "pic.bmp", 3, 16, 16, 2) +
                             "; 20 bytes written\n"
                             "; no compression used\n"
                             "; Header: 0,20\n"
                             "level_id equ 0\n\n\n" +
                             Totals(20));
}

}  // namespace
