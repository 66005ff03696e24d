#include "png_file.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>

namespace {

using Bytes = std::vector<uint8_t>;

void AppendToBytes(png_structp png, png_bytep data, size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

bool HasColour(PngColourType type) { return type == kPngRgb || type == kPngRgba; }
bool HasAlpha(PngColourType type) { return type == kPngGreyAlpha || type == kPngRgba; }

uint32_t Scaled(uint8_t value, int bitDepth) {
  const uint32_t top = (1u << bitDepth) - 1;
  return (value * top + 127) / 255;
}

Rgb ColourOf(const BmpImage& image, uint8_t index) {
  return index < image.palette.size() ? image.palette[index] : Rgb{0, 0, 0};
}

uint8_t AlphaOf(const BmpImage& image, uint8_t index) {
  return index < image.paletteAlpha.size() ? image.paletteAlpha[index] : 255;
}

uint8_t IndexAt(const BmpImage& image, size_t x, size_t y) {
  const size_t pixel = y * static_cast<size_t>(image.width) + x;
  return pixel < image.indices.size() ? image.indices[pixel] : 0;
}

// One row in the file's own layout: samples of `bitDepth` bits, packed from
// the high bits for depths below 8, big-endian for 16.
Bytes PackRow(const BmpImage& image, size_t y, const PngOptions& options) {
  std::vector<uint32_t> samples;
  for (size_t x = 0; x < static_cast<size_t>(image.width); ++x) {
    const uint8_t index = IndexAt(image, x, y);
    if (options.colourType == kPngPalette) {
      samples.push_back(index & ((1u << options.bitDepth) - 1));
      continue;
    }
    const Rgb colour = ColourOf(image, index);
    if (HasColour(options.colourType)) {
      for (uint8_t channel : {colour.red, colour.green, colour.blue})
        samples.push_back(Scaled(channel, options.bitDepth));
    } else {
      samples.push_back(Scaled(colour.red, options.bitDepth));
    }
    if (HasAlpha(options.colourType))
      samples.push_back(Scaled(AlphaOf(image, index), options.bitDepth));
  }
  Bytes row;
  int used = 8;  // bits used of the last byte
  for (uint32_t sample : samples) {
    if (options.bitDepth == 16) {
      row.push_back(static_cast<uint8_t>(sample >> 8));
      row.push_back(static_cast<uint8_t>(sample));
    } else if (options.bitDepth == 8) {
      row.push_back(static_cast<uint8_t>(sample));
    } else {
      if (used == 8) {
        row.push_back(0);
        used = 0;
      }
      used += options.bitDepth;
      row.back() |= static_cast<uint8_t>(sample << (8 - used));
    }
  }
  return row;
}

void WritePalette(png_structp png, png_infop info, const BmpImage& image, int bitDepth) {
  const size_t entries =
      std::min<size_t>(std::max<size_t>(image.palette.size(), 1), size_t{1} << bitDepth);
  std::vector<png_color> colours(entries);
  std::vector<png_byte> alphas(entries, 255);
  bool anyTransparent = false;
  for (size_t i = 0; i < entries; ++i) {
    const Rgb colour = ColourOf(image, static_cast<uint8_t>(i));
    colours[i] = png_color{colour.red, colour.green, colour.blue};
    alphas[i] = AlphaOf(image, static_cast<uint8_t>(i));
    anyTransparent = anyTransparent || alphas[i] != 255;
  }
  png_set_PLTE(png, info, colours.data(), static_cast<int>(entries));
  if (anyTransparent) png_set_tRNS(png, info, alphas.data(), static_cast<int>(entries), nullptr);
}

void WriteTransparentColour(png_structp png, png_infop info, const BmpImage& image,
                            const PngOptions& options) {
  const Rgb colour = ColourOf(image, static_cast<uint8_t>(options.transparentEntry));
  png_color_16 transparent{};
  const int depth = options.bitDepth;
  transparent.red = static_cast<png_uint_16>(Scaled(colour.red, depth));
  transparent.green = static_cast<png_uint_16>(Scaled(colour.green, depth));
  transparent.blue = static_cast<png_uint_16>(Scaled(colour.blue, depth));
  transparent.gray = transparent.red;
  png_set_tRNS(png, info, nullptr, 0, &transparent);
}

// The rows, then libpng's writing, which jumps back here on an error.
bool WritePng(png_structp png, png_infop info, const BmpImage& image, const PngOptions& options,
              std::vector<png_bytep>& rowPointers, Bytes& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &out, AppendToBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), options.bitDepth, options.colourType,
               options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (options.colourType == kPngPalette) WritePalette(png, info, image, options.bitDepth);
  if (options.transparentEntry >= 0 && options.colourType != kPngPalette)
    WriteTransparentColour(png, info, image, options);
  png_set_rows(png, info, rowPointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const BmpImage& image, const PngOptions& options) {
  std::vector<Bytes> rows;
  std::vector<png_bytep> rowPointers;
  for (size_t y = 0; y < static_cast<size_t>(std::max(image.height, 0)); ++y)
    rows.push_back(PackRow(image, y, options));
  for (Bytes& row : rows) rowPointers.push_back(row.data());
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) abort();
  const bool written = WritePng(png, info, image, options, rowPointers, out);
  png_destroy_write_struct(&png, &info);
  if (!written) abort();
  return out;
}
