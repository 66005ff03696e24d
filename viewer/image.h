// The viewer's pictures: RGB pixels at the item's own resolution, one pixel
// per pixel of the target, with a flag for pixels where the background
// shows through (drawn as a checkerboard when the picture is written out).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  bool operator==(const Colour& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
  bool operator!=(const Colour& other) const { return !(*this == other); }
};

// The display's colours (colour number 0..7, dull or bright), as the core
// defines them (bitmap/display_colours.h).
Colour DisplayColour(int colour, bool bright);

// One-bit pictures: ink on paper for the types whose 1 bits are the dark
// pixels (sprites, graphics block, line animation); drawn on undrawn for
// the types whose 1 bits are the drawn, non-black pixels (full-screen mask,
// tile picture).
constexpr Colour kInk{0, 0, 0};
constexpr Colour kPaper{255, 255, 255};
constexpr Colour kDrawn{255, 255, 255};
constexpr Colour kUndrawn{0, 0, 0};
// Between animation frames and around the tile sheet.
constexpr Colour kCanvas{64, 64, 96};

class Image {
 public:
  Image() = default;
  Image(int width, int height, Colour fill);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }

  // Pixel access; (x, y) must lie inside the image.
  Colour At(int x, int y) const { return pixels_[Index(x, y)]; }
  bool IsTransparent(int x, int y) const { return transparent_[Index(x, y)] != 0; }
  void Set(int x, int y, Colour colour);
  void SetTransparent(int x, int y);

  // Copies `source` with its top-left corner at (x, y), clipped to this image.
  void Blit(const Image& source, int x, int y);

 private:
  size_t Index(int x, int y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<Colour> pixels_;
  std::vector<uint8_t> transparent_;
};
