#include "bmp_file.h"

#include <algorithm>
#include <cstdio>

// The files written here (all numbers little-endian):
//
//   offset        size     content
//   0             14       file header: "BM", file size (u32), reserved (2 x u16),
//                          offset of the pixel data (u32)
//   14            I        information header, I = 12, 40, 52, 56, 108 or 124:
//                            I = 12: +4 width (u16), +6 height (u16), +8 planes 1,
//                            +10 bits per pixel B
//                            else: +4 width (s32), +8 height (s32, negative when
//                            rows are stored top first), +12 planes 1 (u16),
//                            +14 bits per pixel B (u16), +16 compression C (0 none,
//                            1 RLE8, 2 RLE4, 3 bit fields), +20 image size S, +32
//                            colours used (0 for 2^B), +40 red, green, blue masks
//                            (I >= 52), +52 alpha mask (I >= 56); the rest zeros
//   14 + I        M        C = 3 with I = 40: the red, green and blue masks (M = 12)
//   14 + I + M    E * P    palette (B <= 8), P entries of blue, green, red, and a
//                          0 byte unless I = 12 (E = 3 or 4)
//   ...           S        pixel rows, bottom row first (top first when the height
//                          is negative), each padded with zeros to a multiple of 4
//                          bytes (S = stride * height); or the run-length stream
//                          (drawn at the loader, src/bitmap/bmp_run_length.cpp)
//   ...           T        trailing bytes, when asked for
//
// True-colour pixels are the palette colour of the pixel's index, each
// channel scaled to its mask's bits (16 bits: 5-5-5 without bit fields).

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kCoreHeaderSize = 12;

void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return;
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Append32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

