// Helpers of the viewer's tests: running kestrip-view, reading a PNG back,
// and a sample build with one item of every data type, made from pictures
// the tests draw themselves.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"
#include "viewer/image.h"
#include "viewer/view.h"

namespace viewer_test {

// Runs kestrip-view in `dir`; standard output and standard error together.
inline RunResult RunViewer(const std::string& dir, const std::vector<std::string>& args) {
  return RunProgram(dir, KESTRIP_VIEW_BINARY, args);
}

// An 8-bit RGB PNG read back with libpng.
struct PngPicture {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
  Colour At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline bool ReadPng(const std::string& path, PngPicture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.pixels.clear();
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) picture.pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
  return true;
}

// What a rendered pixel should be.
struct Expected {
  Colour colour;
  bool transparent = false;
};

inline Expected Opaque(Colour colour) { return Expected{colour, false}; }
inline Expected SeeThrough() { return Expected{Colour{}, true}; }

// Compares every pixel of `picture` with `expected`, reporting the first
// few differences and the count.
inline void ExpectPixels(const Image& picture, int width, int height,
                         const std::function<Expected(int x, int y)>& expected) {
  ASSERT_EQ(picture.width(), width);
  ASSERT_EQ(picture.height(), height);
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Expected want = expected(x, y);
      const bool transparent = picture.IsTransparent(x, y);
      const bool same = want.transparent ? transparent
                                         : !transparent && picture.At(x, y) == want.colour;
      if (!same && ++wrong <= 3) {
        const Colour got = picture.At(x, y);
        ADD_FAILURE() << "pixel " << x << "," << y << ": got " << int(got.red) << ","
                      << int(got.green) << "," << int(got.blue)
                      << (transparent ? " (transparent)" : "") << ", expected "
                      << (want.transparent ? std::string("transparent")
                                           : std::to_string(want.colour.red) + "," +
                                                 std::to_string(want.colour.green) + "," +
                                                 std::to_string(want.colour.blue));
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels that differ";
}

// ---------------------------------------------------------------------------
// The sample build: one item of every data type.

// A small linear congruential generator, so every run draws the same pictures.
class Dice {
 public:
  explicit Dice(uint32_t seed) : state_(seed) {}
  int Roll(int sides) {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<int>((state_ >> 16) % static_cast<uint32_t>(sides));
  }
  uint8_t Pick(const std::vector<uint8_t>& choices) {
    return choices[static_cast<size_t>(Roll(static_cast<int>(choices.size())))];
  }

 private:
  uint32_t state_;
};

constexpr uint8_t kMaskIndex = 16;  // red 255, green 0, blue 255

// Greys (index i is grey i), with the mask colour at index 16 and a few
// colours whose brightness bytes are known.
inline std::vector<Rgb> SamplePalette() {
  std::vector<Rgb> palette = GreyPalette();
  palette[kMaskIndex] = {255, 0, 255};
  palette[250] = {255, 0, 0};
  palette[251] = {200, 100, 50};
  palette[252] = {170, 0, 255};
  palette[253] = {0, 255, 0};
  return palette;
}

// The ink rule on the sample palette: greys up to 127 are ink, 128 and up
// paper; the mask colour (brightness 0.6) is paper.
inline bool IsSampleInk(uint8_t index) { return index != kMaskIndex && index <= 127; }

// The greyscale byte of a sample palette entry.
inline uint8_t SampleGrey(uint8_t index) {
  switch (index) {
    case 250: return 76;
    case 251: return 115;
    case 252: return 127;
    case 253: return 102;
    default: return index;
  }
}

inline uint8_t& IndexAt(BmpImage& image, int x, int y) {
  return image.indices[static_cast<size_t>(y) * image.width + x];
}
inline uint8_t IndexAt(const BmpImage& image, int x, int y) {
  return image.indices[static_cast<size_t>(y) * image.width + x];
}

// An image of blocks of `block` x `block` pixels, each of one index drawn
// from `choices` (blocks give the compressors runs to find).
inline BmpImage BlockyImage(int width, int height, int block, const std::vector<uint8_t>& choices,
                            uint32_t seed) {
  Dice dice(seed);
  BmpImage image;
  image.width = width;
  image.height = height;
  image.palette = SamplePalette();
  image.indices.assign(static_cast<size_t>(width) * height, 0);
  const int across = (width + block - 1) / block;
  const int down = (height + block - 1) / block;
  std::vector<uint8_t> blocks;
  for (int i = 0; i < across * down; ++i) blocks.push_back(dice.Pick(choices));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Every third block is speckled instead, for literal stretches.
      const int b = (y / block) * across + x / block;
      IndexAt(image, x, y) = b % 3 == 0 ? dice.Pick(choices) : blocks[static_cast<size_t>(b)];
    }
  }
  return image;
}

