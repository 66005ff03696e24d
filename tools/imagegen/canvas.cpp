#include "canvas.h"

#include <cmath>
#include <cstdlib>

namespace imagegen {

uint32_t Random::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

int Random::Below(int limit) {
  if (limit <= 0) return 0;
  return static_cast<int>(Next() % static_cast<uint32_t>(limit));
}

int Random::Between(int low, int high) {
  if (high <= low) return low;
  return low + Below(high - low + 1);
}

Canvas::Canvas(int width, int height, uint8_t fill)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      indices_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

uint8_t Canvas::At(int x, int y) const {
  if (!Contains(x, y)) return 0;
  return indices_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::Set(int x, int y, uint8_t index) {
  if (Contains(x, y)) indices_[static_cast<size_t>(y) * width_ + x] = index;
}

BmpImage Canvas::ToImage(const std::vector<Rgb>& palette) const {
  BmpImage image;
  image.width = width_;
  image.height = height_;
  image.palette = palette;
  image.indices = indices_;
  return image;
}

void FillRect(Canvas& canvas, Rect rect, uint8_t index) {
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) canvas.Set(x, y, index);
  }
}

void FillEllipse(Canvas& canvas, int centreX, int centreY, int radiusX, int radiusY,
                 uint8_t index) {
  if (radiusX <= 0 || radiusY <= 0) return;
  const double rx = radiusX + 0.5;
  const double ry = radiusY + 0.5;
  for (int dy = -radiusY; dy <= radiusY; ++dy) {
    for (int dx = -radiusX; dx <= radiusX; ++dx) {
      if ((dx * dx) / (rx * rx) + (dy * dy) / (ry * ry) <= 1.0)
        canvas.Set(centreX + dx, centreY + dy, index);
    }
  }
}

void DrawLine(Canvas& canvas, int x0, int y0, int x1, int y1, uint8_t index) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int stepX = x0 < x1 ? 1 : -1;
  const int stepY = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    canvas.Set(x0, y0, index);
    if (x0 == x1 && y0 == y1) return;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += stepX;
    }
    if (twice <= dx) {
      error += dx;
      y0 += stepY;
    }
  }
}

bool DitherOn(int x, int y, double level) {
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return level * 16.0 > kBayer[y & 3][x & 3] + 0.5;
}

void DitherVertical(Canvas& canvas, Rect rect, uint8_t top, uint8_t bottom) {
  const int span = rect.height > 1 ? rect.height - 1 : 1;
  for (int row = 0; row < rect.height; ++row) {
    const double level = static_cast<double>(row) / span;
    for (int column = 0; column < rect.width; ++column) {
      const int x = rect.x + column;
      const int y = rect.y + row;
      canvas.Set(x, y, DitherOn(x, y, level) ? bottom : top);
    }
  }
}

uint8_t DitherRamp(const std::vector<uint8_t>& ramp, int x, int y, double level) {
  if (ramp.empty()) return 0;
  if (level <= 0.0) return ramp.front();
  if (level >= 1.0) return ramp.back();
  const double scaled = level * static_cast<double>(ramp.size() - 1);
  const size_t base = static_cast<size_t>(scaled);
  if (base + 1 >= ramp.size()) return ramp.back();
  return DitherOn(x, y, scaled - static_cast<double>(base)) ? ramp[base + 1] : ramp[base];
}

void Sprinkle(Canvas& canvas, Rect rect, uint8_t index, int perMille, Random& random) {
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
      if (random.Below(1000) < perMille) canvas.Set(x, y, index);
    }
  }
}

void FillHills(Canvas& canvas, int baseY, int amplitude, double frequency, double phase,
               uint8_t index) {
  for (int x = 0; x < canvas.width(); ++x) {
    const int top =
        baseY - static_cast<int>(std::lround(amplitude * std::sin(x * frequency + phase)));
    for (int y = top < 0 ? 0 : top; y < canvas.height(); ++y) canvas.Set(x, y, index);
  }
}

}  // namespace imagegen
