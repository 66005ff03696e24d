// The writer of "compresslz" items (header type 3): the item's bytes as one
// LZ stream (format: writers/lz_stream.h), with the four listing lines of
// the other compressing writers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "writers/bin_writer.h"

class cBinWriter_CompressedLz : public cBinWriter {
 public:
  void Init() override;
  // Fails (with its message) when already prepared or overflowed.
  bool Prepare() override;
  bool Output(const char* tag, FILE* binary, FILE* listing) override;
  // The stream's length, terminator included.
  int GetOutputSize() override;
  int GetType() override { return 3; }

 private:
  bool prepared_ = false;  // this writer's own flag, not the base's
  int compressedSize_ = 0;
  std::unique_ptr<uint8_t[]> compressed_;
};