// The title screen: mostly cells of one or two non-black colours of equal
// brightness (each pixel then shows its own colour), and five cells of the
// rule's special cases along the top row.
inline BmpImage TitleScreenImage() {
  Dice dice(7);
  BmpImage image;
  image.width = 256;
  image.height = 192;
  image.palette = SamplePalette();
  image.indices.assign(256 * 192, 0);
  for (int cellY = 0; cellY < 24; ++cellY) {
    for (int cellX = 0; cellX < 32; ++cellX) {
      const int bright = dice.Roll(2) * 8;
      const int ink = 1 + dice.Roll(7);
      const int paper = 1 + (ink + dice.Roll(6)) % 7;
      const int high = dice.Roll(4) == 0 ? 16 : 0;  // bits 4-7 are ignored
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const int colour = dice.Roll(3) == 0 ? paper : ink;
          IndexAt(image, 8 * cellX + x, 8 * cellY + y) =
              static_cast<uint8_t>((colour | bright) + high);
        }
      }
    }
  }
  auto fill = [&](int cellX, const std::function<uint8_t(int x, int y)>& index) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) IndexAt(image, 8 * cellX + x, y) = index(x, y);
    }
  };
  fill(0, [](int x, int y) { return uint8_t(x == 0 && y == 0 ? 2 : (x + y) % 3 == 0 ? 2 : x < 4 ? 4 : 6); });
  fill(1, [](int x, int) { return uint8_t(x < 3 ? 2 : 10); });
  fill(2, [](int, int) { return uint8_t(0); });
  fill(3, [](int, int) { return uint8_t(9); });
  fill(4, [](int x, int y) { return uint8_t(x == 0 && y == 0 ? 0 : (x ^ y) & 1 ? 14 : 0); });
  return image;
}

// The colour a title screen pixel must show.
inline Colour TitleScreenColour(const BmpImage& image, int x, int y) {
  const int index = IndexAt(image, x, y) & 15;
  if (y < 8) {
    switch (x / 8) {
      case 0: return DisplayColour(index == 2 ? 2 : 4, false);  // third colour 6 shows as paper
      case 1: return DisplayColour(2, true);                  // 10 is ink colour 2 too
      default: break;
    }
  }
  return DisplayColour(index & 7, index & 8);
}

// The full-screen mask picture: groups of eight pixels of one kind mostly,
// so all three record kinds occur. Word compression needs a stream of even
// length, which it has when the number of groups without a mask pixel is
// even; one group is given a mask pixel where that count is odd.
inline BmpImage FullScreenMaskImage() {
  BmpImage image = BlockyImage(256, 128, 8, {0, 1, kMaskIndex, 200, 200}, 11);
  int unmasked = 0;
  int firstUnmasked = -1;
  for (int group = 0; group < 32 * 128; ++group) {
    bool masked = false;
    for (int i = 0; i < 8; ++i) masked |= IndexAt(image, 8 * (group % 32) + i, group / 32) == kMaskIndex;
    if (!masked && unmasked++ == 0) firstUnmasked = group;
  }
  if (unmasked % 2 != 0) IndexAt(image, 8 * (firstUnmasked % 32), firstUnmasked / 32) = kMaskIndex;
  return image;
}

// Tile picture: 4 x 3 cells, each one of four shapes, drawn in any non-zero indices.
inline BmpImage TilePictureImage() {
  Dice dice(5);
  const uint8_t shapes[4][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                                {0x18, 0x3C, 0x7E, 0xFF, 0xFF, 0x7E, 0x3C, 0x18},
                                {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
                                {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}};
  const int cellShapes[12] = {1, 0, 2, 1, 1, 3, 0, 2, 3, 1, 2, 2};
  BmpImage image;
  image.width = 32;
  image.height = 24;
  image.palette = SamplePalette();
  image.indices.assign(32 * 24, 0);
  for (int cell = 0; cell < 12; ++cell) {
    const int cellX = cell % 4;
    const int cellY = cell / 4;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool set = (shapes[cellShapes[cell]][y] >> (7 - x)) & 1;
        IndexAt(image, 8 * cellX + x, 8 * cellY + y) = set ? static_cast<uint8_t>(1 + dice.Roll(255)) : 0;
      }
    }
  }
  return image;
}

// The tile of cell (cellX, cellY): bit 7 the leftmost pixel, 1 where the index is not 0.
inline std::vector<uint8_t> TileOf(const BmpImage& image, int cellX, int cellY) {
  std::vector<uint8_t> tile(8, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (IndexAt(image, 8 * cellX + x, 8 * cellY + y) != 0) tile[y] |= static_cast<uint8_t>(0x80 >> x);
    }
  }
  return tile;
}

// The unique tiles in the order a plain scan meets them: down each column of cells in turn.
inline std::vector<std::vector<uint8_t>> UniqueTiles(const BmpImage& image) {
  std::vector<std::vector<uint8_t>> tiles;
  for (int cellX = 0; cellX < image.width / 8; ++cellX) {
    for (int cellY = 0; cellY < image.height / 8; ++cellY) {
      const std::vector<uint8_t> tile = TileOf(image, cellX, cellY);
      bool known = false;
      for (const auto& seen : tiles) known |= seen == tile;
      if (!known) tiles.push_back(tile);
    }
  }
  return tiles;
}

