#include "writers/compressed_writer.h"

#include <new>

#include "formats/compression_modes.h"
#include "io/console.h"
#include "listing/listing.h"

void cBinWriter_Compressed::Init() {
  cBinWriter::Init();
  compressed_.reset();
  compressedSize_ = 0;
  prepared_ = false;
}

bool cBinWriter_Compressed::Prepare() {
  if (prepared_) {
    PrintAlreadyPrepared();
    return false;
  }
  if (!CheckNotOverflowed()) return false;
  if (GetSize() % mode_.unitSize != 0) {
    // A last odd byte would belong to no word and be lost.
    Fault("Word compression needs an even number of bytes, item has %d\n", GetSize());
    return false;
  }
  // Sized for the longest stream the item can give (the empty one included).
  compressed_.reset(new (std::nothrow) uint8_t[mode_.streamBound(GetSize())]);
  if (!compressed_) {
    Fault("Not enough memory to compress the item\n");
    return false;
  }
  compressedSize_ = mode_.encode(Data(), GetSize(), compressed_.get());
  prepared_ = true;
  return true;
}

bool cBinWriter_Compressed::Output(const char* tag, FILE* binary, cListing& listing) {
  if (!prepared_) {
    PrintNotPrepared();
    return false;
  }
  if (!WriteBlock(binary, compressed_.get(), compressedSize_)) return false;
  WriteCompressionListing(listing, tag, mode_.method, compressedSize_, GetSize());
  return true;
}

int cBinWriter_Compressed::GetOutputSize() {
  if (!prepared_) {
    PrintNotPrepared();
    return 0;
  }
  return compressedSize_;
}

int cBinWriter_Compressed::GetType() { return mode_.headerType; }

void WriteCompressionListing(cListing& listing, const char* tag, const char* method,
                             int compressedSize, int size) {
  listing.Symbol(tag, "compressed_size", compressedSize);
  listing.Comment("%d bytes written", compressedSize);
  listing.Comment("%s compression used saving %d bytes", method, size - compressedSize);
  if (size == 0) {
    // What "%0.1f" makes of 1 / 0 * 100, written out so as not to divide by 0.
    listing.Comment("data now at inf%% original size");
  } else {
    listing.Comment("data now at %0.1f%% original size",
                    static_cast<double>(compressedSize) / static_cast<double>(size) * 100.0);
  }
}
