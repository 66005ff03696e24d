// Reads a mask stream (drawn in fullscreenmask.cpp) back into its pairs.
#include "converters/fullscreenmask.h"

namespace {

// Walks a stream record by record, never past its end.
class MaskStreamReader {
 public:
  MaskStreamReader(const uint8_t* stream, size_t size) : stream_(stream), size_(size) {}

  bool ReadByte(uint8_t& value) {
    if (position_ >= size_) return false;
    value = stream_[position_++];
    return true;
  }
  size_t position() const { return position_; }

 private:
  const uint8_t* stream_;
  size_t size_;
  size_t position_ = 0;
};

void AppendPair(std::vector<uint8_t>& pairs, uint8_t mask, uint8_t graphic) {
  pairs.push_back(mask);
  pairs.push_back(graphic);
}

// Reads the rest of one record after its key. `ended` is set by the end record.
bool DecodeRecord(MaskStreamReader& reader, uint8_t key, std::vector<uint8_t>& pairs, bool& ended) {
  uint8_t value;
  if (!reader.ReadByte(value)) return false;
  switch (key) {
    case 0x00:  // count, then that many graphic bytes
      if (value == 0) return false;
      for (int i = 0; i < value; ++i) {
        uint8_t graphic;
        if (!reader.ReadByte(graphic)) return false;
        AppendPair(pairs, 0x00, graphic);
      }
      return true;
    case 0xFF:  // count of fully masked pairs; 0 ends the stream
      if (value == 0) ended = true;
      for (int i = 0; i < value; ++i) AppendPair(pairs, 0xFF, 0x00);
      return true;
    default:  // one partly masked pair: the value is its graphic byte
      AppendPair(pairs, key, value);
      return true;
  }
}

}  // namespace

bool DecodeMaskStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& pairs,
                      size_t* consumed) {
  MaskStreamReader reader(stream, size);
  bool ended = false;
  bool wellFormed = true;
  while (wellFormed && !ended) {
    uint8_t key;
    wellFormed = reader.ReadByte(key) && DecodeRecord(reader, key, pairs, ended);
  }
  if (consumed) *consumed = reader.position();
  return wellFormed;
}
