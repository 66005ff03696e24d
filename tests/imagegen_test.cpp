// The image generator (tools/imagegen) and the BMP encoder it shares with
// the tests (tools/bmp): painting steps, the rules each picture kind must
// keep for its data type (checked against the real converters), the
// committed example images and the bundled example.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "bitmap/bitmap.h"
#include "canvas.h"
#include "formats/compression_modes.h"
#include "formats/data_types.h"
#include "collections.h"
#include "palettes.h"
#include "scenes.h"
#include "test_support.h"

using namespace imagegen;

namespace {

int CountSet(const Canvas& canvas, uint8_t index) {
  int count = 0;
  for (uint8_t pixel : canvas.indices()) count += pixel == index;
  return count;
}

// The different palette indices of each 8 x 8 cell, the most of any cell.
size_t MostIndicesInACell(const Canvas& canvas) {
  size_t most = 0;
  for (int cellY = 0; cellY < canvas.height(); cellY += 8) {
    for (int cellX = 0; cellX < canvas.width(); cellX += 8) {
      std::set<uint8_t> indices;
      for (int y = cellY; y < cellY + 8; ++y) {
        for (int x = cellX; x < cellX + 8; ++x) indices.insert(canvas.At(x, y));
      }
      most = std::max(most, indices.size());
    }
  }
  return most;
}

// Runs one converter on a canvas written to a temporary BMP file.
ConverterRun Convert(Converter convert, const Canvas& canvas,
                     const std::vector<Rgb>& palette = DisplayPalette()) {
  TempDir dir;
  WriteBmp(dir / "picture.bmp", canvas.ToImage(palette));
  return RunConverter(convert, "\"" + (dir / "picture.bmp") + "\"");
}

// The value of "<tag>_<symbol> equ <value>" in a converter's listing.
int Symbol(const std::string& listing, const std::string& symbol) {
  const std::string key = "t_" + symbol + " equ ";
  const size_t at = listing.find(key);
  return at == std::string::npos ? -1 : std::stoi(listing.substr(at + key.size()));
}

struct PictureSize {
  int width, height;
};
const PictureSize kCellSizes[] = {{8, 8}, {32, 16}, {64, 64}, {128, 96}, {256, 192}};

}  // namespace

// --- Painting steps ---------------------------------------------------------

TEST(CanvasTest, PaintingClipsToTheCanvas) {
  struct Case {
    const char* name;
    std::function<void(Canvas&)> paint;
    int expectedPixels;  // pixels of index 1 on an 8 x 8 canvas
  };
  const Case cases[] = {
      {"rectangle over the top-left corner",
       [](Canvas& c) {
         FillRect(c, {-2, -2, 4, 4}, 1);
       },
       4},
      {"rectangle over the bottom-right corner",
       [](Canvas& c) {
         FillRect(c, {6, 6, 10, 10}, 1);
       },
       4},
      {"rectangle wholly outside",
       [](Canvas& c) {
         FillRect(c, {8, 0, 3, 3}, 1);
       },
       0},
      {"diagonal, both ends included", [](Canvas& c) { DrawLine(c, 0, 0, 7, 7, 1); }, 8},
      {"row running far past both sides", [](Canvas& c) { DrawLine(c, -50, 3, 60, 3, 1); }, 8},
      {"line backwards", [](Canvas& c) { DrawLine(c, 7, 2, 0, 2, 1); }, 8},
      {"single point", [](Canvas& c) { DrawLine(c, 4, 4, 4, 4, 1); }, 1},
      {"disc of radius 1 in the middle", [](Canvas& c) { FillEllipse(c, 4, 4, 1, 1, 1); }, 9},
      {"disc of radius 1 on a corner", [](Canvas& c) { FillEllipse(c, 0, 0, 1, 1, 1); }, 4},
      {"ellipse of no radius", [](Canvas& c) { FillEllipse(c, 4, 4, 0, 3, 1); }, 0},
      {"hills below row 5", [](Canvas& c) { FillHills(c, 5, 0, 0.3, 0, 1); }, 24},
  };
  for (const Case& test : cases) {
    Canvas canvas(8, 8);
    test.paint(canvas);
    EXPECT_EQ(CountSet(canvas, 1), test.expectedPixels) << test.name;
  }
}

TEST(CanvasTest, OutsideReadsIndexZeroAndWritesAreIgnored) {
  Canvas canvas(4, 3, 9);
  canvas.Set(-1, 0, 5);
  canvas.Set(4, 0, 5);
  canvas.Set(0, 3, 5);
  EXPECT_EQ(CountSet(canvas, 9), 12);
  EXPECT_EQ(canvas.At(-1, 0), 0);
  EXPECT_EQ(canvas.At(0, 3), 0);
  EXPECT_EQ(Canvas(-5, 3).indices().size(), 0u);
}

