#include "writers/compressed_lz.h"

#include <new>

#include "writers/lz_stream.h"
#include "writers/run_length.h"

void cBinWriter_CompressedLz::Init() {
  cBinWriter::Init();
  compressed_.reset();
  compressedSize_ = 0;
  prepared_ = false;
}

bool cBinWriter_CompressedLz::Prepare() {
  if (prepared_) {
    PrintAlreadyPrepared();
    return false;
  }
  if (!CheckNotOverflowed()) return false;
  compressed_.reset(new (std::nothrow) uint8_t[LzStreamBound(GetSize())]);
  if (!compressed_) {
    printf("Not enough memory to compress the item\n");
    return false;
  }
  compressedSize_ = EncodeLz(Data(), GetSize(), compressed_.get());
  prepared_ = true;
  return true;
}

bool cBinWriter_CompressedLz::Output(const char* tag, FILE* binary, FILE* listing) {
  if (!prepared_) {
    PrintNotPrepared();
    return false;
  }
  if (!WriteBlock(binary, compressed_.get(), compressedSize_)) return false;
  WriteCompressionListing(listing, tag, "lz", compressedSize_, GetSize());
  return true;
}

int cBinWriter_CompressedLz::GetOutputSize() {
  if (!prepared_) {
    PrintNotPrepared();
    return 0;
  }
  return compressedSize_;
}