// Colour tile: 4 x 2 cells, each in one or two whole palette indices.
inline BmpImage ColourTileImage() {
  Dice dice(3);
  BmpImage image;
  image.width = 32;
  image.height = 16;
  image.palette = SamplePalette();
  image.indices.assign(32 * 16, 0);
  for (int cell = 0; cell < 8; ++cell) {
    const uint8_t first = static_cast<uint8_t>(dice.Roll(32));
    const uint8_t second = static_cast<uint8_t>(dice.Roll(32));
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        IndexAt(image, 8 * (cell % 4) + x, 8 * (cell / 4) + y) = dice.Roll(3) == 0 ? second : first;
      }
    }
  }
  return image;
}

struct SampleBuild {
  Bytes raw;
  BmpImage unmasked, masked, gfx, title, mask, colourBlock, colourTile, tiles, greys;
  std::vector<BmpImage> frames;
};

// The script of the sample build: the items in this order.
const char* const kSampleTags[] = {"blob",   "hero",    "ghost", "logo",  "title", "curtain",
                                   "walk",   "colours", "ctile", "map",   "shade"};

inline SampleBuild WriteSampleInputs(const TempDir& dir) {
  SampleBuild sample;
  for (int i = 0; i < 64; ++i) sample.raw.push_back(static_cast<uint8_t>(i < 20 ? 0xAA : i * 37));
  WriteFile(dir / "blob.dat", sample.raw);
  const std::vector<uint8_t> spriteInks = {0, 255, 100, 200, 127, 128, kMaskIndex};
  sample.unmasked = BlockyImage(24, 10, 2, spriteInks, 1);
  sample.masked = BlockyImage(24, 10, 2, spriteInks, 2);
  sample.gfx = BlockyImage(256, 64, 4, {0, 255, 127, 128}, 3);
  sample.title = TitleScreenImage();
  sample.mask = FullScreenMaskImage();
  for (uint32_t f = 0; f < 3; ++f) sample.frames.push_back(BlockyImage(16, 6, 2, {0, 255, 100, 200}, 20 + f));
  sample.colourBlock = BlockyImage(10, 6, 1, {0, 1, 2, 7, 8, 9, 12, 15, 23, 24}, 4);
  sample.colourTile = ColourTileImage();
  sample.tiles = TilePictureImage();
  sample.greys = BlockyImage(9, 6, 1, {0, 17, 127, 128, 255, 250, 251, 252, 253}, 6);
  WriteBmp(dir / "hero.bmp", sample.unmasked);
  WriteBmp(dir / "ghost.bmp", sample.masked);
  WriteBmp(dir / "logo.bmp", sample.gfx);
  WriteBmp(dir / "title.bmp", sample.title);
  WriteBmp(dir / "curtain.bmp", sample.mask);
  for (size_t f = 0; f < sample.frames.size(); ++f) {
    WriteBmp(dir / ("walk00" + std::to_string(f + 1) + ".bmp"), sample.frames[f]);
  }
  WriteBmp(dir / "colours.bmp", sample.colourBlock);
  WriteBmp(dir / "ctile.bmp", sample.colourTile);
  WriteBmp(dir / "map.bmp", sample.tiles);
  WriteBmp(dir / "shade.bmp", sample.greys);
  return sample;
}

inline std::string SampleScript(const std::string& compression, bool headersOn) {
  const std::string c = " " + compression + " ";
  return "org 32768\n"
         "headers " + std::string(headersOn ? "on" : "off") + "\n"
         "blob" + c + "raw \"blob.dat\"\n"
         "hero" + c + "unmaskedsprite \"hero.bmp\"\n"
         "ghost" + c + "maskedsprite \"ghost.bmp\"\n"
         "logo" + c + "gfxblock \"logo.bmp\"\n"
         "title" + c + "titlescreen \"title.bmp\"\n"
         "curtain" + c + "fullscreenmask \"curtain.bmp\"\n"
         "walk" + c + "lineanim walk\n"
         "colours" + c + "colourblock \"colours.bmp\"\n"
         "ctile" + c + "colourtile \"ctile.bmp\"\n"
         "map" + c + "tilepicture \"map.bmp\"\n"
         "shade" + c + "greyscale \"shade.bmp\"\n";
}

// Builds the sample with kestrip in `dir`: out.bin and out.lst.
inline SampleBuild BuildSample(const TempDir& dir, const std::string& compression = "compressbyte",
                               bool headersOn = true) {
  SampleBuild sample = WriteSampleInputs(dir);
  const ScriptRun run = RunScriptFile(dir, SampleScript(compression, headersOn));
  EXPECT_EQ(run.run.status, 0) << run.run.output;
  return sample;
}

inline ViewOptions SampleOptions(const TempDir& dir) {
  ViewOptions options;
  options.binaryPath = dir / "out.bin";
  options.listingPath = dir / "out.lst";
  options.outputDir = dir / "sheet";
  return options;
}

}  // namespace viewer_test