TEST(CanvasTest, OrderedDitheringSetsLevelTimesSixteenPixelsOfEveryBlock) {
  for (int sixteenths = 0; sixteenths <= 16; ++sixteenths) {
    for (int blockX = 0; blockX < 12; blockX += 4) {
      int on = 0;
      for (int y = 0; y < 4; ++y) {
        for (int x = blockX; x < blockX + 4; ++x) on += DitherOn(x, y + 8, sixteenths / 16.0);
      }
      EXPECT_EQ(on, sixteenths) << "level " << sixteenths << "/16";
    }
  }
}

TEST(CanvasTest, DitherRampStaysWithinTheRamp) {
  const std::vector<uint8_t> ramp = {3, 5, 9};
  for (double level : {-1.0, 0.0, 0.2, 0.5, 0.77, 1.0, 2.0}) {
    for (int x = 0; x < 4; ++x) {
      const uint8_t index = DitherRamp(ramp, x, x + 1, level);
      EXPECT_TRUE(index == 3 || index == 5 || index == 9) << level;
    }
  }
  EXPECT_EQ(DitherRamp(ramp, 0, 0, 0.0), 3);
  EXPECT_EQ(DitherRamp(ramp, 0, 0, 1.0), 9);
  EXPECT_EQ(DitherRamp({}, 0, 0, 0.5), 0);
}

TEST(CanvasTest, TheSameSeedPaintsTheSamePicture) {
  Random first(42), second(42), other(43);
  EXPECT_EQ(Landscape(64, 48, first).indices(), Landscape(64, 48, second).indices());
  Random again(42);
  EXPECT_NE(Landscape(64, 48, again).indices(), Landscape(64, 48, other).indices());
}

// --- The BMP encoder ------------------------------------------------------------

TEST(BmpFileTest, EveryPixelComesBackThroughTheLoader) {
  const PictureSize sizes[] = {{1, 1}, {3, 2}, {10, 2}, {13, 7}, {256, 192}};
  for (const PictureSize& size : sizes) {
    Random random(7);
    const Canvas canvas = Landscape(size.width, size.height, random);
    TempDir dir;
    ASSERT_TRUE(WriteBmp(dir / "p.bmp", canvas.ToImage(DisplayPalette())));
    testing::internal::CaptureStdout();
    cBitmap bitmap;
    const bool loaded = bitmap.Load((dir / "p.bmp").c_str());
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(loaded) << size.width << "x" << size.height;
    int differences = 0;
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x)
        differences += bitmap.GetPixelIndex(x, y) != canvas.At(x, y);
    }
    EXPECT_EQ(differences, 0) << size.width << "x" << size.height;
  }
}

TEST(BmpFileTest, MissingPixelsAreWrittenAsIndexZero) {
  BmpImage image;
  image.width = 4;
  image.height = 2;
  image.indices = {7, 7, 7};  // five pixels short
  const Bytes bytes = EncodeBmp(image);
  ASSERT_EQ(bytes.size(), 54u + 1024u + 8u);
  EXPECT_EQ(Bytes(bytes.end() - 8, bytes.end()), Bytes({0, 0, 0, 0, 7, 7, 7, 0}));
}

TEST(BmpFileTest, WritingToAFolderThatDoesNotExistFails) {
  EXPECT_FALSE(WriteBmp("/nonexistent-folder/p.bmp", BmpImage{}));
}

// --- Pictures keep their data type's rules ---------------------------------------

TEST(ScenesTest, ColourTilesHaveAtMostTwoIndicesPerCellAndConvert) {
  for (const PictureSize& size : kCellSizes) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      Random random(seed);
      const Canvas canvas = ColourTiles(size.width, size.height, random);
      EXPECT_LE(MostIndicesInACell(canvas), 2u) << size.width << "x" << size.height;
      if (seed == 1) {
        EXPECT_TRUE(Convert(process_colourtile, canvas).result) << size.width;
      }
    }
  }
}

TEST(ScenesTest, ColourTilesRoundSizesDownToWholeCells) {
  Random random(1);
  const Canvas canvas = ColourTiles(30, 17, random);
  EXPECT_EQ(canvas.width(), 24);
  EXPECT_EQ(canvas.height(), 16);
}

TEST(ScenesTest, TitleScreenCellsHaveTwoColoursSoNoneFlashes) {
  Random random(3);
  const Canvas canvas = TitleScreen(random);
  ASSERT_EQ(canvas.width(), 256);
  ASSERT_EQ(canvas.height(), 192);
  EXPECT_LE(MostIndicesInACell(canvas), 2u);
  const ConverterRun run = Convert(process_titlescreen, canvas);
  ASSERT_TRUE(run.result);
  ASSERT_EQ(run.bytes.size(), 6912u);
  for (size_t i = 6144; i < run.bytes.size(); ++i)
    EXPECT_EQ(run.bytes[i] & 0x80, 0) << "cell " << i - 6144;
}

