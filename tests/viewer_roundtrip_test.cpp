// Round trips through both programs: pictures drawn here go through kestrip
// (the real program) and are read back by the viewer, for every data type,
// every compression word and both header settings. Each rendered pixel is
// checked against what the data type keeps of the input.
#include <gtest/gtest.h>

#include <map>

#include "converters/pixel_helpers.h"
#include "viewer_test_support.h"

namespace {

using namespace viewer_test;

struct Combination {
  const char* compression;
  bool headersOn;
};

std::ostream& operator<<(std::ostream& out, const Combination& combination) {
  return out << combination.compression << (combination.headersOn ? " headers on" : " headers off");
}

Colour InkOrPaper(uint8_t index) { return IsSampleInk(index) ? kInk : kPaper; }

// ---------------------------------------------------------------------------
// What each data type keeps of its picture.

void CheckRaw(const SampleBuild& sample, const SheetItem& item) {
  EXPECT_EQ(item.item->data, sample.raw);
  EXPECT_TRUE(item.rendering.picture.empty());
  EXPECT_TRUE(item.pictureFile.empty());
}

void CheckUnmaskedSprite(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.unmasked;
  ExpectPixels(item.rendering.picture, image.width, image.height,
               [&](int x, int y) { return Opaque(InkOrPaper(IndexAt(image, x, y))); });
}

void CheckMaskedSprite(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.masked;
  ExpectPixels(item.rendering.picture, image.width, image.height, [&](int x, int y) {
    const uint8_t index = IndexAt(image, x, y);
    return index == kMaskIndex ? SeeThrough() : Opaque(InkOrPaper(index));
  });
}

void CheckGfxBlock(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.gfx;
  ExpectPixels(item.rendering.picture, 256, 64,
               [&](int x, int y) { return Opaque(InkOrPaper(IndexAt(image, x, y))); });
}

void CheckTitleScreen(const SampleBuild& sample, const SheetItem& item) {
  ExpectPixels(item.rendering.picture, 256, 192,
               [&](int x, int y) { return Opaque(TitleScreenColour(sample.title, x, y)); });
  // The three-colour cell and the cell whose second colour is bright flash.
  const std::vector<CellPosition>& flash = item.rendering.flashCells;
  ASSERT_EQ(flash.size(), 2u);
  EXPECT_EQ(flash[0].x, 0);
  EXPECT_EQ(flash[1].x, 8);
  EXPECT_EQ(flash[1].y, 0);
}

void CheckFullScreenMask(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.mask;
  ExpectPixels(item.rendering.picture, 256, 128, [&](int x, int y) {
    const uint8_t index = IndexAt(image, x, y);
    if (index == kMaskIndex) return SeeThrough();
    return Opaque(index == 0 ? kUndrawn : kDrawn);  // index 1 is grey 1,1,1: drawn
  });
}

void CheckLineAnim(const SampleBuild& sample, const SheetItem& item) {
  const int pitch = 16 + kFrameGap;
  ExpectPixels(item.rendering.picture, 3 * pitch - kFrameGap, 6, [&](int x, int y) {
    if (x % pitch >= 16) return Opaque(kCanvas);
    return Opaque(InkOrPaper(IndexAt(sample.frames[static_cast<size_t>(x / pitch)], x % pitch, y)));
  });
}

void CheckColourBlock(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.colourBlock;
  ExpectPixels(item.rendering.picture, 8 * image.width, 8 * image.height / 2, [&](int x, int y) {
    const uint8_t top = IndexAt(image, x / 8, 2 * (y / 8));
    const uint8_t bottom = IndexAt(image, x / 8, 2 * (y / 8) + 1);
    const bool bright = (top | bottom) & 8;
    return Opaque(y % 8 < 4 ? DisplayColour(top & 7, bright) : DisplayColour(bottom & 7, bright));
  });
  EXPECT_TRUE(item.rendering.flashCells.empty());
}

void CheckColourTile(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.colourTile;
  ExpectPixels(item.rendering.picture, image.width, image.height, [&](int x, int y) {
    int cellIndices = 0;
    for (int cy = 0; cy < 8; ++cy) {
      for (int cx = 0; cx < 8; ++cx) cellIndices |= IndexAt(image, x / 8 * 8 + cx, y / 8 * 8 + cy);
    }
    return Opaque(DisplayColour(IndexAt(image, x, y) & 7, cellIndices & 8));
  });
}

void CheckTilePicture(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.tiles;
  ExpectPixels(item.rendering.picture, image.width, image.height, [&](int x, int y) {
    return Opaque(IndexAt(image, x, y) != 0 ? kDrawn : kUndrawn);
  });
  // The sheet holds each unique tile once, in the order the map first names it.
  const std::vector<std::vector<uint8_t>> tiles = UniqueTiles(image);
  EXPECT_EQ(item.item->layout.uniqueTiles, static_cast<int>(tiles.size()));
  const Image& sheet = item.rendering.tileSheet;
  ASSERT_EQ(sheet.width(), static_cast<int>(tiles.size()) * kSheetCellPitch + 1);
  ASSERT_EQ(sheet.height(), kSheetCellPitch + 1);
  for (size_t t = 0; t < tiles.size(); ++t) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool set = (tiles[t][y] >> (7 - x)) & 1;
        ASSERT_EQ(sheet.At(1 + kSheetCellPitch * static_cast<int>(t) + x, 1 + y), set ? kDrawn : kUndrawn)
            << "tile " << t << " pixel " << x << "," << y;
      }
    }
  }
}

