// Pictures written by the tools people have (ImageMagick, netpbm, PIL),
// run through the real program with every image data type: the same binary
// and listing as the 8-bit uncompressed BMP of the same picture. Each
// writer's test skips with a note where the writer is missing (`.ci/run`
// installs imagemagick, netpbm and python3-pil).
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pictures_support.h"

namespace {

constexpr const char* kImageMagick = "/usr/bin/convert";  // the real one, not a stand-in
constexpr const char* kPython = "/usr/bin/python3";       // Debian's, with python3-pil

// The display's colours as paint programs' palettes hold them, in display
// order (the dull level 0xD7).
std::vector<Rgb> DisplayPalette() {
  std::vector<Rgb> palette;
  for (int colour = 0; colour < 16; ++colour) {
    const DisplayRgb rgb = DisplayColourRgb(colour & kColourBits, colour & kBrightBit);
    palette.push_back({rgb.red, rgb.green, rgb.blue});
  }
  return palette;
}

BmpImage DisplayPicture() {
  return CellPicture({0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15}, DisplayPalette(), 5);
}

BmpImage BlackAndWhite() { return CellPicture({0, 1}, {{0, 0, 0}, {255, 255, 255}}, 6); }

RunResult Shell(const TempDir& dir, const std::string& command) {
  return RunProgram(dir.path(), "/bin/sh", {"-c", command});
}

bool Available(const std::string& check) {
  TempDir dir;
  return Shell(dir, check + " >/dev/null 2>&1").status == 0;
}

// kestrip on `picture` (its bytes as picture.pic, and as the one frame of a
// line animation) with every image data type.
ScriptRun RunEveryDataType(const Bytes& picture) {
  TempDir dir;
  WriteFile(dir / "picture.pic", picture);
  WriteFile(dir / "frame001.bmp", picture);
  std::string script = "headers off\n";
  for (const ImageDataType& type : ImageDataTypes()) {
    const std::string word = type.word;
    script +=
        word + " compressnone " + word + (word == "lineanim" ? " frame\n" : " \"picture.pic\"\n");
  }
  return RunScriptFile(dir, script);
}

struct WriterCase {
  const char* name;
  std::string command;  // run in a folder holding the source files; writes out.pic
  bool twoColours;      // from the black-and-white picture rather than the display one
};

// Runs each case's command, then kestrip on its output, and compares with
// kestrip on the 8-bit uncompressed BMP of the picture.
void ExpectSameAsReference(const std::vector<WriterCase>& cases) {
  for (const WriterCase& c : cases) {
    const BmpImage picture = c.twoColours ? BlackAndWhite() : DisplayPicture();
    const ScriptRun reference = RunEveryDataType(EncodeBmp(picture));
    ASSERT_EQ(reference.run.status, 0) << reference.run.output;

    TempDir dir;
    PngOptions palette;
    palette.bitDepth = c.twoColours ? 1 : 4;
    WriteFile(dir / "source.png", EncodePng(picture, palette));
    std::string ppm =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    for (uint8_t index : picture.indices)
      ppm += {static_cast<char>(picture.palette[index].red),
              static_cast<char>(picture.palette[index].green),
              static_cast<char>(picture.palette[index].blue)};
    WriteFile(dir / "source.ppm", ppm);
    // netpbm's palette file: the display order, bright black made distinct
    // (the file's colours must differ; the picture doesn't use it).
    std::string map = "P6\n16 1\n255\n";
    for (int i = 0; i < 16; ++i) {
      const Rgb colour = i == 8 ? Rgb{1, 1, 1} : DisplayPalette()[i];
      map += {static_cast<char>(colour.red), static_cast<char>(colour.green),
              static_cast<char>(colour.blue)};
    }
    WriteFile(dir / "display.ppm", map);

    const RunResult written = Shell(dir, c.command);
    ASSERT_EQ(written.status, 0) << c.name << ": " << c.command << "\n" << written.output;
    const ScriptRun run = RunEveryDataType(ReadBytes(dir / "out.pic"));
    EXPECT_EQ(run.run.output, reference.run.output) << c.name;
    EXPECT_TRUE(run.binary == reference.binary) << c.name;
    EXPECT_EQ(run.listing, reference.listing) << c.name;
  }
}

TEST(RealWritersTest, ImageMagick) {
  if (access(kImageMagick, X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed (imagemagick)";
  const std::string convert = kImageMagick;
  ExpectSameAsReference({
      {"ImageMagick default (4-bit)", convert + " source.png bmp:out.pic", false},
      {"ImageMagick BMP3:", convert + " source.png BMP3:out.pic", false},
      {"ImageMagick RLE8", convert + " source.png -compress RLE bmp:out.pic", false},
      {"ImageMagick 24-bit", convert + " source.png -type TrueColor bmp:out.pic", false},
      {"ImageMagick 1-bit", convert + " source.png bmp:out.pic", true},
      {"ImageMagick PNG export, RGB", convert + " source.png PNG24:out.pic", false},
      {"ImageMagick PNG export, RGBA", convert + " source.png PNG32:out.pic", false},
  });
}

TEST(RealWritersTest, Netpbm) {
  if (!Available("command -v ppmtobmp")) GTEST_SKIP() << "ppmtobmp is not installed (netpbm)";
  ExpectSameAsReference({
      {"ppmtobmp -bpp 8, display palette",
       "ppmtobmp -bpp 8 -mapfile=display.ppm source.ppm > out.pic", false},
      {"ppmtobmp, display palette (4-bit)", "ppmtobmp -mapfile=display.ppm source.ppm > out.pic",
       false},
      {"ppmtobmp -bpp 24", "ppmtobmp -bpp 24 source.ppm > out.pic", false},
  });
}

TEST(RealWritersTest, Pil) {
  if (!Available(std::string(kPython) + " -c 'import PIL'"))
    GTEST_SKIP() << "PIL is not installed for " << kPython << " (python3-pil)";
  const std::string python = std::string(kPython) + " -c \"from PIL import Image; ";
  ExpectSameAsReference({
      {"PIL, 16-entry palette",
       python + "Image.open('source.png').convert('P').save('out.pic', 'BMP')\"", false},
      {"PIL, 1-bit", python + "Image.open('source.png').convert('1').save('out.pic', 'BMP')\"",
       true},
      {"PIL PNG export, palette", python + "Image.open('source.png').save('out.pic', 'PNG')\"",
       false},
      {"PIL PNG export, RGB",
       python + "Image.open('source.png').convert('RGB').save('out.pic', 'PNG')\"", false},
  });
}

}  // namespace
