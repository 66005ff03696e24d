#include "converters/fullscreenmask.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bitmap/bitmap.h"
#include "image_test_helpers.h"
#include "test_support.h"
#include "writers/bin_writer.h"

namespace {

// Palette indices of the test images.
enum : uint8_t { kBlack = 0, kMask = 1, kWhite = 2, kDarkGrey = 3, kNearMask = 4, kRedOne = 5 };

std::vector<Rgb> TestPalette() {
  std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  palette[kMask] = {255, 0, 255};
  palette[kWhite] = {255, 255, 255};
  palette[kDarkGrey] = {1, 1, 1};
  palette[kNearMask] = {255, 1, 255};
  palette[kRedOne] = {1, 0, 0};
  for (int i = 6; i < 256; ++i) palette[i] = {static_cast<uint8_t>(i), 7, static_cast<uint8_t>(i)};
  return palette;
}

BmpImage BlankImage(int width, int height, uint8_t index = kBlack) {
  return FilledImage(width, height, index, TestPalette());
}

void FillRow(BmpImage& image, int y, uint8_t index) {
  for (int x = 0; x < image.width; ++x)
    image.indices[static_cast<size_t>(y) * image.width + x] = index;
}

// A writer whose appended bytes the tests can read.
class CapturingWriter : public cBinWriter {
 public:
  CapturingWriter() { Init(); }
  Bytes Appended() const { return Bytes(Data(), Data() + GetSize()); }
};

Bytes Pack(const Bytes& pairs, int height) {
  CapturingWriter writer;
  EXPECT_TRUE(compress_fullscreenmask(pairs.data(), height, writer));
  return writer.Appended();
}

// Pair buffer of a 64-row image: the given pairs first, then `filler`.
Bytes PairsStartingWith(const std::vector<std::pair<uint8_t, uint8_t>>& first,
                        std::pair<uint8_t, uint8_t> filler) {
  Bytes pairs;
  for (const auto& pair : first) pairs.insert(pairs.end(), {pair.first, pair.second});
  while (pairs.size() < 2 * 2048) pairs.insert(pairs.end(), {filler.first, filler.second});
  return pairs;
}

std::vector<std::pair<uint8_t, uint8_t>> SamePairs(uint8_t mask, uint8_t graphic, int count) {
  return std::vector<std::pair<uint8_t, uint8_t>>(count, {mask, graphic});
}

std::vector<std::pair<uint8_t, uint8_t>> Join(std::vector<std::pair<uint8_t, uint8_t>> a,
                                              const std::vector<std::pair<uint8_t, uint8_t>>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Deliberately plain reference: every pixel on its own, its pair placed by
// the display-order formula, its class from the colour.
Bytes ReferencePairs(const BmpImage& image) {
  Bytes pairs(static_cast<size_t>(image.height) * 64, 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t index = image.indices[static_cast<size_t>(y) * image.width + x];
      const Rgb colour = index < image.palette.size() ? image.palette[index] : Rgb{0, 0, 0};
      const bool masked = colour.red == 255 && colour.green == 0 && colour.blue == 255;
      const bool drawn = !masked && (colour.red || colour.green || colour.blue);
      const int pair = 2048 * (y / 64) + 256 * (y % 8) + 32 * ((y / 8) % 8) + x / 8;
      const int bit = 7 - x % 8;
      if (masked) pairs[2 * pair] |= static_cast<uint8_t>(1 << bit);
      if (drawn) pairs[2 * pair + 1] |= static_cast<uint8_t>(1 << bit);
    }
  }
  return pairs;
}


ConverterRun ConvertImage(const TempDir& dir, const BmpImage& image, const char* tag = "t",
                          int address = 0) {
  WriteBmp(dir / "mask.bmp", image);
  return RunConverter(process_fullscreenmask, Quoted(dir / "mask.bmp"), tag, address);
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char byte[4];
  for (uint8_t b : bytes) {
    snprintf(byte, sizeof byte, "%02X ", b);
    text += byte;
  }
  return text;
}

Bytes Prefix(const Bytes& bytes, size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + std::min(count, bytes.size()));
}

// ---------------------------------------------------------------------------
// Packing pair sequences

