// The strict decoder of the LZ stream (format: lz_stream.h). It reads as
// the Z80 decoder does, bit byte by bit byte, and refuses what that decoder
// would run wild on: distances before the item, endless gamma codes,
// output past an item's capacity, a stream cut short.
#include <cstdint>

#include "writers/bin_writer.h"
#include "writers/lz_stream.h"

namespace {

constexpr uint32_t kGammaLimit = 0xFFFF;  // 16 bits, a Z80 register pair
constexpr size_t kMaxOutput = cBinWriter::kCapacity;
constexpr uint32_t kEndHigh = 256;  // a new match's high part that ends the stream

class Reader {
 public:
  Reader(const uint8_t* stream, size_t size) : stream_(stream), size_(size) {}

  bool Bit(int& bit) {
    if (used_ == 8) {
      if (pos_ >= size_) return false;
      bitByte_ = stream_[pos_++];
      used_ = 0;
    }
    bit = (bitByte_ >> (7 - used_)) & 1;
    ++used_;
    return true;
  }
  bool Byte(uint8_t& value) {
    if (pos_ >= size_) return false;
    value = stream_[pos_++];
    return true;
  }
  bool Gamma(uint32_t& value) {
    value = 1;
    for (;;) {
      int stop = 0, bit = 0;
      if (!Bit(stop)) return false;
      if (stop) return true;
      if (!Bit(bit)) return false;
      value = value * 2 + static_cast<uint32_t>(bit);
      if (value > kGammaLimit) return false;
    }
  }
  bool Bytes(size_t count, const uint8_t*& bytes) {
    if (size_ - pos_ < count) return false;
    bytes = stream_ + pos_;
    pos_ += count;
    return true;
  }
  bool PaddingIsZero() const { return used_ == 8 || (bitByte_ & (0xFF >> used_)) == 0; }
  size_t Position() const { return pos_; }

 private:
  const uint8_t* const stream_;
  const size_t size_;
  size_t pos_ = 0;
  uint8_t bitByte_ = 0;
  int used_ = 8;
};

class Decoder {
 public:
  Decoder(const uint8_t* stream, size_t size, std::vector<uint8_t>& out)
      : reader_(stream, size), out_(out), start_(out.size()) {}

  bool Decode(size_t* consumed) {
    bool afterRun = false;
    size_t distance = 1;
    for (;;) {
      int kind = 0;
      if (!reader_.Bit(kind)) return false;
      if (kind == 0 && !afterRun) {
        if (!Literals()) return false;
        afterRun = true;
        continue;
      }
      if (kind == 1) {
        bool end = false;
        if (!Offset(distance, end)) return false;
        if (end) {
          if (!reader_.PaddingIsZero()) return false;
          if (consumed) *consumed = reader_.Position();
          return true;
        }
      }
      uint32_t length = 0;
      if (!reader_.Gamma(length) || !Copy(distance, static_cast<size_t>(length) + 1)) return false;
      afterRun = false;
    }
  }

 private:
  size_t Produced() const { return out_.size() - start_; }

  bool Literals() {
    uint32_t count = 0;
    const uint8_t* bytes = nullptr;
    if (!reader_.Gamma(count) || Produced() + count > kMaxOutput) return false;
    if (!reader_.Bytes(count, bytes)) return false;
    out_.insert(out_.end(), bytes, bytes + count);
    return true;
  }

  // A new match's offset, or the terminator (`end`).
  bool Offset(size_t& distance, bool& end) {
    uint32_t high = 0;
    uint8_t low = 0;
    if (!reader_.Gamma(high)) return false;
    if (high == kEndHigh) {
      end = true;
      return true;
    }
    if (high > kEndHigh || !reader_.Byte(low)) return false;
    distance = (static_cast<size_t>(high - 1) << 8) + (0x100 - low);  // low: -d lo
    return true;
  }

  bool Copy(size_t distance, size_t length) {
    if (distance > Produced() || Produced() + length > kMaxOutput) return false;
    for (size_t i = 0; i < length; ++i) {
      const uint8_t byte = out_[out_.size() - distance];  // may be one just written
      out_.push_back(byte);
    }
    return true;
  }

  Reader reader_;
  std::vector<uint8_t>& out_;
  const size_t start_;
};

}  // namespace

bool DecodeLzStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                    size_t* consumed) {
  const size_t originalSize = out.size();
  if (Decoder(stream, size, out).Decode(consumed)) return true;
  out.resize(originalSize);
  return false;
}
