#include "bmp_file.h"

#include <cstdio>

// The files written here:
//
//   offset        size     content
//   0             14       file header: "BM", file size (u32), reserved (2 x u16),
//                          offset of the pixel data (u32)
//   14            I        information header, I = 40, 108 or 124 bytes:
//                            +0 size I, +4 width (s32), +8 height (s32, negative
//                            when rows are stored top first), +12 planes 1 (u16),
//                            +14 bits per pixel 8 (u16), +16 compression 0,
//                            +20 image size S, +32 colours used (0 for 256);
//                          bytes past the first 40 are zeros
//   14 + I        4 * P    palette, P entries of blue, green, red, 0
//   14 + I + 4P   S        pixel rows, bottom row first (top first when the
//                          height is negative), each padded with zeros to a
//                          multiple of 4 bytes: S = stride * height
//   ...           T        trailing bytes, when asked for
//
// All numbers little-endian.

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return;
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t NonNegative(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

}  // namespace

Bytes EncodeBmp(const BmpImage& image, const BmpOptions& options) {
  const size_t width = NonNegative(image.width);
  const size_t height = NonNegative(image.height);
  const size_t paletteEntries =
      NonNegative(options.paletteEntries < 256 ? options.paletteEntries : 256);
  const size_t stride = (width + 3) / 4 * 4;
  const size_t imageSize = stride * height;
  const size_t paletteOffset = 14 + options.infoHeaderSize;
  const size_t pixelOffset = paletteOffset + 4 * paletteEntries;
  Bytes bytes(pixelOffset + imageSize + options.trailingBytes, 0);

  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, kBmpFileSize, static_cast<uint32_t>(bytes.size()));
  Put32(bytes, kBmpPixelOffset, static_cast<uint32_t>(pixelOffset));
  Put32(bytes, kBmpInfoSize, options.infoHeaderSize);
  Put32(bytes, kBmpWidth, static_cast<uint32_t>(image.width));
  Put32(bytes, kBmpHeight, static_cast<uint32_t>(options.topDown ? -image.height : image.height));
  Put16(bytes, kBmpPlanes, 1);
  Put16(bytes, kBmpBitsPerPixel, 8);
  Put32(bytes, kBmpCompression, 0);
  Put32(bytes, kBmpImageSize, static_cast<uint32_t>(imageSize));
  Put32(bytes, kBmpColoursUsed, paletteEntries == 256 ? 0 : static_cast<uint32_t>(paletteEntries));

  for (size_t i = 0; i < paletteEntries; ++i) {
    const Rgb colour = i < image.palette.size() ? image.palette[i] : Rgb{0, 0, 0};
    const size_t at = paletteOffset + 4 * i;
    bytes[at] = colour.blue;
    bytes[at + 1] = colour.green;
    bytes[at + 2] = colour.red;
  }
  for (size_t y = 0; y < height; ++y) {
    const size_t fileRow = options.topDown ? y : height - 1 - y;
    for (size_t x = 0; x < width; ++x) {
      const size_t pixel = y * width + x;
      bytes[pixelOffset + stride * fileRow + x] =
          pixel < image.indices.size() ? image.indices[pixel] : 0;
    }
  }
  for (size_t i = 0; i < options.trailingBytes; ++i) {
    bytes[pixelOffset + imageSize + i] = static_cast<uint8_t>(0xA5 ^ i);
  }
  for (const auto& field : options.fields32) Put32(bytes, field.first, field.second);
  for (const auto& field : options.fields16) Put16(bytes, field.first, field.second);
  if (options.truncateAt < bytes.size()) bytes.resize(options.truncateAt);
  return bytes;
}

bool WriteBmp(const std::string& path, const BmpImage& image, const BmpOptions& options) {
  const Bytes bytes = EncodeBmp(image, options);
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}
