#include "formats/compression_modes.h"

#include "tokeniser/tokeniser.h"
#include "writers/bin_writer.h"
#include "writers/compressed_byte.h"
#include "writers/compressed_lz.h"
#include "writers/compressed_word.h"
#include "writers/decoders.h"
#include "writers/lz_stream.h"
#include "writers/run_length.h"

namespace {

template <class Writer>
std::unique_ptr<cBinWriter> Create() {
  return std::make_unique<Writer>();
}

template <int kUnit>
int RunLengthBound(int size) {
  return RunLengthStreamBound(size / kUnit, kUnit);
}

template <int kUnit>
int RunLengthEncode(const uint8_t* data, int size, uint8_t* stream) {
  return EncodeRunLength(data, size / kUnit, kUnit, stream);
}

}  // namespace

const CompressionInfo kCompressionModes[] = {
    {"compressnone", 0, nullptr, 1, nullptr, nullptr, nullptr, Create<cBinWriter>},
    {"compressbyte", 1, "byte", 1, RunLengthBound<1>, RunLengthEncode<1>, DecodeByteStream,
     Create<cBinWriter_CompressedByte>},
    {"compressword", 2, "word", 2, RunLengthBound<2>, RunLengthEncode<2>, DecodeWordStream,
     Create<cBinWriter_CompressedWord>},
    {"compresslz", 3, "lz", 1, LzStreamBound, EncodeLz, DecodeLzStream,
     Create<cBinWriter_CompressedLz>},
};
const size_t kCompressionModeCount = sizeof kCompressionModes / sizeof kCompressionModes[0];

const CompressionInfo* FindCompression(const char* word) {
  for (const CompressionInfo& mode : CompressionModes()) {
    if (EqualsIgnoringCase(word, mode.word)) return &mode;
  }
  return nullptr;
}

const CompressionInfo* FindCompressionOfType(int headerType) {
  for (const CompressionInfo& mode : CompressionModes()) {
    if (mode.headerType == headerType) return &mode;
  }
  return nullptr;
}
