// Bitmap input: loads an uncompressed 8-bit palettised BMP file and answers
// questions about its pixels.
#pragma once

#include <cstdint>
#include <memory>

// The colour of one pixel: its palette index and that entry's colour.
struct cPixel {
  uint8_t index = 0;
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;

  // Exactly red 255, green 0, blue 255: the colour that marks masked pixels.
  bool IsMaskColour() const;
  // (0.3 blue + 0.4 green + 0.3 red) / 255 with single-precision weights,
  // summed and divided in double precision, rounded to single precision:
  // 0.0 for black, exactly 1.0 for white.
  float GetBrightness() const;
};

class cBitmap {
 public:
  cBitmap() = default;
  ~cBitmap() { Free(); }
  cBitmap(const cBitmap&) = delete;
  cBitmap& operator=(const cBitmap&) = delete;

  // Loads the file, printing progress and, on failure, one message.
  bool Load(const char* fileName);
  // Releases the pixel store; the image is then unloaded.
  void Free();

  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  bool IsLoaded() const { return loaded_; }

  // The pixel at (x, y), row 0 at the top. Outside the image or on an
  // unloaded image: prints a message and returns the all-zero cPixel.
  cPixel GetPixel(int x, int y) const {
    if (HoldsPixel(x, y)) return GetPaletteEntry(pixels_[static_cast<int64_t>(y) * width_ + x]);
    return RefusePixel();
  }
  // The palette index at (x, y), with the same checks; 0 after a message.
  // Inline, as the converters read every pixel through it.
  int GetPixelIndex(int x, int y) const {
    if (HoldsPixel(x, y)) return pixels_[static_cast<int64_t>(y) * width_ + x];
    return RefusePixelIndex();
  }
  // The palette indices of row y, GetWidth() of them from the left, for
  // converters that read many pixels of a row; null (and no message) outside
  // the image or when nothing is loaded.
  const uint8_t* GetRow(int y) const {
    return loaded_ && y >= 0 && y < height_ ? pixels_.get() + static_cast<int64_t>(y) * width_
                                            : nullptr;
  }
  // The colour of palette entry `index` (0..255), so that callers can work
  // a pixel's properties out once per entry instead of once per pixel.
  cPixel GetPaletteEntry(uint8_t index) const {
    cPixel pixel;
    pixel.index = index;
    pixel.blue = palette_[index][0];
    pixel.green = palette_[index][1];
    pixel.red = palette_[index][2];
    return pixel;
  }

 private:
  bool HoldsPixel(int x, int y) const {
    return loaded_ && x >= 0 && x < width_ && y >= 0 && y < height_;
  }
  // The messages of a pixel read that HoldsPixel refuses, and its zero result.
  cPixel RefusePixel() const;
  int RefusePixelIndex() const;

  bool loaded_ = false;
  uint8_t palette_[256][3] = {};  // blue, green, red
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<uint8_t[]> pixels_;  // width * height indices, top row first
};
