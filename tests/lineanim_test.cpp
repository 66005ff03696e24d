#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "image_test_helpers.h"
#include "test_support.h"

namespace {

// '#' black (ink), '.' white (paper).
BmpImage Frame(const std::vector<std::string>& rows) {
  return ImageFromRows(rows, {{'#', 0}, {'.', 255}}, GreyPalette());
}

BmpImage PlainFrame(int width, int height) {
  return Frame(std::vector<std::string>(height, std::string(width, '.')));
}

std::string MissingLines(const std::string& path) {
  return "Loading bitmap image '" + path + "'\n Couldn't open/read BMP file\n";
}

std::string ListingLines(const std::string& tag, const std::string& base, int address, int width,
                         int height, int frames) {
  std::string lines = "; Data type: line anim\n; Input file: " + base + "\n";
  const std::pair<const char*, int> symbols[] = {
      {"address", address},    {"framewidth", width}, {"framecharwidth", width / 8},
      {"frameheight", height}, {"frames", frames},    {"size", frames * height * width / 8}};
  for (const auto& symbol : symbols) {
    lines += tag + "_" + symbol.first + " equ " + std::to_string(symbol.second) + "\n";
  }
  return lines;
}

// The three frames of the worked example, 16x2, and their bytes.
void WriteRunFrames(const TempDir& dir) {
  WriteBmp(dir / "run001.bmp", Frame({"#.......########", "................"}));
  WriteBmp(dir / "run002.bmp", Frame({".#.#.#.#........", "#..............#"}));
  WriteBmp(dir / "run003.bmp", Frame({"################", "....####....####"}));
}
const Bytes kRunBytes = {0x80, 0xFF, 0x00, 0x00, 0x55, 0x00, 0x80, 0x01, 0xFF, 0xFF, 0x0F, 0x0F};

// ---------------------------------------------------------------------------
// Series

TEST(LineAnimTest, WorkedExample) {
  TempDir dir;
  WriteRunFrames(dir);
  const std::string base = dir / "run";
  const ConverterRun run = RunConverter(process_lineanim, Quoted(base), "run", 30000);
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.bytes, kRunBytes);
  EXPECT_EQ(run.output, LoadedLines(base + "001.bmp", 16, 2) +
                            LoadedLines(base + "002.bmp", 16, 2) +
                            LoadedLines(base + "003.bmp", 16, 2) + MissingLines(base + "004.bmp"));
  EXPECT_EQ(run.listing, ListingLines("run", base, 30000, 16, 2, 3));
}

// The series ends at the first frame number with no file; a frame that is
// there but can't be loaded fails the item rather than ending it early.
TEST(LineAnimTest, SeriesEndsAtTheFirstMissingFrameAndAFrameThatCannotBeLoadedFails) {
  struct Case {
    const char* name;
    bool refusedThird;  // walk003.bmp present but of a kind not read (2 bits per pixel)
    std::string expectedTail;
  };
  TempDir dir;
  const std::string base = dir / "walk";
  const std::vector<Case> cases = {
      {"gap in the numbers", false, MissingLines(base + "003.bmp")},
      {"refused frame", true,
       "Loading bitmap image '" + base +
           "003.bmp'\n"
           " Wrong bitmap type in ( Must be 256 colours non-compressed )\n"
           "process_lineanim couldn't load '" +
           base + "003.bmp'\n"},
  };
  for (const Case& c : cases) {
    WriteBmp(base + "001.bmp", Frame({"########"}));
    WriteBmp(base + "002.bmp", Frame({"#......."}));
    std::remove((base + "003.bmp").c_str());
    if (c.refusedThird) {
      BmpOptions options;
      options.fields16 = {{kBmpBitsPerPixel, 2}};
      WriteBmp(base + "003.bmp", Frame({"........"}), options);
    }
    WriteBmp(base + "004.bmp", Frame({"........"}));
    const ConverterRun run = RunConverter(process_lineanim, Quoted(base));
    EXPECT_EQ(run.result, !c.refusedThird) << c.name << run.output;
    EXPECT_EQ(run.output, LoadedLines(base + "001.bmp", 8, 1) +
                              LoadedLines(base + "002.bmp", 8, 1) + c.expectedTail)
        << c.name;
    EXPECT_EQ(run.output.find("004"), std::string::npos) << c.name;
    EXPECT_EQ(run.listing, c.refusedThird ? "" : ListingLines("t", base, 0, 8, 1, 2)) << c.name;
    if (!c.refusedThird) {
      EXPECT_EQ(run.bytes, Bytes({0xFF, 0x80})) << c.name;
    }
  }
}

TEST(LineAnimTest, SingleFrameIsASeries) {
  TempDir dir;
  WriteBmp(dir / "one001.bmp", Frame({"#.#.#.#.", "........", "########"}));
  const ConverterRun run = RunConverter(process_lineanim, Quoted(dir / "one"));
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.bytes, Bytes({0xAA, 0x00, 0xFF}));
  EXPECT_EQ(run.listing, ListingLines("t", dir / "one", 0, 8, 3, 1));
}

TEST(LineAnimTest, LongBaseNameIsNotCut) {
  // A base name of 255 characters gives frame names of 262.
  TempDir dir;
  const std::string folder = dir / std::string(200, 'd');
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string base = folder + "/" + std::string(255 - folder.size() - 1, 'b');
  ASSERT_EQ(base.size(), 255u);
  WriteBmp(base + "001.bmp", Frame({"#......."}));
  const ConverterRun run = RunConverter(process_lineanim, Quoted(base));
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.bytes, Bytes({0x80}));
  EXPECT_NE(run.output.find(MissingLines(base + "002.bmp")), std::string::npos);
}

