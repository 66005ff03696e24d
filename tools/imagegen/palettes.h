// The palettes of the generated images.
//
// Display palette (most images):
//
//   index     colour
//   0 .. 7    the display's eight colours: black, blue, red, magenta, green,
//             cyan, yellow, white, at the dull level (DisplayColourRgb)
//   8 .. 15   the same colours bright (8 is black again)
//   16 .. 31  sixteen greys from black (16) to white (31), 17 apart
//   32 .. 254 black, unused
//   255       the mask colour: red 255, green 0, blue 255
//
// So palette indices 0-15 carry the colour number in bits 0-2 and bright in
// bit 3, as the colour converters read them, while the greys give every
// brightness the ink rule can meet: grey level 7 (119) is ink, 8 (136) paper.
//
// Greyscale palette: index i is the grey i, i, i.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp_file.h"

namespace imagegen {

enum DisplayColour : uint8_t {
  kBlack = 0,
  kBlue = 1,
  kRed = 2,
  kMagenta = 3,
  kGreen = 4,
  kCyan = 5,
  kYellow = 6,
  kWhite = 7,
};
constexpr uint8_t kBright = 8;
constexpr uint8_t kFirstGrey = 16;
constexpr int kGreyLevels = 16;
constexpr uint8_t kMaskIndex = 255;

// Display palette index of grey level 0 (black) .. 15 (white); clamped.
uint8_t Grey(int level);

std::vector<Rgb> DisplayPalette();
std::vector<Rgb> GreyscalePalette();

}  // namespace imagegen
