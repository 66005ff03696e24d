// Writes a picture as an 8-bit RGB PNG file, every pixel scaled up to a
// square of `scale` x `scale` so that single pixels stay visible.
//
// Transparent pixels (where the background shows through) become a
// checkerboard of kCheckerSquare x kCheckerSquare output pixels in two tints
// of the mask colour. Flash cells get a dashed outline, black and white, on
// the outermost ring of their output pixels.
#pragma once

#include <string>
#include <vector>

#include "viewer/image.h"
#include "viewer/renderers.h"

constexpr int kLargestScale = 8;
constexpr int kCheckerSquare = 4;
constexpr Colour kCheckerLight{255, 200, 255};
constexpr Colour kCheckerDark{220, 150, 220};
// Wider or taller PNG files than this are refused (the PNG library's own
// default limit).
constexpr int kLargestPngSide = 1000000;

// The output pixel (x, y) of `image` at `scale`, with the checkerboard and
// the flash outlines: what WritePng puts in the file.
class ScaledPicture {
 public:
  ScaledPicture(const Image& image, int scale, const std::vector<CellPosition>& flashCells);

  int width() const { return image_.width() * scale_; }
  int height() const { return image_.height() * scale_; }
  Colour At(int x, int y) const;

 private:
  bool IsFlashCell(int cellX, int cellY) const;

  const Image& image_;
  int scale_;
  int cellsAcross_;
  std::vector<bool> flash_;  // per 8 x 8 cell of the image, row by row
};

// False with a message in `error` when the file can't be written or the
// picture is too large at this scale.
bool WritePng(const std::string& path, const Image& image, int scale,
              const std::vector<CellPosition>& flashCells, std::string& error);