void CheckGreyscale(const SampleBuild& sample, const SheetItem& item) {
  const BmpImage& image = sample.greys;
  ExpectPixels(item.rendering.picture, image.width, image.height, [&](int x, int y) {
    const uint8_t grey = SampleGrey(IndexAt(image, x, y));
    return Opaque(Colour{grey, grey, grey});
  });
}

struct DataTypeCheck {
  const char* tag;
  DataTypeId type;
  void (*check)(const SampleBuild&, const SheetItem&);
};

const DataTypeCheck kChecks[] = {
    {"blob", DataTypeId::kRaw, CheckRaw},
    {"hero", DataTypeId::kUnmaskedSprite, CheckUnmaskedSprite},
    {"ghost", DataTypeId::kMaskedSprite, CheckMaskedSprite},
    {"logo", DataTypeId::kGfxBlock, CheckGfxBlock},
    {"title", DataTypeId::kTitleScreen, CheckTitleScreen},
    {"curtain", DataTypeId::kFullScreenMask, CheckFullScreenMask},
    {"walk", DataTypeId::kLineAnim, CheckLineAnim},
    {"colours", DataTypeId::kColourBlock, CheckColourBlock},
    {"ctile", DataTypeId::kColourTile, CheckColourTile},
    {"map", DataTypeId::kTilePicture, CheckTilePicture},
    {"shade", DataTypeId::kGreyscale, CheckGreyscale},
};

class ViewerRoundTrip : public testing::TestWithParam<Combination> {};

TEST_P(ViewerRoundTrip, EveryDataTypeComesBackAsTheTargetKeepsIt) {
  const Combination combination = GetParam();
  TempDir dir;
  const SampleBuild sample = BuildSample(dir, combination.compression, combination.headersOn);
  View view;
  std::string error;
  ASSERT_TRUE(ReadAndRender(SampleOptions(dir), view, error)) << error;
  ASSERT_EQ(view.items.size(), std::size(kChecks));

  int expectedAddress = 32768;
  for (size_t i = 0; i < view.items.size(); ++i) {
    const DataTypeCheck& check = kChecks[i];
    const SheetItem& item = view.items[i];
    SCOPED_TRACE(check.tag);
    ASSERT_EQ(item.item->listing.tag, check.tag);
    EXPECT_EQ(item.item->layout.type->id, check.type);
    EXPECT_EQ(item.item->listing.compression, FindCompression(combination.compression));
    EXPECT_EQ(item.item->hasHeader, combination.headersOn);
    if (combination.headersOn) expectedAddress += 3;
    EXPECT_EQ(item.item->address, expectedAddress);
    expectedAddress += item.item->layout.outputSize;
    check.check(sample, item);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCompression, ViewerRoundTrip,
                         testing::Values(Combination{"compressnone", true},
                                         Combination{"compressbyte", true},
                                         Combination{"compressword", true},
                                         Combination{"compressnone", false},
                                         Combination{"compressbyte", false},
                                         Combination{"compressword", false}),
                         [](const testing::TestParamInfo<Combination>& info) {
                           return std::string(info.param.compression) +
                                  (info.param.headersOn ? "_headers_on" : "_headers_off");
                         });

// ---------------------------------------------------------------------------
// The real program: its files and exit status.

TEST(ViewerProgram, WritesAPictureForEveryItemButRawAndTheContactSheet) {
  TempDir dir;
  BuildSample(dir);
  const RunResult run = RunViewer(dir.path(), {"out.bin", "out.lst", "sheet"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "kestrip-view: 11 items, 10 pictures; contact sheet sheet/index.html\n");
  for (const char* tag : kSampleTags) {
    EXPECT_EQ(FileExists(dir / ("sheet/" + std::string(tag) + ".png")), std::string(tag) != "blob")
        << tag;
  }
  const std::string html = ReadText(dir / "sheet/index.html");
  // Script order, every tag once.
  size_t at = 0;
  for (const char* tag : kSampleTags) {
    const size_t found = html.find("<h2>" + std::string(tag) + "</h2>", at);
    ASSERT_NE(found, std::string::npos) << tag;
    at = found;
  }
}

TEST(ViewerProgram, ScaleOptionScalesEveryPicture) {
  TempDir dir;
  const SampleBuild sample = BuildSample(dir);
  ASSERT_EQ(RunViewer(dir.path(), {"--scale", "3", "out.bin", "out.lst", "x3"}).status, 0);
  PngPicture png;
  ASSERT_TRUE(ReadPng(dir / "x3/hero.png", png));
  EXPECT_EQ(png.width, 3 * 24);
  EXPECT_EQ(png.height, 3 * 10);
  for (int y = 0; y < png.height; ++y) {
    for (int x = 0; x < png.width; ++x) {
      ASSERT_EQ(png.At(x, y), InkOrPaper(IndexAt(sample.unmasked, x / 3, y / 3))) << x << "," << y;
    }
  }
}

TEST(ViewerProgram, WrongCommandLinesGiveUsageAndStatus2) {
  TempDir dir;
  const std::vector<std::vector<std::string>> commandLines = {
      {}, {"a", "b"}, {"a", "b", "c", "d"}, {"--scale", "0", "a", "b", "c"},
      {"--scale", "9", "a", "b", "c"}, {"--scale", "a", "b", "c"}, {"a", "b", "c", "--scale"}};
  for (const auto& args : commandLines) {
    const RunResult run = RunViewer(dir.path(), args);
    EXPECT_EQ(run.status, 2) << args.size();
    EXPECT_EQ(run.output, "usage: kestrip-view [--scale N] BIN LST OUTDIR\n");
  }
}

}  // namespace