TEST(FullScreenMaskPackTest, RecordsFollowTheirKeys) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint8_t, uint8_t>> first;
    Bytes expectedStart;
  };
  const std::vector<Case> cases = {
      {"worked example",
       {{0x00, 0x3C}, {0x00, 0x18}, {0xFF, 0x00}, {0xFF, 0x00}, {0xFF, 0x00}, {0x81, 0x24}},
       {0x00, 0x02, 0x3C, 0x18, 0xFF, 0x03, 0x81, 0x24}},
      {"lone mixed pairs each a record",
       {{0x81, 0x24}, {0x81, 0x42}},
       {0x81, 0x24, 0x81, 0x42, 0xFF}},
      {"255 masked pairs", Join(SamePairs(0xFF, 0, 255), {{0x81, 0x00}}), {0xFF, 0xFF, 0x81, 0x00}},
      {"256 masked pairs",
       Join(SamePairs(0xFF, 0, 256), {{0x81, 0x00}}),
       {0xFF, 0xFF, 0xFF, 0x01, 0x81, 0x00}},
      {"255 unmasked pairs", Join(SamePairs(0x00, 0x5A, 255), {{0x81, 0x00}}),
       Concat({{0x00, 0xFF}, Repeat(0x5A, 255), {0x81, 0x00}})},
      {"256 unmasked pairs", Join(SamePairs(0x00, 0x5A, 256), {{0x81, 0x00}}),
       Concat({{0x00, 0xFF}, Repeat(0x5A, 255), {0x00, 0x01, 0x5A, 0x81, 0x00}})},
      {"unmasked run stops at a masked pair",
       {{0x00, 0x11}, {0xFF, 0x00}, {0x00, 0x22}},
       {0x00, 0x01, 0x11, 0xFF, 0x01, 0x00, 0x01, 0x22, 0xFF}},
      {"graphic byte of a masked pair is not stored",
       {{0xFF, 0x00}, {0x7E, 0x81}},
       {0xFF, 0x01, 0x7E, 0x81}},
  };
  for (const Case& c : cases) {
    const Bytes stream = Pack(PairsStartingWith(c.first, {0xFF, 0x00}), 64);
    EXPECT_EQ(Hex(Prefix(stream, c.expectedStart.size())), Hex(c.expectedStart)) << c.name;
    ASSERT_GE(stream.size(), 2u) << c.name;
    EXPECT_EQ(Hex(Bytes(stream.end() - 2, stream.end())), "FF 00 ") << c.name;
  }
}

TEST(FullScreenMaskPackTest, WholeStreamsOfUniformImages) {
  const Bytes allMasked = Pack(PairsStartingWith({}, {0xFF, 0x00}), 64);
  Bytes expected;
  for (int i = 0; i < 8; ++i) expected.insert(expected.end(), {0xFF, 0xFF});
  expected.insert(expected.end(), {0xFF, 0x08, 0xFF, 0x00});
  EXPECT_EQ(allMasked.size(), 20u);
  EXPECT_EQ(Hex(allMasked), Hex(expected));

  const Bytes allBlack = Pack(PairsStartingWith({}, {0x00, 0x00}), 64);
  expected.clear();
  for (int i = 0; i < 8; ++i) expected = Concat({expected, {0x00, 0xFF}, Repeat(0, 255)});
  expected = Concat({expected, {0x00, 0x08}, Repeat(0, 8), {0xFF, 0x00}});
  EXPECT_EQ(allBlack.size(), 2068u);
  EXPECT_EQ(allBlack, expected);
}

TEST(FullScreenMaskPackTest, RefusesHeightsItCannotHold) {
  const Bytes pairs(2 * 6144, 0);
  for (int height : {0, -64, 63, 100, 256}) {
    CapturingWriter writer;
    EXPECT_FALSE(compress_fullscreenmask(pairs.data(), height, writer)) << height;
    EXPECT_EQ(writer.GetSize(), 0) << height;
  }
}

// ---------------------------------------------------------------------------
// Pixel classes and display order, through images

