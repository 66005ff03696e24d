// The shortcuts taken for speed must give the plain path's bytes: the
// run-length encoder's eight-byte run steps, literal skips and literal
// stores, the eight pixels worked at once (packing straight from the stored
// bytes), a table that gives each index itself leaving the rows
// untranslated, the groups and cells that take the result of the one before
// them, and the groups met before (a solid stretch among them) that take
// theirs from a table. Each is checked against a deliberately plain version
// kept here, on generated pictures (which have solid stretches, dithering
// and edges) and on noise.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "canvas.h"
#include "converters/pixel_helpers.h"
#include "image_test_helpers.h"
#include "palettes.h"
#include "scenes.h"
#include "test_support.h"
#include "writers/run_length.h"

namespace {

// --- Run-length encoding, unit by unit as the greedy rules say -------------------

Bytes PlainRunLength(const Bytes& data, int unitSize) {
  const int n = static_cast<int>(data.size()) / unitSize;
  auto same = [&](int a, int b) {
    for (int i = 0; i < unitSize; ++i) {
      if (data[a * unitSize + i] != data[b * unitSize + i]) return false;
    }
    return true;
  };
  auto put = [&](Bytes& out, int first, int count) {
    out.insert(out.end(), data.begin() + first * unitSize,
               data.begin() + (first + count) * unitSize);
  };
  Bytes out;
  int p = 0;
  int literalStart = 0;
  while (p < n) {
    int run = 1;
    for (int k = p + 1; k < p + 126 && k < n && same(k, p); ++k) ++run;
    if (run >= 3) {
      if (literalStart < p) {
        out.push_back(static_cast<uint8_t>(p - literalStart));
        put(out, literalStart, p - literalStart);
      }
      out.push_back(static_cast<uint8_t>(0x80 + run));
      put(out, p, 1);
      p += run;
      literalStart = p;
    } else if (p - literalStart == 126) {
      out.push_back(126);
      put(out, literalStart, 126);
      literalStart = p;
    } else if (p == n - 1) {
      out.push_back(static_cast<uint8_t>(p - literalStart + 1));
      put(out, literalStart, p - literalStart + 1);
      p = n;
      literalStart = n;
    } else {
      ++p;
    }
  }
  out.push_back(0);
  return out;
}

Bytes Encoded(const Bytes& data, int unitSize) {
  const int units = static_cast<int>(data.size()) / unitSize;
  Bytes stream(static_cast<size_t>(RunLengthStreamBound(units, unitSize)));
  stream.resize(static_cast<size_t>(EncodeRunLength(data.data(), units, unitSize, stream.data())));
  return stream;
}

// Random bytes from a small alphabet, with runs laid over them: every mix
// of short repeats, runs of 2, runs across the 126 cut and literal stretches.
Bytes MixedBytes(std::mt19937& random, size_t size) {
  const int alphabet = 1 + static_cast<int>(random() % 5) * (random() % 2 ? 1 : 50);
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random() % alphabet);
  for (int run = static_cast<int>(random() % 4); run > 0 && size > 0; --run) {
    const size_t start = random() % size;
    const size_t length = random() % 300;
    for (size_t i = start; i < size && i < start + length; ++i) bytes[i] = 0xAA;
  }
  return bytes;
}

// --- Pictures -------------------------------------------------------------------

// The eight-pixel byte, pixel by pixel: the leftmost pixel in bit 7.
uint8_t PlainByte(const std::function<bool(int i)>& bitAt) {
  uint8_t byte = 0;
  for (int i = 0; i < 8; ++i) byte = static_cast<uint8_t>(byte << 1 | (bitAt(i) ? 1 : 0));
  return byte;
}

cBitmap* LoadQuietly(const std::string& path, cBitmap& bitmap) {
  testing::internal::CaptureStdout();
  const bool loaded = bitmap.Load(path.c_str());
  testing::internal::GetCapturedStdout();
  return loaded ? &bitmap : nullptr;
}