TEST(ScenesTest, TileLevelsUseFewTilesAtEverySize) {
  for (const PictureSize& size : kCellSizes) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      Random random(seed);
      const ConverterRun run =
          Convert(process_tilepicture, TileLevel(size.width, size.height, random));
      ASSERT_TRUE(run.result) << size.width << "x" << size.height;
      EXPECT_LE(Symbol(run.listing, "uniquetiles"), 16);
    }
  }
  Random random(1);
  EXPECT_EQ(TileLevel(7, 100, random).indices().size(), 0u);
}

TEST(ScenesTest, CockpitMaskStreamsHaveEvenLengths) {
  for (int height : {64, 128, 192}) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      Random random(seed);
      const Canvas canvas = CockpitMask(height, random);
      ASSERT_EQ(canvas.width(), 256);
      EXPECT_EQ(CountUnmaskedGroups(canvas) % 2, 0);
      EXPECT_GT(CountSet(canvas, kMaskIndex), 0);
      // The parity argument, checked against the real packer.
      const ConverterRun run = Convert(process_fullscreenmask, canvas);
      ASSERT_TRUE(run.result) << height;
      EXPECT_EQ(run.bytes.size() % 2, 0u) << "height " << height << " seed " << seed;
    }
  }
}

TEST(ScenesTest, MaskedCreaturesStandOnTheMaskColour) {
  Random random(1);
  const Canvas masked = Creature(16, 16, true, random);
  const Canvas unmasked = Creature(16, 16, false, random);
  EXPECT_GT(CountSet(masked, kMaskIndex), 0);
  EXPECT_EQ(CountSet(unmasked, kMaskIndex), 0);
  const ConverterRun run = Convert(process_maskedsprite, masked);
  ASSERT_TRUE(run.result);
  ASSERT_EQ(run.bytes.size(), 64u);
  EXPECT_EQ(run.bytes[0], 0xFF) << "the top-left group is all mask";
}

TEST(ScenesTest, ColourMapsHaveEvenHeightsAndDisplayColours) {
  Random random(1);
  const Canvas canvas = ColourMap(20, 13, random);
  EXPECT_EQ(canvas.height(), 12);
  for (uint8_t index : canvas.indices()) EXPECT_LT(index, 16);
  EXPECT_TRUE(Convert(process_colourblock, canvas).result);
}

TEST(ScenesTest, PropellerFramesDifferAndShareOneSize) {
  Random random(1);
  const std::vector<Canvas> frames = PropellerFrames(32, 24, 4, random);
  ASSERT_EQ(frames.size(), 4u);
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].width(), 32);
    EXPECT_EQ(frames[i].height(), 24);
    EXPECT_NE(frames[i].indices(), frames[i - 1].indices()) << "frame " << i;
  }
}

TEST(ScenesTest, GreyScenesSpanManyTones) {
  Random random(1);
  const Canvas canvas = GreyScene(64, 48, random);
  const std::set<uint8_t> tones(canvas.indices().begin(), canvas.indices().end());
  EXPECT_GT(tones.size(), 64u);
}

TEST(ScenesTest, RawTablesHaveTheAskedSize) {
  for (int size : {0, 1, 7, 128, 6912}) {
    Random random(1);
    EXPECT_EQ(RawTable(size, random).size(), static_cast<size_t>(size));
  }
}

// --- The corpus plan -------------------------------------------------------------

TEST(CorpusTest, ThirtyThreeItemsCoverEveryDataTypeAndCompressionPair) {
  std::set<std::string> pairs;
  for (int number = 0; number < static_cast<int>(kDataTypeCount * kCompressionModeCount); ++number) {
    const CorpusItem item = MakeCorpusItem(number);
    pairs.insert(item.dataType + " " + item.compression);
    EXPECT_FALSE(item.inputs.empty()) << number;
  }
  EXPECT_EQ(pairs.size(), kDataTypeCount * kCompressionModeCount);
}

// --- The bundled example -------------------------------------------------------

TEST(ExamplesTest, CommittedImagesAreWhatTheGeneratorPaints) {
  for (const GeneratedFile& file : ExampleImages()) {
    const bool same =
        ReadBytes(std::string(KESTRIP_SOURCE_DIR) + "/examples/" + file.name) == file.bytes;
    EXPECT_TRUE(same) << file.name << " differs: run `make examples` after changing the generator";
  }
}

TEST(ExamplesTest, DemoNamesEveryDataTypeAndRunsToDone) {
  const std::string examples = std::string(KESTRIP_SOURCE_DIR) + "/examples";
  const std::string script = ReadText(examples + "/demo.kst");
  for (const DataTypeInfo& type : DataTypes()) {
    EXPECT_NE(script.find(std::string(" ") + type.word + " "), std::string::npos) << type.word;
  }
  for (const CompressionInfo& mode : CompressionModes()) {
    EXPECT_NE(script.find(std::string(" ") + mode.word + " "), std::string::npos) << mode.word;
  }
  TempDir out;
  const RunResult run = RunKestrip(examples, {"demo.kst", out / "demo.bin", out / "demo.lst"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.substr(run.output.size() >= 5 ? run.output.size() - 5 : 0), "Done\n");
}
