// Helpers shared by the tests of the image converters.
#pragma once

#include <functional>
#include <string>

#include "test_support.h"

// A file name as a quoted script string.
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// What a successful cBitmap::Load prints.
inline std::string LoadLines(const std::string& path, int width, int height) {
  return "Loading bitmap image '" + path + "'\n Bitmap image is " + std::to_string(width) + "x" +
         std::to_string(height) + "\nLoaded bitmap ok!\n";
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

// The first two lines of a converter's listing block.
inline std::string ListingHead(const std::string& dataType, const std::string& path) {
  return "; Data type: " + dataType + "\n; Input file: " + path + "\n";
}
