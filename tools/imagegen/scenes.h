// The pictures the generator paints, one kind per data type that reads
// images. Each takes its size and a Random, so a seed names one picture.
// Unless a function says otherwise the picture uses the display palette
// (palettes.h) and may have any size.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace imagegen {

// Black, white and greys: a dithered sky, a sun with clouds, two ranges of
// hills with speckled grass and a row of lit houses. Gives a busy
// one-bit-per-pixel picture by the ink rule (graphics blocks, sprites).
Canvas Landscape(int width, int height, Random& random);

// A creature: a shaded, dithered body with eyes and legs, on the mask colour
// (masked) or on bright white.
Canvas Creature(int width, int height, bool masked, Random& random);

// A full 256 x 192 title picture in display colours, two per 8 x 8 cell and
// both bright or both not (one bright bit per cell, as the display has it):
// stars, a lit planet, mountains, a banner of letter-like glyphs and ground.
Canvas TitleScreen(Random& random);

// A picture in palette indices 0-15 with at most two different indices in
// every 8 x 8 cell (the colour tile rule). Width and height are rounded
// down to multiples of 8.
Canvas ColourTiles(int width, int height, Random& random);

// A platform-game level built from a dozen 8 x 8 tile patterns (sky, brick,
// grass, earth, cloud, ladder, coin, water, star): at most 16 different
// tiles whatever the size. Width and height are rounded down to multiples
// of 8.
Canvas TileLevel(int width, int height, Random& random);

// A colour map for colour blocks: each pair of rows is one row of cells,
// the top pixel the ink and the bottom pixel the paper index (0-15). The
// height is rounded down to an even number.
Canvas ColourMap(int width, int height, Random& random);

// A cockpit for the full-screen mask, 256 pixels wide: a dithered metal
// frame and rivets around two mask-colour windows crossed by a sight, on
// black. The number of 8-pixel groups without a mask pixel is made even:
// every mask stream record but the 0x00 ones has two bytes, the end record
// too, and a 0x00 record has two plus one byte per group it covers, so the
// stream's length has the parity of that number, and an even length suits
// word compression.
Canvas CockpitMask(int height, Random& random);

// 8-pixel groups (x a multiple of 8) without any mask-colour pixel.
int CountUnmaskedGroups(const Canvas& canvas);

// Frames of a line animation: a propeller turning half a turn over the
// series while a ball bounces below it, black on white.
std::vector<Canvas> PropellerFrames(int width, int height, int frames, Random& random);

// Soft tones in the greyscale palette: a sky gradient, a shaded ball and
// a textured ground.
Canvas GreyScene(int width, int height, Random& random);

// Bytes for raw items: a sine table, a line of text and runs of values,
// repeated to `size` bytes.
std::vector<uint8_t> RawTable(int size, Random& random);

}  // namespace imagegen