std::string WritePicture(const TempDir& dir, const imagegen::Canvas& canvas) {
  const std::string path = dir / "picture.bmp";
  WriteBmp(path, canvas.ToImage(imagegen::DisplayPalette()));
  return "\"" + path + "\"";
}

// Noise in `colours` palette indices, with a solid run now and then.
imagegen::Canvas Noise(int width, int height, int colours, uint32_t seed) {
  std::mt19937 random(seed);
  imagegen::Canvas canvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      canvas.Set(x, y, static_cast<uint8_t>(random() % colours));
      if (random() % 9 == 0) {
        const uint8_t index = canvas.At(x, y);
        for (int i = 1; i < 8; ++i) canvas.Set(x + i, y, index);
        x += 7;
      }
    }
  }
  return canvas;
}

// The title screen's cells as its steps say, pixel by pixel.
Bytes PlainTitleScreen(const imagegen::Canvas& canvas) {
  Bytes bitmap(6144), attributes;
  std::vector<int> inks(768);
  for (int cellY = 0; cellY < 24; ++cellY) {
    for (int cellX = 0; cellX < 32; ++cellX) {
      const int unset = 12345;
      int first = unset, second = unset, flash = 0;
      for (int y = 8 * cellY; y < 8 * cellY + 8; ++y) {
        for (int x = 8 * cellX; x < 8 * cellX + 8; ++x) {
          int v = canvas.At(x, y) & 15;
          if ((v & 7) == 0) v = 0;
          if (first == unset)
            first = v;
          else if (v == first) {
          } else if (second == unset)
            second = v;
          else if (v != second)
            flash = 0x80;
        }
      }
      if (second == unset) second = 0;
      if ((first & 7) == 0)
        first = second & 8;
      else if ((second & 7) == 0)
        second = first & 8;
      if ((first & 7) + (second & 7) != 0 && !(first & 8) && (second & 8)) flash = 0x80;
      inks[32 * cellY + cellX] = first;
      attributes.push_back(static_cast<uint8_t>(AttributeByte(first, second) | flash));
    }
  }
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; x += 8) {
      bitmap[DisplayOffset(x, y)] = PlainByte(
          [&](int i) { return (canvas.At(x + i, y) & 7) == (inks[32 * (y / 8) + x / 8] & 7); });
    }
  }
  return Concat({bitmap, attributes});
}

}  // namespace

TEST(FastPathsTest, RunLengthEncoderMatchesItsStepsAsWritten) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    const Bytes data = MixedBytes(random, random() % 700);
    for (int unitSize : {1, 2}) {
      ASSERT_EQ(Encoded(data, unitSize), PlainRunLength(data, unitSize))
          << "round " << round << ", " << data.size() << " bytes, unit " << unitSize;
    }
  }
}

// Literals are stored a word at a time as the search for a run goes, past
// the record's end, and the item's last units plainly: every literal length
// around the word size and the 126 cut, then each way an item can go on.
// The stream buffer is exactly the bound, so a store past it is caught.
TEST(FastPathsTest, RunLengthLiteralsOfEveryLengthMatchItsSteps) {
  const Bytes tails[] = {{}, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, {0xAA, 0xAA, 0xAA, 0xAA, 1, 2},
                         Bytes(260, 0xAA), Concat({Bytes(8, 0xAA), Bytes(9, 0x55)})};
  for (int unitSize : {1, 2}) {
    for (int literals = 0; literals <= 260; ++literals) {
      Bytes literalBytes(static_cast<size_t>(literals * unitSize));
      for (size_t i = 0; i < literalBytes.size(); ++i) literalBytes[i] = static_cast<uint8_t>(i + 1);
      for (const Bytes& tail : tails) {
        const Bytes data = Concat({literalBytes, tail});
        ASSERT_EQ(Encoded(data, unitSize), PlainRunLength(data, unitSize))
            << literals << " literals, tail of " << tail.size() << ", unit " << unitSize;
      }
    }
  }
}

