// The run-length compressed pixel streams of BMP files (RLE8, RLE4): pairs
// of bytes, drawn from the first file row (the bottom row, unless the
// picture is stored top first) and the left edge:
//
//   first   second        meaning
//   n 1-255 v             n pixels: RLE8 n times index v; RLE4 alternately
//                         the high and the low nibble of v, high first
//   00      00            end of line: to the left edge of the next row
//   00      01            end of picture
//   00      02, dx, dy    delta: dx pixels right, dy rows on
//   00      n 3-255       absolute run: n indices follow, one per byte (RLE8)
//                         or two per byte, high nibble first (RLE4), padded
//                         with a zero byte to an even number of bytes
//
// Pixels the stream never sets keep index 0. A run that would pass the
// right edge or the last row, a move past them, or a stream that ends before
// its end-of-picture escape fails.
#include "bitmap/bmp_decoder.h"

namespace {

constexpr uint8_t kEscape = 0;
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfPicture = 1;
constexpr uint8_t kDelta = 2;

class RunLengthReader {
 public:
  RunLengthReader(const uint8_t* stream, size_t size, int bitsPerPixel, bool topDown,
                  DecodedPicture& picture)
      : stream_(stream),
        size_(size),
        fourBit_(bitsPerPixel == 4),
        topDown_(topDown),
        picture_(picture) {}

  bool Decode() {
    for (;;) {
      uint8_t first, second;
      if (!Next(first) || !Next(second)) return false;
      if (first != kEscape) {
        if (!Fits(first)) return false;
        for (int i = 0; i < first; ++i) Put(fourBit_ ? Nibble(second, i) : second);
        continue;
      }
      switch (second) {
        case kEndOfLine:
          if (!MoveTo(0, row_ + 1)) return false;
          break;
        case kEndOfPicture:
          return true;
        case kDelta: {
          uint8_t dx, dy;
          if (!Next(dx) || !Next(dy) || !MoveTo(x_ + dx, row_ + dy)) return false;
          break;
        }
        default:
          if (!AbsoluteRun(second)) return false;
          break;
      }
    }
  }

 private:
  bool Next(uint8_t& byte) {
    if (at_ >= size_) return false;
    byte = stream_[at_++];
    return true;
  }
  static uint8_t Nibble(uint8_t byte, int i) { return i % 2 ? byte & 0x0F : byte >> 4; }

  // Whether `count` pixels from here lie in the picture.
  bool Fits(int count) const { return row_ < picture_.height && x_ + count <= picture_.width; }
  // A position on a row's right edge or just past the last row is allowed:
  // only pixels written there would be outside the picture.
  bool MoveTo(int64_t x, int64_t row) {
    if (x > picture_.width || row > picture_.height) return false;
    x_ = x;
    row_ = row;
    return true;
  }
  void Put(uint8_t index) {
    const int64_t y = topDown_ ? row_ : picture_.height - 1 - row_;
    picture_.pixels[static_cast<size_t>(y * picture_.width + x_)] = index;
    ++x_;
  }
  bool AbsoluteRun(int count) {
    const size_t bytes = fourBit_ ? (count + 1) / 2 : count;
    const size_t padded = bytes + bytes % 2;
    if (!Fits(count) || size_ - at_ < padded) return false;
    for (int i = 0; i < count; ++i) {
      Put(fourBit_ ? Nibble(stream_[at_ + i / 2], i) : stream_[at_ + i]);
    }
    at_ += padded;
    return true;
  }

  const uint8_t* stream_;
  size_t size_;
  size_t at_ = 0;
  bool fourBit_;
  bool topDown_;
  DecodedPicture& picture_;
  int64_t x_ = 0;
  int64_t row_ = 0;  // rows from the first one in the file
};

}  // namespace

bool DecodeBmpRunLength(const uint8_t* stream, size_t size, int bitsPerPixel, bool topDown,
                        DecodedPicture& picture) {
  return RunLengthReader(stream, size, bitsPerPixel, topDown, picture).Decode();
}
