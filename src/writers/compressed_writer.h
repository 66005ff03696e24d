// The two compressing writers share everything but their unit: byte
// compression encodes the item in units of 1 byte (header type 1), word
// compression in 16-bit words of 2 bytes, low byte first (header type 2).
// Converters append bytes as to any writer; Prepare encodes them into a
// run-length stream (format: writers/run_length.h) and Output writes the
// stream with four listing lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "writers/bin_writer.h"
#include "writers/run_length.h"

template <int kUnitSize, int kType>
class cBinWriter_RunLength : public cBinWriter {
 public:
  void Init() override {
    cBinWriter::Init();
    compressed_.reset();
    compressedSize_ = 0;
    prepared_ = false;
  }

  // Fails (with its message) when already prepared, when overflowed, or
  // when the item is not a whole number of units; checked in that order.
  bool Prepare() override {
    if (prepared_) {
      PrintAlreadyPrepared();
      return false;
    }
    if (!CheckNotOverflowed()) return false;
    if (GetSize() % kUnitSize != 0) {
      // A last odd byte would belong to no word and be lost.
      printf("Word compression needs an even number of bytes, item has %d\n", GetSize());
      return false;
    }
    // Sized for the longest stream the item can give (the empty one included).
    const int units = GetSize() / kUnitSize;
    compressed_.reset(new (std::nothrow) uint8_t[RunLengthStreamBound(units, kUnitSize)]);
    if (!compressed_) {
      printf("Not enough memory to compress the item\n");
      return false;
    }
    compressedSize_ = EncodeRunLength(Data(), units, kUnitSize, compressed_.get());
    prepared_ = true;
    return true;
  }

  bool Output(const char* tag, FILE* binary, FILE* listing) override {
    if (!prepared_) {
      PrintNotPrepared();
      return false;
    }
    if (!WriteBlock(binary, compressed_.get(), compressedSize_)) return false;
    WriteCompressionListing(listing, tag, kUnitSize == 1 ? "byte" : "word", compressedSize_,
                            GetSize());
    return true;
  }

  // The stream's length, terminator included.
  int GetOutputSize() override {
    if (!prepared_) {
      PrintNotPrepared();
      return 0;
    }
    return compressedSize_;
  }

  int GetType() override { return kType; }

 private:
  bool prepared_ = false;  // this writer's own flag, not the base's
  int compressedSize_ = 0;
  std::unique_ptr<uint8_t[]> compressed_;
};
