// Writing PNG files through libpng, from the same pictures the BMP writer
// takes (palette indices and a palette with each entry's alpha): the one PNG
// encoder the tests and the fuzzing seeds share.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp_file.h"

enum PngColourType : int {
  kPngGrey = 0,
  kPngRgb = 2,
  kPngPalette = 3,
  kPngGreyAlpha = 4,
  kPngRgba = 6,
};

struct PngOptions {
  PngColourType colourType = kPngPalette;
  int bitDepth = 8;  // 1, 2, 4, 8 (palette, grey) or 16 (grey, RGB and their alpha kinds)
  bool interlaced = false;
  // Grey and RGB: the colour of this palette entry is written as the
  // transparent colour (tRNS); -1 for none.
  int transparentEntry = -1;
};

// The file's bytes: a palette file keeps the indices (their low bits) and
// writes the palette, with a tRNS chunk where any entry is not opaque; grey
// files write each pixel's red channel, RGB files its colour, both scaled
// to the bit depth, with the entry's alpha in the alpha kinds.
std::vector<uint8_t> EncodePng(const BmpImage& image, const PngOptions& options = {});
