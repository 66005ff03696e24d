// The display's colours, defined once for the loader, the viewer and the
// image generator.
//
// A display colour is a number 0..15:
//
//   bit     3        2       1     0
//           bright   green   red   blue
//
//   0 black  1 blue  2 red  3 magenta  4 green  5 cyan  6 yellow  7 white,
//   8..15 the same bright (8, bright black, is black).
//
// Each of the colour's channels is either off (0) or on, at the dull level
// without the bright bit and at the bright level with it.
#pragma once

#include <cstdint>

constexpr int kColourBits = 7;  // bits 0-2 of a display colour: the colour number
constexpr int kBrightBit = 8;   // bit 3: bright
constexpr int kBlueBit = 1;
constexpr int kRedBit = 2;
constexpr int kGreenBit = 4;

// The levels drawn for a channel that is on.
constexpr uint8_t kDullLevel = 0xD7;
constexpr uint8_t kBrightLevel = 0xFF;

// The levels a true-colour picture may use for a channel that is on. Paint
// programs' palettes of this display put the dull level anywhere from 0xC0
// to 0xD8 (0xD7 the most common) and the bright level at 0xFF, so a picture
// drawn with any of them names its colours; a 16-bit picture's 5-bit
// channels land inside the range too (0xD7 is stored as 26 of 31, read back
// as 0xD6).
constexpr uint8_t kDullLevelLowest = 0xC0;
constexpr uint8_t kDullLevelHighest = 0xD8;

struct DisplayRgb {
  uint8_t red, green, blue;
};

// The colour drawn for a display colour number 0..7, dull or bright.
constexpr DisplayRgb DisplayColourRgb(int colourNumber, bool bright) {
  const uint8_t level = bright ? kBrightLevel : kDullLevel;
  return DisplayRgb{static_cast<uint8_t>(colourNumber & kRedBit ? level : 0),
                    static_cast<uint8_t>(colourNumber & kGreenBit ? level : 0),
                    static_cast<uint8_t>(colourNumber & kBlueBit ? level : 0)};
}

constexpr int kNoDisplayColour = -1;

// The display colour (0..15) that an RGB colour names: every channel off or
// on, the channels that are on all at a dull level or all at the bright one.
// They need not be equal: a 5-6-5 picture stores 0xD7 as 0xD6 in its 5-bit
// channels but as 0xD7 in its 6-bit one. Black is 0. Any other colour names
// none: kNoDisplayColour.
constexpr int DisplayColourIndex(uint8_t red, uint8_t green, uint8_t blue) {
  int lit = 0;
  int bright = 0;
  for (uint8_t channel : {red, green, blue}) {
    if (channel == 0) continue;
    ++lit;
    if (channel == kBrightLevel) {
      ++bright;
    } else if (channel < kDullLevelLowest || channel > kDullLevelHighest) {
      return kNoDisplayColour;
    }
  }
  if (bright != 0 && bright != lit) return kNoDisplayColour;
  return (red ? kRedBit : 0) | (green ? kGreenBit : 0) | (blue ? kBlueBit : 0) |
         (lit != 0 && bright == lit ? kBrightBit : 0);
}