TEST(FullScreenMaskGrabTest, PixelClassesAndBitOrder) {
  struct Case {
    const char* name;
    std::string group;  // eight pixels: . black, M mask, W white, g dark grey, n near mask, r red 1
    uint8_t mask;
    uint8_t graphic;
  };
  const std::vector<Case> cases = {
      {"black is neither", "........", 0x00, 0x00},
      {"mask colour", "MMMMMMMM", 0xFF, 0x00},
      {"white is drawn", "WWWWWWWW", 0x00, 0xFF},
      {"dark grey 1,1,1 is drawn", "gggggggg", 0x00, 0xFF},
      {"red 1 alone is drawn", "rrrrrrrr", 0x00, 0xFF},
      {"one step from the mask colour is drawn", "nnnnnnnn", 0x00, 0xFF},
      {"leftmost pixel in bit 7", "M......W", 0x80, 0x01},
      {"mixed group", "MngWWM.g", 0x84, 0x79},
  };
  const std::vector<std::pair<char, uint8_t>> legend = {{'.', kBlack},    {'M', kMask},
                                                        {'W', kWhite},    {'g', kDarkGrey},
                                                        {'n', kNearMask}, {'r', kRedOne}};
  TempDir dir;
  for (const Case& c : cases) {
    BmpImage image = BlankImage(256, 64);
    // Row 10, pixels 16..23: pair 256 * 2 + 32 * 1 + 2 in display order.
    const BmpImage group = ImageFromRows({c.group}, legend, TestPalette());
    for (int i = 0; i < 8; ++i) image.indices[10 * 256 + 16 + i] = group.indices[i];
    WriteBmp(dir / "group.bmp", image);
    cBitmap bitmap;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(bitmap.Load((dir / "group.bmp").c_str()));
    const std::unique_ptr<uint8_t[]> pairs = grab_fullscreenmask(bitmap);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(pairs) << c.name;
    const int pair = 2 * 256 + 32 + 2;
    EXPECT_EQ(pairs[2 * pair], c.mask) << c.name;
    EXPECT_EQ(pairs[2 * pair + 1], c.graphic) << c.name;
    EXPECT_EQ(Bytes(pairs.get(), pairs.get() + 2 * 2048), ReferencePairs(image)) << c.name;
  }
}

TEST(FullScreenMaskGrabTest, RunsCrossRowBoundaries) {
  // Image rows 0 and 8 are display rows 0 and 1: one run of 64 masked pairs.
  TempDir dir;
  BmpImage image = BlankImage(256, 64);
  FillRow(image, 0, kMask);
  FillRow(image, 8, kMask);
  const ConverterRun run = ConvertImage(dir, image);
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(Hex(Prefix(run.bytes, 4)), "FF 40 00 FF ");
}

TEST(FullScreenMaskGrabTest, RunsCrossThirdBoundaries) {
  // Image row 63 ends the first third (pairs 2016..2047), row 64 begins the
  // second (pairs 2048..2079): one run of 64 masked pairs between two
  // stretches of 2016 black pairs (7 records of 255 and one of 231 each).
  TempDir dir;
  BmpImage image = BlankImage(256, 128);
  FillRow(image, 63, kMask);
  FillRow(image, 64, kMask);
  const ConverterRun run = ConvertImage(dir, image);
  ASSERT_TRUE(run.result) << run.output;
  Bytes blackStretch;
  for (int i = 0; i < 7; ++i) blackStretch = Concat({blackStretch, {0x00, 0xFF}, Repeat(0, 255)});
  blackStretch = Concat({blackStretch, {0x00, 231}, Repeat(0, 231)});
  EXPECT_EQ(run.bytes, Concat({blackStretch, {0xFF, 0x40}, blackStretch, {0xFF, 0x00}}));
  EXPECT_EQ(run.bytes.size(), 4068u);
}

