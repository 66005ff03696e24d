#include "writers/decoders.h"

// Both run-length formats (writers/run_length.h) are records after a control byte c:
//   c = 0x00           terminator
//   c = 0x01..0x7E     c units follow, copied unchanged
//   c = 0x83..0xFE     one unit follows, repeated c - 0x80 times
//   anything else      (0x7F, 0x80..0x82, 0xFF) never occurs: malformed
// A unit is one byte in the byte format and two bytes in the word format.
// On a malformed stream `out` is left as it was.

namespace {

bool DecodeStream(const uint8_t* stream, size_t size, size_t unitSize, std::vector<uint8_t>& out,
                  size_t* consumed) {
  const size_t originalSize = out.size();
  size_t pos = 0;
  while (pos < size) {
    const uint8_t control = stream[pos++];
    if (control == 0x00) {
      if (consumed) *consumed = pos;
      return true;
    }
    if (control >= 0x01 && control <= 0x7E) {
      const size_t bytes = control * unitSize;
      if (size - pos < bytes) break;  // truncated literal record
      out.insert(out.end(), stream + pos, stream + pos + bytes);
      pos += bytes;
    } else if (control >= 0x83 && control <= 0xFE) {
      if (size - pos < unitSize) break;  // truncated run record
      const uint8_t* unit = stream + pos;
      for (int i = 0; i < control - 0x80; ++i) out.insert(out.end(), unit, unit + unitSize);
      pos += unitSize;
    } else {
      break;  // a control byte that never occurs
    }
  }
  // Malformed: a bad control byte, a truncated record or no terminator.
  out.resize(originalSize);
  return false;
}

}  // namespace

bool DecodeByteStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                      size_t* consumed) {
  return DecodeStream(stream, size, 1, out, consumed);
}

bool DecodeWordStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                      size_t* consumed) {
  return DecodeStream(stream, size, 2, out, consumed);
}