// ---------------------------------------------------------------------------
// Failures

TEST(LineAnimTest, Failures) {
  TempDir dir;
  const std::string base = dir / "f";
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> frameSizes;  // frames 1, 2, ... written as width x height
    std::string arguments;
    std::string expectedOutput;
  };
  const std::vector<Case> cases = {
      {"no file name", {}, "12", "process_lineanim expected filename\n"},
      {"no frame 1", {}, Quoted(base), MissingLines(base + "001.bmp") + "no images found!\n"},
      {"frame 1 width 12",
       {{12, 2}},
       Quoted(base),
       LoadedLines(base + "001.bmp", 12, 2) +
           "process_lineanim image width must be a multiple of 8\nno images found!\n"},
      {"frame 2 height differs",
       {{16, 2}, {16, 3}},
       Quoted(base),
       LoadedLines(base + "001.bmp", 16, 2) + LoadedLines(base + "002.bmp", 16, 3) + "image " +
           base + "002.bmp has different size to base image\n"},
      {"frame 3 width differs",
       {{16, 2}, {16, 2}, {8, 2}},
       Quoted(base),
       LoadedLines(base + "001.bmp", 16, 2) + LoadedLines(base + "002.bmp", 16, 2) +
           LoadedLines(base + "003.bmp", 8, 2) + "image " + base +
           "003.bmp has different size to base image\n"},
  };
  for (const Case& c : cases) {
    for (int number = 1; number <= 3; ++number) {
      std::remove((base + "00" + std::to_string(number) + ".bmp").c_str());
    }
    for (size_t i = 0; i < c.frameSizes.size(); ++i) {
      WriteBmp(base + "00" + std::to_string(i + 1) + ".bmp",
               PlainFrame(c.frameSizes[i].first, c.frameSizes[i].second));
    }
    const ConverterRun run = RunConverter(process_lineanim, c.arguments);
    EXPECT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.output, c.expectedOutput) << c.name;
    EXPECT_EQ(run.listing, "") << c.name;
  }
}

TEST(LineAnimTest, SeriesLargerThanAnItemIsRefusedByTheWriter) {
  // 256x192 frames are 6144 bytes: the ninth does not fit in 51200. The
  // whole series is still read (a full item does not end it), and the item
  // is refused when it is prepared.
  TempDir dir;
  const std::string base = dir / "big";
  for (int number = 1; number <= 10; ++number) {
    char name[16];
    snprintf(name, sizeof name, "%03d.bmp", number);
    WriteBmp(base + name, PlainFrame(256, 192));
  }
  const InProcessRun run = RunScriptText("big compressnone lineanim " + Quoted(base) + "\n");
  EXPECT_FALSE(run.result);
  EXPECT_NE(run.output.find(LoadedLines(base + "010.bmp", 256, 192) +
                            MissingLines(base + "011.bmp") +
                            "Item data is larger than the 51200 bytes an item can hold\n"
                            "Error preparing outputting data\n"),
            std::string::npos)
      << run.output;
  EXPECT_TRUE(run.binary.empty());
}

// ---------------------------------------------------------------------------
// Ink rule

TEST(LineAnimTest, InkRule) {
  struct Case {
    const char* name;
    Rgb colour;
    uint8_t expected;  // byte of eight pixels of the colour
  };
  const std::vector<Case> cases = {
      {"black", {0, 0, 0}, 0xFF},
      {"white", {255, 255, 255}, 0x00},
      {"brightness exactly 0.5 is paper", {170, 0, 255}, 0x00},
      {"grey 127 is ink", {127, 127, 127}, 0xFF},
      {"grey 128 is paper", {128, 128, 128}, 0x00},
  };
  TempDir dir;
  for (const Case& c : cases) {
    BmpImage image = ImageFromRows({"xxxxxxxx"}, {{'x', 9}}, GreyPalette());
    image.palette[9] = c.colour;
    WriteBmp(dir / "ink001.bmp", image);
    const ConverterRun run = RunConverter(process_lineanim, Quoted(dir / "ink"));
    ASSERT_TRUE(run.result) << c.name;
    EXPECT_EQ(run.bytes, Bytes({c.expected})) << c.name;
  }
}

// ---------------------------------------------------------------------------
// Through the real program

TEST(LineAnimTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteRunFrames(dir);
  const ScriptRun run = RunScriptFile(dir, "org 24000\nanim compressnone lineanim run\n");
  EXPECT_EQ(run.run.status, 0) << run.run.output;
  EXPECT_EQ(run.run.output, LoadedLines("run001.bmp", 16, 2) + LoadedLines("run002.bmp", 16, 2) +
                                LoadedLines("run003.bmp", 16, 2) + MissingLines("run004.bmp") +
                                "Done\n");
  EXPECT_EQ(run.binary, Concat({{0x00, 12, 0x00}, kRunBytes}));
  EXPECT_EQ(run.listing, Banner("script.kst") + "; Base address set to: 24000\n\n\n" +
                             ListingLines("anim", "run", 24003, 16, 2, 3) +
                             "; 12 bytes written\n"
                             "; no compression used\n"
                             "; Header: 0,12\n"
                             "anim_id equ 0\n"
                             "\n\n" +
                             Totals(12));
}

}  // namespace
