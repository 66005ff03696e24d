#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_test_helpers.h"

namespace {

constexpr Rgb kMagenta{255, 0, 255};
constexpr uint8_t kBlack = 0;
constexpr uint8_t kWhite = 255;
constexpr uint8_t kMaskIndex = 1;

// M mask colour, B black, W white.
BmpImage SpriteImage(const std::vector<std::string>& rows) {
  return ImageFromRows(rows, {{'M', kMaskIndex}, {'B', kBlack}, {'W', kWhite}},
                       GreysWith({{kMaskIndex, kMagenta}}));
}

struct SpriteKind {
  const char* name;
  Converter convert;
  const char* dataType;
  bool masked;
};

const SpriteKind kKinds[] = {
    {"process_maskedsprite", process_maskedsprite, "masked sprite", true},
    {"process_unmaskedsprite", process_unmaskedsprite, "unmasked sprite", false},
};

std::string SpriteListing(const SpriteKind& kind, const std::string& path, const std::string& tag,
                          int address, int width, int height, int size) {
  return "; Data type: " + std::string(kind.dataType) + "\n; Input file: " + path + "\n" + tag +
         "_address equ " + std::to_string(address) + "\n" + tag + "_width equ " +
         std::to_string(width) + "\n" + tag + "_charwidth equ " + std::to_string(width / 8) + "\n" +
         tag + "_height equ " + std::to_string(height) + "\n" + tag + "_size equ " +
         std::to_string(size) + "\n";
}

// A deliberately plain sprite encoder: every pixel's colour tested on its own.
Bytes PlainSprite(const BmpImage& image, bool masked) {
  Bytes out;
  for (int y = 0; y < image.height; ++y) {
    for (int x0 = 0; x0 < image.width; x0 += 8) {
      int mask = 0, graphic = 0;
      for (int i = 0; i < 8; ++i) {
        const cPixel pixel = PixelOf(image, x0 + i, y);
        const bool isMask = masked && pixel.red == 255 && pixel.green == 0 && pixel.blue == 255;
        if (isMask) mask |= 0x80 >> i;
        if (!isMask && pixel.GetBrightness() < 0.5f) graphic |= 0x80 >> i;
      }
      if (masked) out.push_back(static_cast<uint8_t>(mask));
      out.push_back(static_cast<uint8_t>(graphic));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Worked examples

TEST(SpritesTest, WorkedExampleGroup) {
  const BmpImage image = SpriteImage({"MMBBWWBM"});
  const ImageRun masked = ConvertImage(process_maskedsprite, image);
  ASSERT_TRUE(masked.result) << masked.output;
  EXPECT_EQ(masked.bytes, (Bytes{0xC1, 0x32}));
  const ImageRun unmasked = ConvertImage(process_unmaskedsprite, image);
  ASSERT_TRUE(unmasked.result) << unmasked.output;
  EXPECT_EQ(unmasked.bytes, (Bytes{0x32}));
}

TEST(SpritesTest, SixteenByTwoInRowOrderWithListing) {
  const BmpImage image = SpriteImage({
      "MMBBWWBMBBBBWWWW",
      "WWWWWWWWMMMMMMMM",
  });
  struct Case {
    const SpriteKind& kind;
    Bytes expected;
  };
  const Case cases[] = {
      {kKinds[0], {0xC1, 0x32, 0x00, 0xF0, 0x00, 0x00, 0xFF, 0x00}},
      {kKinds[1], {0x32, 0xF0, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    const ImageRun run = ConvertImage(c.kind.convert, image, {}, "hero", 40000);
    ASSERT_TRUE(run.result) << c.kind.name << "\n" << run.output;
    EXPECT_EQ(run.output, LoadedLines(run.path, 16, 2)) << c.kind.name;
    EXPECT_EQ(run.bytes, c.expected) << c.kind.name;
    EXPECT_EQ(run.listing, SpriteListing(c.kind, run.path, "hero", 40000, 16, 2,
                                         static_cast<int>(c.expected.size())))
        << c.kind.name;
  }
}

TEST(SpritesTest, SizesAndHeights) {
  struct Case {
    int width, height;
  };
  const Case cases[] = {{8, 1}, {8, 3}, {16, 16}, {24, 5}, {256, 192}};
  for (const Case& c : cases) {
    for (const SpriteKind& kind : kKinds) {
      const ImageRun run = ConvertImage(kind.convert, FilledImage(c.width, c.height, kBlack));
      ASSERT_TRUE(run.result) << kind.name << " " << c.width << "x" << c.height;
      const int size = c.width / 8 * c.height * (kind.masked ? 2 : 1);
      EXPECT_EQ(static_cast<int>(run.bytes.size()), size);
      EXPECT_EQ(run.listing, SpriteListing(kind, run.path, "t", 0, c.width, c.height, size));
    }
  }
}

// ---------------------------------------------------------------------------
// How each colour is classified: an 8 x 1 sprite alternating the colour
// (at a palette index above 15) with white gives 0xAA where its bit is set.

TEST(SpritesTest, PixelClasses) {
  struct Case {
    const char* name;
    Rgb colour;
    bool mask;             // mask bit, masked sprite
    bool maskedGraphic;    // graphic bit, masked sprite
    bool unmaskedGraphic;  // graphic bit, unmasked sprite
  };
  const Case cases[] = {
      {"black", {0, 0, 0}, false, true, true},
      {"white", {255, 255, 255}, false, false, false},
      {"grey 127 is ink", {127, 127, 127}, false, true, true},
      {"grey 128 is paper", {128, 128, 128}, false, false, false},
      {"brightness exactly 0.5 (green 150, blue 225)", {0, 150, 225}, false, false, false},
      {"brightness exactly 0.5 (red 170, blue 255)", {170, 0, 255}, false, false, false},
      {"mask colour", kMagenta, true, false, false},
      {"one step from the mask colour", {255, 1, 255}, false, false, false},
      {"dark red", {100, 0, 0}, false, true, true},
  };
  for (const Case& c : cases) {
    const uint8_t index = 200;
    const BmpImage image =
        ImageFromRows({"cWcWcWcW"}, {{'c', index}, {'W', kWhite}}, GreysWith({{index, c.colour}}));
    const ImageRun masked = ConvertImage(process_maskedsprite, image);
    const ImageRun unmasked = ConvertImage(process_unmaskedsprite, image);
    EXPECT_EQ(masked.bytes, (Bytes{static_cast<uint8_t>(c.mask ? 0xAA : 0),
                                   static_cast<uint8_t>(c.maskedGraphic ? 0xAA : 0)}))
        << c.name;
    EXPECT_EQ(unmasked.bytes, (Bytes{static_cast<uint8_t>(c.unmaskedGraphic ? 0xAA : 0)}))
        << c.name;
  }
}

// Two palette entries of the same colour give the same bits: colours count,
// not indices.
TEST(SpritesTest, IndicesPlayNoPart) {
  const BmpImage image = ImageFromRows({"abababab"}, {{'a', 3}, {'b', 250}},
                                       GreysWith({{3, kMagenta}, {250, kMagenta}}));
  EXPECT_EQ(ConvertImage(process_maskedsprite, image).bytes, (Bytes{0xFF, 0x00}));
}

TEST(SpritesTest, MatchesPlainEncoderOnGeneratedImages) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    BmpImage image = RandomImage(40, 23, seed);
    for (int i = 0; i < 256; i += 5) image.palette[i] = kMagenta;  // some mask pixels
    for (const SpriteKind& kind : kKinds) {
      const ImageRun run = ConvertImage(kind.convert, image);
      ASSERT_TRUE(run.result) << kind.name;
      EXPECT_EQ(run.bytes, PlainSprite(image, kind.masked)) << kind.name << " seed " << seed;
    }
  }
}

// ---------------------------------------------------------------------------
// Failures: one message, nothing appended, no listing.

TEST(SpritesTest, Failures) {
  TempDir dir;
  const std::string narrow = dir / "narrow.bmp";
  const std::string tiny = dir / "tiny.bmp";
  const std::string absent = dir / "absent.bmp";
  WriteBmp(narrow, FilledImage(12, 3, kBlack));
  WriteBmp(tiny, FilledImage(4, 1, kBlack));
  auto couldNotOpen = [](const std::string& name, const std::string& path) {
    return "Loading bitmap image '" + path + "'\n Couldn't open/read BMP file\n" + name +
           " couldn't open '" + path + "'\n";
  };
  for (const SpriteKind& kind : kKinds) {
    const std::string name = kind.name;
    struct Case {
      const char* what;
      std::string arguments;
      std::string expected;
    };
    const Case cases[] = {
        {"number", "12", name + " expected filename\n"},
        {"end of script", "", name + " expected filename\n"},
        {"invalid character", "!", name + " expected filename\n"},
        {"missing file", "\"" + absent + "\"", couldNotOpen(name, absent)},
        {"empty file name", "\"\"", couldNotOpen(name, "")},
        {"width 12", "\"" + narrow + "\"",
         LoadedLines(narrow, 12, 3) + name + " image width must be a multiple of 8\n"},
        {"width 4", "\"" + tiny + "\"",
         LoadedLines(tiny, 4, 1) + name + " image width must be a multiple of 8\n"},
    };
    for (const Case& c : cases) {
      const ConverterRun run = RunConverter(kind.convert, c.arguments);
      EXPECT_FALSE(run.result) << name << ": " << c.what;
      EXPECT_EQ(run.output, c.expected) << name << ": " << c.what;
      EXPECT_TRUE(run.bytes.empty()) << name << ": " << c.what;
      EXPECT_EQ(run.listing, "") << name << ": " << c.what;
    }
  }
}

// ---------------------------------------------------------------------------
// Through scripts

// The size line gives the uncompressed count when the item is compressed.
TEST(SpritesScriptTest, SizeLineIsUncompressed) {
  TempDir dir;
  WriteBmp(dir / "solid.bmp", FilledImage(64, 16, kBlack));
  const InProcessRun run =
      RunScriptText("s compressbyte unmaskedsprite \"" + (dir / "solid.bmp") + "\"");
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_NE(run.listing.find("s_size equ 128\n"), std::string::npos) << run.listing;
  EXPECT_LT(run.binary.size(), 128u);
}

TEST(SpritesScriptTest, EndToEndWithHeaders) {
  TempDir dir;
  WriteBmp(dir / "hero.bmp", SpriteImage({"MMBBWWBMBBBBWWWW", "WWWWWWWWMMMMMMMM"}));
  const ScriptRun result = RunScriptFile(dir,
                                         "headers on\n"
                                         "org 32768\n"
                                         "hero compressnone maskedsprite \"hero.bmp\"\n"
                                         "plain compressnone unmaskedsprite \"hero.bmp\"\n");
  EXPECT_EQ(result.run.output,
            LoadedLines("hero.bmp", 16, 2) + LoadedLines("hero.bmp", 16, 2) + "Done\n");
  EXPECT_EQ(result.run.status, 0);
  EXPECT_EQ(result.binary, (Bytes{0, 8, 0, 0xC1, 0x32, 0x00, 0xF0, 0x00, 0x00, 0xFF, 0x00,  //
                                  0, 4, 0, 0x32, 0xF0, 0x00, 0x00}));
  EXPECT_EQ(result.listing,
            Banner("script.kst") +
                "; Output headers set to on\n\n\n"
                "; Base address set to: 32768\n\n\n"
                "; Data type: masked sprite\n; Input file: hero.bmp\n"
                "hero_address equ 32771\nhero_width equ 16\nhero_charwidth equ 2\n"
                "hero_height equ 2\nhero_size equ 8\n"
                "; 8 bytes written\n; no compression used\n"
                "; Header: 0,8\nhero_id equ 0\n\n\n"
                "; Data type: unmasked sprite\n; Input file: hero.bmp\n"
                "plain_address equ 32782\nplain_width equ 16\nplain_charwidth equ 2\n"
                "plain_height equ 2\nplain_size equ 4\n"
                "; 4 bytes written\n; no compression used\n"
                "; Header: 0,4\nplain_id equ 1\n\n\n" +
                Totals(12));
}

}  // namespace
