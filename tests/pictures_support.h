// Helpers of the tests of picture forms: pictures drawn in the display's
// colours, decoding from memory, and running every image data type on a
// picture file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "bitmap/display_colours.h"
#include "image_test_helpers.h"
#include "png_file.h"

// The display's 16 colours in display order, the dull level at 0xCE (in the
// accepted range, and stored exactly by 5- and 6-bit channels, so that every
// form holds the same colours). Index 11, bright magenta, is the mask colour.
inline std::vector<Rgb> ExactDisplayPalette() {
  std::vector<Rgb> palette;
  for (int colour = 0; colour < 16; ++colour) {
    const uint8_t level = colour & kBrightBit ? 0xFF : 0xCE;
    palette.push_back({static_cast<uint8_t>(colour & kRedBit ? level : 0),
                       static_cast<uint8_t>(colour & kGreenBit ? level : 0),
                       static_cast<uint8_t>(colour & kBlueBit ? level : 0)});
  }
  return palette;
}

constexpr uint8_t kMaskEntry = 11;  // bright magenta: red 255, green 0, blue 255

// A 256 x 192 picture of 8 x 8 cells, each in two of `colours` (a paper and
// an ink, drawn in one of 16 patterns), so that every image data type takes
// it: colour tiles have two colours, tile pictures few tiles.
inline BmpImage CellPicture(const std::vector<uint8_t>& colours, const std::vector<Rgb>& palette,
                            uint32_t seed) {
  PictureRandom random(seed);
  BmpImage image;
  image.width = 256;
  image.height = 192;
  image.palette = palette;
  image.indices.assign(256 * 192, 0);
  for (int cellY = 0; cellY < 24; ++cellY) {
    for (int cellX = 0; cellX < 32; ++cellX) {
      const uint8_t paper = colours[random.Next() % colours.size()];
      const uint8_t ink = colours[random.Next() % colours.size()];
      const uint32_t pattern = random.Next() % 16;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const bool inked = ((x * (pattern + 1) + y * (pattern | 3)) / 3 + pattern) % 4 == 0;
          image.indices[(8 * cellY + y) * 256 + 8 * cellX + x] = inked ? ink : paper;
        }
      }
    }
  }
  return image;
}

// The picture in all 15 display colours (bright black, 8, is left out: as
// true colour it is black, 0).
inline BmpImage DisplayColourPicture() {
  return CellPicture({0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15}, ExactDisplayPalette(), 7);
}

// A picture in black and blue, indices 0 and 1: as a true-colour picture the
// same display colours.
inline BmpImage TwoColourPicture() { return CellPicture({0, 1}, ExactDisplayPalette(), 8); }

// A picture in black and bright white (indices 0 and 15), which a grey file holds.
inline BmpImage BlackAndWhitePicture() { return CellPicture({0, 15}, ExactDisplayPalette(), 9); }

// The same picture with the mask colour's entry stored as transparent black.
inline BmpImage WithTransparentMask(BmpImage image) {
  image.palette[kMaskEntry] = Rgb{0, 0, 0};
  image.paletteAlpha.assign(image.palette.size(), 255);
  image.paletteAlpha[kMaskEntry] = 0;
  return image;
}

// Decodes `file` from memory into `bitmap`, capturing what is printed.
struct DecodeRun {
  bool loaded = false;
  std::string output;
};

inline DecodeRun DecodeCapturing(cBitmap& bitmap, const Bytes& file) {
  testing::internal::CaptureStdout();
  DecodeRun run;
  run.loaded = bitmap.Decode(file.data(), file.size());
  fflush(stdout);
  run.output = testing::internal::GetCapturedStdout();
  return run;
}

// The image data types and their converters.
struct ImageDataType {
  const char* word;
  Converter convert;
};

inline const std::vector<ImageDataType>& ImageDataTypes() {
  static const std::vector<ImageDataType> types = {
      {"maskedsprite", process_maskedsprite},
      {"unmaskedsprite", process_unmaskedsprite},
      {"gfxblock", process_gfxblock},
      {"titlescreen", process_titlescreen},
      {"fullscreenmask", process_fullscreenmask},
      {"lineanim", process_lineanim},
      {"colourblock", process_colourblock},
      {"colourtile", process_colourtile},
      {"tilepicture", process_tilepicture},
      {"greyscale", process_greyscale},
  };
  return types;
}

// Runs the data type on the picture file `bytes`, written in `dir` (as the
// first frame of a series for the line animation): everything the
// converter printed, appended and listed.
inline ConverterRun RunOnPictureFile(const TempDir& dir, const ImageDataType& type,
                                     const Bytes& bytes) {
  const bool series = std::string(type.word) == "lineanim";
  WriteFile(dir / (series ? "frame001.bmp" : "picture"), bytes);
  return RunConverter(type.convert, Quoted(dir / (series ? "frame" : "picture")));
}
