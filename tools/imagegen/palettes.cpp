#include "palettes.h"

#include "bitmap/display_colours.h"

namespace imagegen {

uint8_t Grey(int level) {
  if (level < 0) level = 0;
  if (level >= kGreyLevels) level = kGreyLevels - 1;
  return static_cast<uint8_t>(kFirstGrey + level);
}

std::vector<Rgb> DisplayPalette() {
  std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  for (int colour = 0; colour < 16; ++colour) {
    const DisplayRgb rgb = DisplayColourRgb(colour & kColourBits, (colour & kBright) != 0);
    palette[colour] = Rgb{rgb.red, rgb.green, rgb.blue};
  }
  for (int level = 0; level < kGreyLevels; ++level) {
    const uint8_t value = static_cast<uint8_t>(17 * level);
    palette[Grey(level)] = Rgb{value, value, value};
  }
  palette[kMaskIndex] = Rgb{255, 0, 255};
  return palette;
}

std::vector<Rgb> GreyscalePalette() {
  std::vector<Rgb> palette;
  for (int i = 0; i < 256; ++i) {
    const uint8_t value = static_cast<uint8_t>(i);
    palette.push_back(Rgb{value, value, value});
  }
  return palette;
}

}  // namespace imagegen
