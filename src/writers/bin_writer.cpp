#include "writers/bin_writer.h"

#include <cstring>
#include <new>

#include "io/console.h"
#include "listing/listing.h"

void cBinWriter::Init() {
  // A failed allocation leaves a capacity of 0: every byte is then refused
  // and Prepare reports the overflow.
  buffer_.reset(new (std::nothrow) uint8_t[kCapacity]);
  capacity_ = buffer_ ? kCapacity : 0;
  size_ = 0;
  overflowed_ = false;
  prepared_ = false;
}

bool cBinWriter::AddBytes(const uint8_t* bytes, int count) {
  if (count <= 0) return true;
  const int room = capacity_ - size_;
  const int stored = count < room ? count : room;
  if (stored > 0) {
    memcpy(buffer_.get() + size_, bytes, static_cast<size_t>(stored));
    size_ += stored;
  }
  if (stored < count) {
    overflowed_ = true;
    return false;
  }
  return true;
}

bool cBinWriter::CheckNotOverflowed() const {
  if (overflowed_) {
    Fault("Item data is larger than the %d bytes an item can hold\n", kCapacity);
    return false;
  }
  return true;
}

void cBinWriter::PrintNotPrepared() { Fault("Writer hadn't been prepared for output!\n"); }

void cBinWriter::PrintAlreadyPrepared() {
  Fault("Writer data has already been prepared for output!\n");
}

bool cBinWriter::WriteBlock(FILE* binary, const uint8_t* bytes, int count) {
  const size_t written = count > 0 ? fwrite(bytes, 1, static_cast<size_t>(count), binary) : 0;
  if (written != static_cast<size_t>(count)) {
    Fault("Error writing binary data\n");
    return false;
  }
  return true;
}

bool cBinWriter::Prepare() {
  if (prepared_) {
    PrintAlreadyPrepared();
    return false;
  }
  if (!CheckNotOverflowed()) return false;
  prepared_ = true;
  return true;
}

bool cBinWriter::Output(const char* /*tag*/, FILE* binary, cListing& listing) {
  if (!prepared_) {
    PrintNotPrepared();
    return false;
  }
  if (!WriteBlock(binary, Data(), size_)) return false;
  listing.Comment("%d bytes written", size_);
  listing.Comment("no compression used");
  return true;
}

int cBinWriter::GetOutputSize() {
  if (!prepared_) {
    PrintNotPrepared();
    return 0;
  }
  return size_;
}

int cBinWriter::GetType() { return 0; }