TEST(FullScreenMaskGrabTest, LongestStreamFitsWithoutFailure) {
  // Groups alternate black and masked: every black pair is a record of its
  // own (3 bytes) and every masked one too (2 bytes).
  TempDir dir;
  BmpImage image = BlankImage(256, 192);
  for (size_t i = 0; i < image.indices.size(); ++i) {
    image.indices[i] = (i / 8) % 2 ? kMask : kBlack;
  }
  const ConverterRun run = ConvertImage(dir, image);
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.bytes.size(), 15362u);
  EXPECT_EQ(run.bytes.size(), MaxMaskStreamSize(192));
  EXPECT_EQ(Hex(Prefix(run.bytes, 10)), "00 01 00 FF 01 00 01 00 FF 01 ");
  EXPECT_NE(run.listing.find("t_size equ 15362\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Round trips: converter stream -> decoder -> pairs of the plain reference

BmpImage RandomMaskImage(int height, unsigned seed) {
  std::mt19937 random(seed);
  BmpImage image = BlankImage(256, height);
  const uint8_t anyColour[] = {kBlack, kMask, kWhite, kDarkGrey, kNearMask, kRedOne, 77};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 256; x += 8) {
      // Mostly uniform groups, so that runs form and get cut.
      const int kind = static_cast<int>(random() % 4);
      const uint8_t uniform = kind == 0 ? kMask : kind == 1 ? kBlack : kWhite;
      for (int i = 0; i < 8; ++i) {
        image.indices[static_cast<size_t>(y) * 256 + x + i] =
            kind < 3 ? uniform : anyColour[random() % sizeof anyColour];
      }
    }
  }
  return image;
}

TEST(FullScreenMaskRoundTripTest, GeneratedImagesDecodeToReferencePairs) {
  TempDir dir;
  for (int height : {64, 128, 192}) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      const BmpImage image = RandomMaskImage(height, seed * 1000 + height);
      const ConverterRun run = ConvertImage(dir, image);
      ASSERT_TRUE(run.result) << run.output;
      std::vector<uint8_t> pairs;
      size_t consumed = 0;
      ASSERT_TRUE(DecodeMaskStream(run.bytes.data(), run.bytes.size(), pairs, &consumed));
      EXPECT_EQ(consumed, run.bytes.size()) << height << " " << seed;
      EXPECT_EQ(pairs, ReferencePairs(image)) << height << " " << seed;
      EXPECT_NE(run.listing.find("t_size equ " + std::to_string(run.bytes.size()) + "\n"),
                std::string::npos);
    }
  }
}

TEST(FullScreenMaskRoundTripTest, UniformAndAlternatingImages) {
  std::vector<BmpImage> images;
  for (uint8_t fill : {kBlack, kMask, kWhite}) images.push_back(BlankImage(256, 192, fill));
  BmpImage groups = BlankImage(256, 192);  // masked and black groups in turn
  for (size_t i = 0; i < groups.indices.size(); ++i)
    groups.indices[i] = (i / 8) % 2 ? kMask : kBlack;
  images.push_back(groups);
  BmpImage rows = BlankImage(256, 128);  // masked and white rows in turn
  for (int y = 0; y < 128; y += 2) FillRow(rows, y, kMask);
  for (int y = 1; y < 128; y += 2) FillRow(rows, y, kWhite);
  images.push_back(rows);

  TempDir dir;
  for (size_t i = 0; i < images.size(); ++i) {
    const ConverterRun run = ConvertImage(dir, images[i]);
    std::vector<uint8_t> pairs;
    ASSERT_TRUE(DecodeMaskStream(run.bytes.data(), run.bytes.size(), pairs)) << i;
    EXPECT_EQ(pairs, ReferencePairs(images[i])) << i;
  }
}

// ---------------------------------------------------------------------------
// Decoder

TEST(MaskStreamDecoderTest, DecodesRecords) {
  struct Case {
    const char* name;
    Bytes stream;
    Bytes pairs;
    size_t consumed;
  };
  const std::vector<Case> cases = {
      {"end record alone", {0xFF, 0x00}, {}, 2},
      {"worked example",
       {0x00, 0x02, 0x3C, 0x18, 0xFF, 0x03, 0x81, 0x24, 0xFF, 0x00},
       {0x00, 0x3C, 0x00, 0x18, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x81, 0x24},
       10},
      {"bytes after the end record are not read",
       {0x7E, 0x01, 0xFF, 0x00, 0x12, 0x34},
       {0x7E, 0x01},
       4},
      {"key 01 and key FE are single pairs",
       {0x01, 0xAA, 0xFE, 0x01, 0xFF, 0x00},
       {0x01, 0xAA, 0xFE, 0x01},
       6},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pairs;
    size_t consumed = 0;
    EXPECT_TRUE(DecodeMaskStream(c.stream.data(), c.stream.size(), pairs, &consumed)) << c.name;
    EXPECT_EQ(pairs, c.pairs) << c.name;
    EXPECT_EQ(consumed, c.consumed) << c.name;
  }
}