TEST(FastPathsTest, EightPixelsPackedAtOnceMatchBitByBit) {
  struct Case {
    uint64_t values;  // pixel i in byte i
    uint8_t bits;
    uint8_t expected;
  };
  const Case cases[] = {
      {0x0000000000000000ull, 0xFF, 0x00}, {0x0101010101010101ull, 0x01, 0xFF},
      {0x0000000000000001ull, 0x01, 0x80}, {0x0100000000000000ull, 0x01, 0x01},
      {0x0302010003020100ull, 0x02, 0x33}, {0x8000000000000080ull, 0x80, 0x81},
      {0x7F00000000000000ull, 0x40, 0x01}, {0x00000000000000FEull, 0x01, 0x00},
  };
  for (const Case& test : cases)
    EXPECT_EQ(PackEightPixels(test.values, test.bits), test.expected) << std::hex << test.values;

  std::mt19937_64 random(8);
  for (int round = 0; round < 20000; ++round) {
    const uint64_t values = random() & (round % 2 ? 0x0303030303030303ull : ~0ull);
    const uint8_t bits = static_cast<uint8_t>(1u << (round % 8));
    uint8_t eight[8];
    StoreEight(values, eight);
    ASSERT_EQ(LoadEight(eight), values);
    ASSERT_EQ(PackEightPixels(values, bits), PlainByte([&](int i) { return eight[i] & bits; }))
        << std::hex << values << " bits " << int{bits};
    ASSERT_EQ(PackEightPixels(values, 0xFF), PlainByte([&](int i) { return eight[i] != 0; }));
  }
}

TEST(FastPathsTest, SmallByteTestsMatchTheTestsOfAnyByte) {
  const uint64_t words[] = {0, 0x7F7F7F7F7F7F7F7Full, 0x0100000000000001ull, 0x000F000700030001ull,
                            0x7F00000000000000ull};
  std::mt19937_64 random(15);
  for (int round = 0; round < 20000; ++round) {
    // Bytes below 0x80, zeros among them half the time.
    uint64_t eight = round < 5 ? words[round] : random() & 0x7F7F7F7F7F7F7F7Full;
    if (round % 2) eight &= random();
    ASSERT_EQ(NonZeroSmallBytes(eight), NonZeroBytes(eight)) << std::hex << eight;
    ASSERT_EQ(ZeroSmallBytes(eight), ZeroBytes(eight)) << std::hex << eight;
  }
}

TEST(FastPathsTest, BothBytesOfAGroupStoredBitZerosFirst) {
  const PixelValues::GroupBytes groups[] = {{0x00, 0xFF}, {0xFF, 0x00}, {0x81, 0x3C}};
  for (const PixelValues::GroupBytes& group : groups) {
    uint8_t bytes[3] = {0, 0, 0xAA};
    StoreBothBytes(group, bytes);
    EXPECT_EQ(bytes[0], group.bit0);
    EXPECT_EQ(bytes[1], group.bit1);
    EXPECT_EQ(bytes[2], 0xAA);  // nothing past the two
  }
}

// Pictures with long solid stretches, repeated patterns and grain, as rows
// whose width is not always a multiple of 8; the large noise in few colours
// meets thousands of groups, many of them again, whose hashes collide.
std::vector<imagegen::Canvas> RowPictures() {
  imagegen::Random random(12);
  return {imagegen::Landscape(256, 24, random),
          imagegen::Creature(24, 16, true, random),
          Noise(61, 9, 3, 21),
          Noise(40, 6, 40, 22),
          Noise(256, 64, 3, 24),
          imagegen::Canvas(19, 3, 7)};
}