size_t NonNegative(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

struct Masks {
  uint32_t red, green, blue, alpha;
};

Masks MasksFor(const BmpOptions& options) {
  if (options.redMask | options.greenMask | options.blueMask)
    return {options.redMask, options.greenMask, options.blueMask, options.alphaMask};
  if (options.bitsPerPixel == 16)
    return options.bitFields ? Masks{0xF800, 0x07E0, 0x001F, 0} : Masks{0x7C00, 0x03E0, 0x001F, 0};
  const bool alphaMask = options.bitFields && options.infoHeaderSize >= 56;
  return {0xFF0000, 0xFF00, 0xFF, alphaMask ? 0xFF000000u : 0};
}

// `value` (0..255) in the bits of `mask`, rounded.
uint32_t PutChannel(uint8_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const uint64_t top = mask >> shift;
  return static_cast<uint32_t>(((value * top + 127) / 255) << shift) & mask;
}

// What the writer needs of the picture, pixel by pixel.
class PictureReader {
 public:
  explicit PictureReader(const BmpImage& image) : image_(image) {}
  uint8_t Index(size_t x, size_t y) const {
    const size_t pixel = y * NonNegative(image_.width) + x;
    return pixel < image_.indices.size() ? image_.indices[pixel] : 0;
  }
  Rgb Colour(size_t x, size_t y) const {
    const uint8_t index = Index(x, y);
    return index < image_.palette.size() ? image_.palette[index] : Rgb{0, 0, 0};
  }
  uint8_t Alpha(size_t x, size_t y) const {
    const uint8_t index = Index(x, y);
    return index < image_.paletteAlpha.size() ? image_.paletteAlpha[index] : 255;
  }
  bool HasAlpha() const { return !image_.paletteAlpha.empty(); }

 private:
  const BmpImage& image_;
};

size_t FileRowY(size_t fileRow, size_t height, bool topDown) {
  return topDown ? fileRow : height - 1 - fileRow;
}

// One row of pixels, packed in `bits` per pixel and padded to 4 bytes.
void AppendRow(const PictureReader& picture, size_t y, size_t width, const BmpOptions& options,
               const Masks& masks, Bytes& out) {
  const size_t start = out.size();
  const int bits = options.bitsPerPixel;
  for (size_t x = 0; x < width; ++x) {
    if (bits <= 8) {
      const uint8_t index = static_cast<uint8_t>(picture.Index(x, y) & ((1u << bits) - 1));
      const int perByte = 8 / bits;
      if (x % perByte == 0) out.push_back(0);
      out.back() |= static_cast<uint8_t>(index << (8 - bits * (1 + x % perByte)));
      continue;
    }
    const Rgb colour = picture.Colour(x, y);
    if (bits == 24) {
      out.insert(out.end(), {colour.blue, colour.green, colour.red});
      continue;
    }
    const uint8_t alpha = picture.Alpha(x, y);
    if (bits == 32 && !options.bitFields) {
      out.insert(out.end(),
                 {colour.blue, colour.green, colour.red, picture.HasAlpha() ? alpha : uint8_t{0}});
      continue;
    }
    const uint32_t value = PutChannel(colour.red, masks.red) |
                           PutChannel(colour.green, masks.green) |
                           PutChannel(colour.blue, masks.blue) | PutChannel(alpha, masks.alpha);
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
    if (bits == 32) {
      out.push_back(static_cast<uint8_t>(value >> 16));
      out.push_back(static_cast<uint8_t>(value >> 24));
    }
  }
  while ((out.size() - start) % 4 != 0) out.push_back(0);
}

// ---------------------------------------------------------------------------
// The run-length stream, a row at a time: runs of three pixels or more (for
// RLE4 of two alternating indices) are encoded runs, stretches between them
// absolute runs (shorter ones encoded runs of one or two). With deltas,
// stretches of index 0 are skipped and whole rows of it jumped over.

class RunLengthWriter {
 public:
  RunLengthWriter(const PictureReader& picture, size_t width, size_t height,
                  const BmpOptions& options)
      : picture_(picture),
        width_(width),
        height_(height),
        fourBit_(options.bitsPerPixel == 4),
        deltas_(options.runLengthDeltas),
        topDown_(options.topDown) {}

  Bytes Encode() {
    size_t fileRow = 0;
    while (fileRow < height_) {
      if (deltas_) {
        size_t blank = 0;
        while (fileRow + blank < height_ && blank < 255 && RowIsBlank(fileRow + blank)) ++blank;
        if (fileRow + blank == height_) break;
        if (blank > 0) {
          Escape(2, {0, static_cast<uint8_t>(blank)});
          fileRow += blank;
        }
      }
      EncodeRow(fileRow);
      ++fileRow;
      if (fileRow < height_) Escape(0);
    }
    Escape(1);
    return std::move(out_);
  }

 private:
  uint8_t At(size_t fileRow, size_t x) const {
    const uint8_t index = picture_.Index(x, FileRowY(fileRow, height_, topDown_));
    return fourBit_ ? index & 0x0F : index;
  }
  bool RowIsBlank(size_t fileRow) const {
    for (size_t x = 0; x < width_; ++x)
      if (At(fileRow, x) != 0) return false;
    return true;
  }
  void Escape(uint8_t code, std::initializer_list<uint8_t> operands = {}) {
    out_.push_back(0);
    out_.push_back(code);
    out_.insert(out_.end(), operands);
  }
  // Pixels from x that repeat the first one (RLE8) or the first two
  // alternately (RLE4), at most 255.
  size_t RunFrom(size_t fileRow, size_t x) const {
    const uint8_t first = At(fileRow, x);
    const uint8_t second = fourBit_ && x + 1 < width_ ? At(fileRow, x + 1) : first;
    size_t run = 0;
    while (x + run < width_ && run < 255 && At(fileRow, x + run) == (run % 2 ? second : first))
      ++run;
    return run;
  }
  size_t ZerosFrom(size_t fileRow, size_t x) const {
    size_t zeros = 0;
    while (x + zeros < width_ && At(fileRow, x + zeros) == 0) ++zeros;
    return zeros;
  }
  void EncodedRun(size_t fileRow, size_t x, size_t run) {
    const uint8_t first = At(fileRow, x);
    const uint8_t second = run > 1 ? At(fileRow, x + 1) : first;
    out_.push_back(static_cast<uint8_t>(run));
    out_.push_back(fourBit_ ? static_cast<uint8_t>(first << 4 | second) : first);
  }
  void AbsoluteRun(size_t fileRow, size_t x, size_t count) {
    Escape(static_cast<uint8_t>(count));
    const size_t start = out_.size();
    for (size_t i = 0; i < count; ++i) {
      const uint8_t index = At(fileRow, x + i);
      if (!fourBit_)
        out_.push_back(index);
      else if (i % 2 == 0)
        out_.push_back(static_cast<uint8_t>(index << 4));
      else
        out_.back() |= index;
    }
    if ((out_.size() - start) % 2) out_.push_back(0);
  }
  void EncodeRow(size_t fileRow) {
    size_t x = 0;
    while (x < width_) {
      if (deltas_) {
        const size_t zeros = std::min<size_t>(ZerosFrom(fileRow, x), 255);
        if (x + zeros == width_) return;  // the end of line leaves the rest at index 0
        if (zeros >= 3) {
          Escape(2, {static_cast<uint8_t>(zeros), 0});
          x += zeros;
          continue;
        }
      }
      const size_t run = RunFrom(fileRow, x);
      if (run >= 3 || x + run == width_) {
        EncodedRun(fileRow, x, run);
        x += run;
        continue;
      }
      size_t literal = 0;
      while (x + literal < width_ && literal < 255 && RunFrom(fileRow, x + literal) < 3) ++literal;
      if (literal >= 3) {
        AbsoluteRun(fileRow, x, literal);
      } else {
        for (size_t i = 0; i < literal; ++i) EncodedRun(fileRow, x + i, 1);
      }
      x += literal;
    }
  }

  const PictureReader& picture_;
  size_t width_, height_;
  bool fourBit_, deltas_, topDown_;
  Bytes out_;
};

}  // namespace

