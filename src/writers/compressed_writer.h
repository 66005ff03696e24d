// The compressing writers share everything but their compression mode: a
// row of formats/compression_modes.h gives the stream's encoder, its bound,
// its unit and the header type. Converters append bytes as to any writer;
// Prepare encodes them into the stream and Output writes the stream with
// four listing lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "writers/bin_writer.h"

struct CompressionInfo;

class cBinWriter_Compressed : public cBinWriter {
 public:
  explicit cBinWriter_Compressed(const CompressionInfo& mode) : mode_(mode) {}

  void Init() override;
  // Fails (with its message) when already prepared, when overflowed, or
  // when the item is not a whole number of units; checked in that order.
  bool Prepare() override;
  bool Output(const char* tag, FILE* binary, cListing& listing) override;
  // The stream's length, terminator included.
  int GetOutputSize() override;
  int GetType() override;

 private:
  const CompressionInfo& mode_;
  bool prepared_ = false;  // this writer's own flag, not the base's
  int compressedSize_ = 0;
  std::unique_ptr<uint8_t[]> compressed_;
};

// The four listing lines of every compressing writer: compressed-size
// symbol, bytes written, bytes saved and the stream's size as a percentage
// of `size`. An empty item has no finite percentage: its line reads
// "; data now at inf% original size".
void WriteCompressionListing(cListing& listing, const char* tag, const char* method,
                             int compressedSize, int size);