TEST(FastPathsTest, GroupsAndRowsMatchTheRuleForEachPixel) {
  // The sprite rule: two bits a pixel from its colour.
  const auto rule = [](const cPixel& pixel) {
    return (pixel.IsMaskColour() ? 1 : 0) | (IsInk(pixel) ? 2 : 0);
  };
  const std::vector<Rgb> palette = imagegen::DisplayPalette();
  for (const imagegen::Canvas& canvas : RowPictures()) {
    TempDir dir;
    WriteBmp(dir / "p.bmp", canvas.ToImage(palette));
    cBitmap bitmap;
    ASSERT_TRUE(LoadQuietly(dir / "p.bmp", bitmap));
    PixelValues values(bitmap, rule);
    const PixelValues indices(bitmap);
    for (int y = 0; y < canvas.height(); ++y) {
      std::vector<uint8_t> expected;
      for (int x = 0; x < canvas.width(); ++x) expected.push_back(rule(bitmap.GetPixel(x, y)));
      std::vector<int> groupsSeen;
      values.ForEachGroup(y, [&](int group, PixelValues::GroupBytes eight) {
        groupsSeen.push_back(group);
        for (int bit = 0; bit < 2; ++bit) {
          const uint8_t plain =
              PlainByte([&](int i) { return expected[8 * group + i] >> bit & 1; });
          EXPECT_EQ(bit ? eight.bit1 : eight.bit0, plain) << "row " << y << " group " << group;
        }
      });
      ASSERT_EQ(groupsSeen.size(), static_cast<size_t>(canvas.width() / 8)) << "row " << y;
      for (size_t i = 0; i < groupsSeen.size(); ++i) EXPECT_EQ(groupsSeen[i], static_cast<int>(i));
      indices.ForEachGroup(y, [&](int group, PixelValues::GroupBytes eight) {
        const auto indexBit = [&](int bit) {
          return PlainByte([&](int i) { return canvas.At(8 * group + i, y) >> bit & 1; });
        };
        EXPECT_EQ(eight.bit0, indexBit(0)) << "row " << y << " group " << group;
        EXPECT_EQ(eight.bit1, indexBit(1)) << "row " << y << " group " << group;
      });
      const uint8_t* row = values.Row(y);
      EXPECT_EQ(std::vector<uint8_t>(row, row + canvas.width()), expected) << "row " << y;
    }
  }
}

TEST(FastPathsTest, ARuleThatGivesEachIndexItselfLeavesTheStoredRows) {
  // On a grey palette (entry i is grey level i) a rule reading the level
  // gives each index itself: its rows are the stored ones, untranslated. A
  // rule one entry away from that translates, as any other.
  struct Case {
    const char* name;
    uint8_t (*rule)(const cPixel&);
    bool storedRows;
  };
  const Case cases[] = {
      {"the level", [](const cPixel& pixel) { return pixel.red; }, true},
      {"the level but 7",
       [](const cPixel& pixel) { return static_cast<uint8_t>(pixel.red == 7 ? 8 : pixel.red); },
       false},
  };
  TempDir dir;
  const imagegen::Canvas canvas = Noise(40, 6, 256, 23);
  WriteBmp(dir / "p.bmp", canvas.ToImage(imagegen::GreyscalePalette()));
  cBitmap bitmap;
  ASSERT_TRUE(LoadQuietly(dir / "p.bmp", bitmap));
  for (const Case& test : cases) {
    PixelValues values(bitmap, test.rule);
    for (int y = 0; y < canvas.height(); ++y) {
      std::vector<uint8_t> expected;
      for (int x = 0; x < canvas.width(); ++x) expected.push_back(test.rule(bitmap.GetPixel(x, y)));
      const uint8_t* row = values.Row(y);
      EXPECT_EQ(row == bitmap.GetRow(y), test.storedRows) << test.name << ", row " << y;
      EXPECT_EQ(std::vector<uint8_t>(row, row + canvas.width()), expected) << test.name;
      values.ForEachGroup(y, [&](int group, PixelValues::GroupBytes eight) {
        EXPECT_EQ(eight.bit0, PlainByte([&](int i) { return expected[8 * group + i] & 1; }))
            << test.name << ", row " << y << " group " << group;
      });
    }
  }
}