Bytes EncodeBmp(const BmpImage& image, const BmpOptions& options) {
  const size_t width = NonNegative(image.width);
  const size_t height = NonNegative(image.height);
  const int bits = options.bitsPerPixel;
  const bool core = options.infoHeaderSize == kCoreHeaderSize;
  const bool palettised = bits <= 8;
  const size_t mostEntries = palettised ? size_t{1} << bits : 0;
  const size_t paletteEntries = std::min(NonNegative(options.paletteEntries), mostEntries);
  const bool masksAfterHeader = options.bitFields && options.infoHeaderSize < 52;
  const Masks masks = MasksFor(options);
  const uint32_t compression = options.runLength ? (bits == 4 ? 2 : 1) : options.bitFields ? 3 : 0;

  const PictureReader picture(image);
  Bytes pixels;
  if (options.runLength) {
    pixels = RunLengthWriter(picture, width, height, options).Encode();
  } else {
    for (size_t fileRow = 0; fileRow < height; ++fileRow)
      AppendRow(picture, FileRowY(fileRow, height, options.topDown), width, options, masks, pixels);
  }

  Bytes bytes(14 + options.infoHeaderSize, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, kBmpInfoSize, options.infoHeaderSize);
  if (core) {
    Put16(bytes, 18, static_cast<uint16_t>(width));
    Put16(bytes, 20, static_cast<uint16_t>(height));
    Put16(bytes, 22, 1);
    Put16(bytes, 24, static_cast<uint16_t>(bits));
  } else {
    Put32(bytes, kBmpWidth, static_cast<uint32_t>(image.width));
    Put32(bytes, kBmpHeight, static_cast<uint32_t>(options.topDown ? -image.height : image.height));
    Put16(bytes, kBmpPlanes, 1);
    Put16(bytes, kBmpBitsPerPixel, static_cast<uint16_t>(bits));
    Put32(bytes, kBmpCompression, compression);
    Put32(bytes, kBmpImageSize, static_cast<uint32_t>(pixels.size()));
    Put32(bytes, kBmpColoursUsed,
          paletteEntries == mostEntries ? 0 : static_cast<uint32_t>(paletteEntries));
    if (options.bitFields && options.infoHeaderSize >= 52) {
      Put32(bytes, 54, masks.red);
      Put32(bytes, 58, masks.green);
      Put32(bytes, 62, masks.blue);
      if (options.infoHeaderSize >= 56) Put32(bytes, 66, masks.alpha);
    }
  }
  if (masksAfterHeader) {
    Append32(bytes, masks.red);
    Append32(bytes, masks.green);
    Append32(bytes, masks.blue);
  }
  for (size_t i = 0; i < paletteEntries; ++i) {
    const Rgb colour = i < image.palette.size() ? image.palette[i] : Rgb{0, 0, 0};
    bytes.insert(bytes.end(), {colour.blue, colour.green, colour.red});
    if (!core) bytes.push_back(0);
  }
  Put32(bytes, kBmpPixelOffset, static_cast<uint32_t>(bytes.size()));
  bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  for (size_t i = 0; i < options.trailingBytes; ++i)
    bytes.push_back(static_cast<uint8_t>(0xA5 ^ i));
  Put32(bytes, kBmpFileSize, static_cast<uint32_t>(bytes.size()));

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
