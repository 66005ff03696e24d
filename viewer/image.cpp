#include "viewer/image.h"

#include "bitmap/display_colours.h"

Colour DisplayColour(int colour, bool bright) {
  const DisplayRgb rgb = DisplayColourRgb(colour, bright);
  return Colour{rgb.red, rgb.green, rgb.blue};
}

Image::Image(int width, int height, Colour fill)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill),
      transparent_(pixels_.size(), 0) {}

void Image::Set(int x, int y, Colour colour) {
  const size_t index = Index(x, y);
  pixels_[index] = colour;
  transparent_[index] = 0;
}

void Image::SetTransparent(int x, int y) { transparent_[Index(x, y)] = 1; }

void Image::Blit(const Image& source, int x, int y) {
  for (int sy = 0; sy < source.height(); ++sy) {
    for (int sx = 0; sx < source.width(); ++sx) {
      const int tx = x + sx;
      const int ty = y + sy;
      if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
      pixels_[Index(tx, ty)] = source.At(sx, sy);
      transparent_[Index(tx, ty)] = source.IsTransparent(sx, sy) ? 1 : 0;
    }
  }
}
