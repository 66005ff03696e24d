// Helpers for the tests of the image converters: write a picture to a
// temporary BMP file and run one converter on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "test_support.h"

// A converter run on an image file, with the file's path for expected texts.
struct ImageRun : ConverterRun {
  std::string path;
};

inline ImageRun ConvertImage(Converter convert, const BmpImage& image,
                             const BmpOptions& options = {}, const char* tag = "t",
                             int address = 0) {
  TempDir dir;
  ImageRun run;
  run.path = dir / "image.bmp";
  WriteBmp(run.path, image, options);
  static_cast<ConverterRun&>(run) = RunConverter(convert, "\"" + run.path + "\"", tag, address);
  return run;
}

// A file name as a quoted script string.
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The first two lines of a converter's listing block.
inline std::string ListingHead(const std::string& dataType, const std::string& path) {
  return "; Data type: " + dataType + "\n; Input file: " + path + "\n";
}

// What a successful Load prints.
inline std::string LoadedLines(const std::string& path, int width, int height) {
  return "Loading bitmap image '" + path + "'\n Bitmap image is " + std::to_string(width) + "x" +
         std::to_string(height) + "\nLoaded bitmap ok!\n";
}

// A width x height image of one palette index.
inline BmpImage FilledImage(int width, int height, uint8_t index,
                            const std::vector<Rgb>& palette = GreyPalette()) {
  BmpImage image;
  image.width = width;
  image.height = height;
  image.palette = palette;
  image.indices.assign(static_cast<size_t>(width) * height, index);
  return image;
}

// A grey-palette image whose pixel (x, y) has the index `indexAt(x, y)`.
inline BmpImage MakeImage(int width, int height,
                          const std::function<uint8_t(int x, int y)>& indexAt) {
  BmpImage image;
  image.width = width;
  image.height = height;
  image.palette = GreyPalette();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.indices.push_back(indexAt(x, y));
  }
  return image;
}

// An image whose size the converter refuses.
struct RefusedSize {
  const char* what;
  int width, height;
  std::string message;  // printed after the loader's lines
};

// Each image, filled with `index`, is refused with its message after the
// loader's lines, with nothing appended and no listing line written.
inline void ExpectSizesRefused(Converter convert, const std::vector<RefusedSize>& cases,
                               uint8_t index) {
  for (const RefusedSize& c : cases) {
    const ImageRun run = ConvertImage(convert, FilledImage(c.width, c.height, index));
    EXPECT_FALSE(run.result) << c.what;
    EXPECT_EQ(run.output, LoadedLines(run.path, c.width, c.height) + c.message) << c.what;
    EXPECT_TRUE(run.bytes.empty()) << c.what;
    EXPECT_EQ(run.listing, "") << c.what;
  }
}

// The grey palette with some entries replaced.
inline std::vector<Rgb> GreysWith(const std::vector<std::pair<uint8_t, Rgb>>& overrides) {
  std::vector<Rgb> palette = GreyPalette();
  for (const auto& entry : overrides) palette[entry.first] = entry.second;
  return palette;
}

// A small deterministic generator for test pictures.
class PictureRandom {
 public:
  explicit PictureRandom(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Next()); }

 private:
  uint32_t state_;
};

// An image of random palette indices over a palette of random colours.
inline BmpImage RandomImage(int width, int height, uint32_t seed) {
  PictureRandom random(seed);
  BmpImage image;
  image.width = width;
  image.height = height;
  for (int i = 0; i < 256; ++i)
    image.palette.push_back({random.Byte(), random.Byte(), random.Byte()});
  for (int i = 0; i < width * height; ++i) image.indices.push_back(random.Byte());
  return image;
}

// The colour of pixel (x, y) of a picture, as the loader would return it.
inline cPixel PixelOf(const BmpImage& image, int x, int y) {
  cPixel pixel;
  pixel.index = image.indices[static_cast<size_t>(y) * image.width + x];
  const Rgb colour = pixel.index < image.palette.size() ? image.palette[pixel.index] : Rgb{0, 0, 0};
  pixel.red = colour.red;
  pixel.green = colour.green;
  pixel.blue = colour.blue;
  return pixel;
}
