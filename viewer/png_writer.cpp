#include "viewer/png_writer.h"

#include <png.h>

#include <cstdio>

namespace {

constexpr int kCellSize = 8;
constexpr Colour kDashDark{0, 0, 0};
constexpr Colour kDashLight{255, 255, 255};

// The rows of `picture`, handed to libpng one at a time. libpng reports
// errors by longjmp to the setjmp below, so nothing between the two owns a
// resource: `row` belongs to the caller.
bool WriteRows(FILE* file, const ScaledPicture& picture, std::vector<png_byte>& row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
               static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const Colour colour = picture.At(x, y);
      row[3 * static_cast<size_t>(x)] = colour.red;
      row[3 * static_cast<size_t>(x) + 1] = colour.green;
      row[3 * static_cast<size_t>(x) + 2] = colour.blue;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

ScaledPicture::ScaledPicture(const Image& image, int scale,
                             const std::vector<CellPosition>& flashCells)
    : image_(image), scale_(scale), cellsAcross_((image.width() + kCellSize - 1) / kCellSize) {
  const int cellsDown = (image.height() + kCellSize - 1) / kCellSize;
  flash_.assign(static_cast<size_t>(cellsAcross_) * static_cast<size_t>(cellsDown), false);
  for (const CellPosition& cell : flashCells) {
    const int cellX = cell.x / kCellSize;
    const int cellY = cell.y / kCellSize;
    if (cell.x >= 0 && cell.y >= 0 && cellX < cellsAcross_ && cellY < cellsDown) {
      flash_[static_cast<size_t>(cellY) * cellsAcross_ + cellX] = true;
    }
  }
}

bool ScaledPicture::IsFlashCell(int cellX, int cellY) const {
  return flash_[static_cast<size_t>(cellY) * cellsAcross_ + cellX];
}

Colour ScaledPicture::At(int x, int y) const {
  const int sourceX = x / scale_;
  const int sourceY = y / scale_;
  const int cellX = sourceX / kCellSize;
  const int cellY = sourceY / kCellSize;
  if (IsFlashCell(cellX, cellY)) {
    const int cellSide = kCellSize * scale_;
    const int insideX = x - cellX * cellSide;
    const int insideY = y - cellY * cellSide;
    if (insideX == 0 || insideY == 0 || insideX == cellSide - 1 || insideY == cellSide - 1) {
      return ((insideX + insideY) / 2) % 2 ? kDashLight : kDashDark;
    }
  }
  if (image_.IsTransparent(sourceX, sourceY)) {
    return (x / kCheckerSquare + y / kCheckerSquare) % 2 ? kCheckerDark : kCheckerLight;
  }
  return image_.At(sourceX, sourceY);
}

bool WritePng(const std::string& path, const Image& image, int scale,
              const std::vector<CellPosition>& flashCells, std::string& error) {
  if (image.empty()) {
    error = "no picture to write to " + path;
    return false;
  }
  if (scale < 1 || scale > kLargestScale || image.width() > kLargestPngSide / scale ||
      image.height() > kLargestPngSide / scale) {
    error = "the picture for " + path + " is too large at scale " + std::to_string(scale);
    return false;
  }
  const ScaledPicture picture(image, scale, flashCells);
  std::vector<png_byte> row(3 * static_cast<size_t>(picture.width()));
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    error = "couldn't create " + path;
    return false;
  }
  const bool written = WriteRows(file, picture, row);
  const bool closed = fclose(file) == 0;
  if (!written || !closed) {
    error = "couldn't write " + path;
    return false;
  }
  return true;
}