TEST(FastPathsTest, CellsLikeTheOneBeforeTakeItsResult) {
  // Cells of a tile picture repeat; each cell's result must be its own
  // cell's, the cells come a row at a time, and a store that refuses ends
  // the run there.
  imagegen::Random random(13);
  const imagegen::Canvas canvas = imagegen::TileLevel(128, 16, random);
  TempDir dir;
  WriteBmp(dir / "p.bmp", canvas.ToImage(imagegen::DisplayPalette()));
  cBitmap bitmap;
  ASSERT_TRUE(LoadQuietly(dir / "p.bmp", bitmap));
  PixelValues indices(bitmap);
  int converted = 0;
  std::vector<std::pair<int, int>> stored;
  const bool whole = ForEachCell(
      indices, 16, 2,
      [&](const Cell& cell) {
        ++converted;
        return cell;
      },
      [&](int cellX, int cellY, const Cell& cell) {
        stored.emplace_back(cellX, cellY);
        for (int row = 0; row < kCellSize; ++row) {
          for (int x = 0; x < 8; ++x)
            EXPECT_EQ(ByteAt(cell.rows[row], x), canvas.At(8 * cellX + x, 8 * cellY + row));
        }
        return cellY == 0 || cellX < 12;
      });
  EXPECT_FALSE(whole);
  ASSERT_EQ(stored.size(), 29u);  // the first row, and the second up to the refusal
  for (size_t i = 0; i < stored.size(); ++i)
    EXPECT_EQ(stored[i], std::make_pair(static_cast<int>(i % 16), static_cast<int>(i / 16)));
  EXPECT_LT(converted, 29) << "every cell converted: no cell was like the one before";
}

TEST(FastPathsTest, CellScanMatchesAScanPixelByPixel) {
  // Cells of one, two and three colours, the others first met anywhere.
  std::mt19937 random(14);
  for (int round = 0; round < 5000; ++round) {
    Cell cell;
    uint8_t pixels[8][8];
    const int colours = 1 + static_cast<int>(random() % 3);
    const int spread = static_cast<int>(random() % 64) + 1;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x)
        pixels[y][x] = static_cast<uint8_t>(random() % spread == 0 ? random() % colours * 5 : 0);
      cell.rows[y] = LoadEight(pixels[y]);
    }
    const CellScan scan = ScanCell(
        cell, [](uint64_t row, uint8_t value) { return NonZeroBytes(row ^ EveryByte(value)); });
    // Pixel by pixel.
    int first = -1, second = -1, thirdX = -1, thirdY = -1;
    for (int y = 0; y < 8 && thirdX < 0; ++y) {
      for (int x = 0; x < 8 && thirdX < 0; ++x) {
        const int v = pixels[y][x];
        if (first < 0) {
          first = v;
        } else if (v != first && second < 0) {
          second = v;
        } else if (v != first && v != second) {
          thirdX = x;
          thirdY = y;
        }
      }
    }
    ASSERT_EQ(scan.first, first) << "round " << round;
    ASSERT_EQ(scan.hasSecond, second >= 0) << "round " << round;
    if (second >= 0) {
      ASSERT_EQ(scan.second, second) << "round " << round;
    }
    ASSERT_EQ(scan.hasThird, thirdX >= 0) << "round " << round;
    if (thirdX >= 0) {
      ASSERT_EQ(scan.thirdColumn, thirdX) << "round " << round;
      ASSERT_EQ(scan.thirdRow, thirdY) << "round " << round;
    }
  }
}

TEST(FastPathsTest, TitleScreenMatchesItsStepsAsWritten) {
  std::vector<imagegen::Canvas> pictures;
  for (uint32_t seed = 1; seed <= 2; ++seed) {
    imagegen::Random random(seed);
    pictures.push_back(imagegen::TitleScreen(random));
  }
  for (int colours : {2, 3, 16, 40}) pictures.push_back(Noise(256, 192, colours, 5 + colours));
  for (size_t i = 0; i < pictures.size(); ++i) {
    TempDir dir;
    const ConverterRun run = RunConverter(process_titlescreen, WritePicture(dir, pictures[i]));
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.bytes, PlainTitleScreen(pictures[i])) << "picture " << i;
  }
}

