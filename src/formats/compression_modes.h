// The compression modes of the script language, described once: the word
// that selects each, the item header's type code, the writer that makes its
// stream, the stream's encoder, bound and strict decoder. The interpreter,
// the writers, the viewer, the fuzzers and the tests all use these rows. A
// new compression mode is one row (and its encoder and decoder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class cBinWriter;

struct CompressionInfo {
  const char* word;  // the script's compression word
  int headerType;    // the item header's type byte
  // The listing's "; <method> compression used saving %d bytes"; null for
  // the mode without compression, which has none of the fields below.
  const char* method;
  int unitSize;  // the item must be a whole number of these bytes
  // The longest stream an item of `size` bytes can give.
  int (*streamBound)(int size);
  // Encodes `size` bytes into `stream` (room for streamBound(size) bytes);
  // returns the stream's length. Cannot fail.
  int (*encode)(const uint8_t* data, int size, uint8_t* stream);
  // Strict decoding: false for a malformed stream, `out` then left as it
  // was; `consumed` gets the stream bytes read.
  bool (*decode)(const uint8_t* stream, size_t size, std::vector<uint8_t>& out, size_t* consumed);
  std::unique_ptr<cBinWriter> (*createWriter)();
};

extern const CompressionInfo kCompressionModes[];
extern const size_t kCompressionModeCount;

struct CompressionRange {
  const CompressionInfo* begin() const { return kCompressionModes; }
  const CompressionInfo* end() const { return kCompressionModes + kCompressionModeCount; }
};
inline CompressionRange CompressionModes() { return {}; }

// The row of a compression word, without regard to case; null when none.
const CompressionInfo* FindCompression(const char* word);
// The row of an item header type; null when no mode has it.
const CompressionInfo* FindCompressionOfType(int headerType);
