// A palettised picture being painted: one palette index per pixel, row 0 at
// the top, and the painting steps the generated images are made of. Every
// step clips to the canvas, so shapes may reach past its edges.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp_file.h"

namespace imagegen {

// A small deterministic generator (xorshift32): the same seed paints the
// same picture on every machine, so generated files can be compared.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next();
  // 0 .. limit - 1 (0 when limit is 0 or less).
  int Below(int limit);
  // low .. high, both included.
  int Between(int low, int high);

 private:
  uint32_t state_;
};

struct Rect {
  int x, y, width, height;
};

class Canvas {
 public:
  // Negative sizes are taken as 0.
  Canvas(int width, int height, uint8_t fill = 0);

  int width() const { return width_; }
  int height() const { return height_; }
  Rect Bounds() const { return {0, 0, width_, height_}; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Index 0 outside the canvas.
  uint8_t At(int x, int y) const;
  // Ignored outside the canvas.
  void Set(int x, int y, uint8_t index);
  const std::vector<uint8_t>& indices() const { return indices_; }

  BmpImage ToImage(const std::vector<Rgb>& palette) const;

 private:
  int width_;
  int height_;
  std::vector<uint8_t> indices_;  // width * height, top row first
};

void FillRect(Canvas& canvas, Rect rect, uint8_t index);
void FillEllipse(Canvas& canvas, int centreX, int centreY, int radiusX, int radiusY, uint8_t index);
// Both end points included.
void DrawLine(Canvas& canvas, int x0, int y0, int x1, int y1, uint8_t index);

// Ordered dithering with the 4x4 Bayer matrix: true for about `level` (0..1)
// of the pixels of any 4x4 block, in a fixed cross-hatched pattern.
bool DitherOn(int x, int y, double level);

// A vertical blend from `top` (first row) to `bottom` (last row) of the
// rectangle, ordered-dithered between the two indices.
void DitherVertical(Canvas& canvas, Rect rect, uint8_t top, uint8_t bottom);

// A blend through a ramp of indices, darkest first, by a level that the
// caller works out per pixel (0 gives ramp.front(), 1 ramp.back()), with
// ordered dithering between neighbouring ramp entries.
uint8_t DitherRamp(const std::vector<uint8_t>& ramp, int x, int y, double level);

// Sets about `perMille` thousandths of the rectangle's pixels to `index`.
void Sprinkle(Canvas& canvas, Rect rect, uint8_t index, int perMille, Random& random);

// Fills every pixel below a wavy skyline: at column x the top of the hill
// is baseY - amplitude * sin(x * frequency + phase) (in radians).
void FillHills(Canvas& canvas, int baseY, int amplitude, double frequency, double phase,
               uint8_t index);

}  // namespace imagegen