TEST(MaskStreamDecoderTest, RejectsMalformedStreams) {
  struct Case {
    const char* name;
    Bytes stream;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"key without count", {0xFF}},
      {"unmasked key without count", {0x00}},
      {"mixed key without graphic", {0x81}},
      {"zero count on an unmasked record", {0x00, 0x00, 0xFF, 0x00}},
      {"graphic bytes cut short", {0x00, 0x03, 0x11, 0x22}},
      {"no end record", {0xFF, 0x03}},
      {"no end record after graphics", {0x00, 0x01, 0x3C, 0x81, 0x24}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pairs;
    EXPECT_FALSE(DecodeMaskStream(c.stream.data(), c.stream.size(), pairs)) << c.name;
  }
}

TEST(MaskStreamDecoderTest, EveryCutOfAValidStreamIsRejected) {
  const BmpImage image = RandomMaskImage(64, 7);
  TempDir dir;
  const Bytes stream = ConvertImage(dir, image).bytes;
  ASSERT_GT(stream.size(), 2u);
  for (size_t length = 0; length < stream.size(); ++length) {
    const Bytes cut(stream.begin(),
                    stream.begin() + length);  // own allocation: ASan sees overreads
    std::vector<uint8_t> pairs;
    EXPECT_FALSE(DecodeMaskStream(cut.data(), cut.size(), pairs)) << length;
  }
}

// ---------------------------------------------------------------------------
// The converter: listing block and failures

TEST(FullScreenMaskConverterTest, ListingBlock) {
  TempDir dir;
  const ConverterRun run = ConvertImage(dir, BlankImage(256, 128, kMask), "screen", 40000);
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.listing,
            "; Data type: full screen mask\n"
            "; Input file: " +
                dir / "mask.bmp" +
                "\n"
                "screen_address equ 40000\n"
                "screen_width equ 256\n"
                "screen_height equ 128\n"
                "screen_size equ 36\n");
  EXPECT_EQ(run.bytes.size(), 36u);  // 4096 masked pairs: 16 records of 255, one of 16, end
}

TEST(FullScreenMaskConverterTest, SizeRefused) {
  const std::string sizeMessage = "Fullscreenmask image must be 256x64, 256x128 or 256x192\n";
  ExpectSizesRefused(process_fullscreenmask,
                     {{"256x100", 256, 100, sizeMessage},
                      {"320x192", 320, 192, sizeMessage},
                      {"248x64", 248, 64, sizeMessage},
                      {"256x256", 256, 256, sizeMessage}},
                     kBlack);
}

TEST(FullScreenMaskConverterTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteBmp(dir / "m.bmp", BlankImage(256, 64, kMask));
  const ScriptRun run =
      RunScriptFile(dir, "org 32768\nmask compressnone fullscreenmask \"m.bmp\"\n");
  EXPECT_EQ(run.run.output,
            "Loading bitmap image 'm.bmp'\n Bitmap image is 256x64\nLoaded bitmap ok!\nDone\n");
  EXPECT_EQ(run.run.status, 0);
  Bytes stream;
  for (int i = 0; i < 8; ++i) stream.insert(stream.end(), {0xFF, 0xFF});
  stream.insert(stream.end(), {0xFF, 0x08, 0xFF, 0x00});
  EXPECT_EQ(run.binary, Concat({{0x00, 20, 0x00}, stream}));
  EXPECT_EQ(run.listing, Banner("script.kst") +
                             "; Base address set to: 32768\n\n\n"
                             "; Data type: full screen mask\n"
                             "; Input file: m.bmp\n"
                             "mask_address equ 32771\n"
                             "mask_width equ 256\n"
                             "mask_height equ 64\n"
                             "mask_size equ 20\n"
                             "; 20 bytes written\n"
                             "; no compression used\n"
                             "; Header: 0,20\n"
                             "mask_id equ 0\n"
                             "\n\n" +
                             Totals(20));
}

}  // namespace