TEST(FastPathsTest, BitPerPixelConvertersMatchPixelByPixel) {
  // A gfx block and an unmasked sprite are one bit per pixel by the ink rule.
  std::vector<imagegen::Canvas> pictures;
  imagegen::Random random(4);
  pictures.push_back(imagegen::Landscape(256, 64, random));
  pictures.push_back(Noise(256, 64, 40, 9));
  const std::vector<Rgb> palette = imagegen::DisplayPalette();
  for (size_t i = 0; i < pictures.size(); ++i) {
    TempDir dir;
    const ConverterRun run = RunConverter(process_unmaskedsprite, WritePicture(dir, pictures[i]));
    ASSERT_TRUE(run.result);
    Bytes expected;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 256; x += 8) {
        expected.push_back(PlainByte([&](int j) {
          const Rgb colour = palette[pictures[i].At(x + j, y)];
          cPixel pixel;
          pixel.red = colour.red;
          pixel.green = colour.green;
          pixel.blue = colour.blue;
          return pixel.GetBrightness() < 0.5f;
        }));
      }
    }
    EXPECT_EQ(run.bytes, expected) << "picture " << i;
  }
}

TEST(FastPathsTest, TilePictureMatchesPixelByPixel) {
  imagegen::Random random(6);
  const imagegen::Canvas picture = imagegen::TileLevel(64, 48, random);
  TempDir dir;
  const ConverterRun run = RunConverter(process_tilepicture, WritePicture(dir, picture));
  ASSERT_TRUE(run.result);
  // The tile of every cell, column by column, must be in the set where the map says.
  const int cells = 8 * 6;
  ASSERT_GE(run.bytes.size(), static_cast<size_t>(cells));
  for (int cellX = 0; cellX < 8; ++cellX) {
    for (int cellY = 0; cellY < 6; ++cellY) {
      const size_t entry = run.bytes[static_cast<size_t>(cellX * 6 + cellY)];
      for (int row = 0; row < 8; ++row) {
        const uint8_t pixels =
            PlainByte([&](int x) { return picture.At(8 * cellX + x, 8 * cellY + row) != 0; });
        EXPECT_EQ(run.bytes[cells + 8 * entry + row], pixels)
            << cellX << "," << cellY << " row " << row;
      }
    }
  }
}

TEST(FastPathsTest, ColourTileSolidRowsKeepTheThirdColourPosition) {
  // A solid row whose index is a third colour is reported at its first pixel.
  imagegen::Canvas canvas(16, 8, 1);
  for (int x = 0; x < 8; ++x) canvas.Set(x, 1, 2);   // second colour, a solid row
  for (int x = 8; x < 16; ++x) canvas.Set(x, 3, 5);  // cell 1: second colour
  for (int x = 0; x < 8; ++x) canvas.Set(x, 4, 6);   // cell 0: a third, solid
  TempDir dir;
  const ConverterRun run = RunConverter(process_colourtile, WritePicture(dir, canvas));
  EXPECT_FALSE(run.result);
  EXPECT_NE(run.output.find("more than two colours in a tile at 0,4\n"), std::string::npos)
      << run.output;

  imagegen::Canvas twoColours(8, 8, 1);
  for (int x = 0; x < 8; ++x) twoColours.Set(x, 2, 3);
  const ConverterRun good = RunConverter(process_colourtile, WritePicture(dir, twoColours));
  ASSERT_TRUE(good.result);
  EXPECT_EQ(good.bytes, Bytes({0, 0, 0xFF, 0, 0, 0, 0, 0, AttributeByte(3, 1)}));
}
