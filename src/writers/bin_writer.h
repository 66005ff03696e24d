// Output writers: collect one item's bytes, finish them (compressing where
// the item asks for it) and write them to the binary file with the writer's
// own listing lines. cBinWriter is the base of the family and the writer of
// uncompressed items.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

class cListing;

class cBinWriter {
 public:
  // The most bytes one item can hold (50 KiB): it keeps every item's output,
  // compressed or not, within the 16-bit length of the item header.
  static constexpr int kCapacity = 50 * 1024;

  cBinWriter() = default;
  virtual ~cBinWriter() = default;
  cBinWriter(const cBinWriter&) = delete;
  cBinWriter& operator=(const cBinWriter&) = delete;

  // Allocates and resets the item buffer. Called once, before anything else.
  virtual void Init();
  // Finishes the bytes for output; false (with a message) when already
  // prepared or when more bytes were appended than the item can hold.
  virtual bool Prepare();
  // Writes the finished bytes to `binary` and the writer's lines to `listing`.
  virtual bool Output(const char* tag, FILE* binary, cListing& listing);
  // Number of bytes Output writes to the binary file.
  virtual int GetOutputSize();
  // Item header type: the compression mode's code (formats/compression_modes.h).
  virtual int GetType();

  // Appends one byte. On a full buffer stores nothing, marks the writer as
  // overflowed and returns false. Inline: converters append byte by byte.
  bool AddByte(uint8_t value) {
    if (size_ >= capacity_) {
      overflowed_ = true;
      return false;
    }
    buffer_[size_++] = value;
    return true;
  }
  // Appends `count` bytes, stopping at the first refused one: as many as
  // there is room for are stored, and false is returned if that is not all.
  bool AddBytes(const uint8_t* bytes, int count);
  // Bytes appended so far, before any compression.
  int GetSize() const { return size_; }

 protected:
  const uint8_t* Data() const { return buffer_.get(); }
  // The capacity check of Prepare, shared by every writer: prints the
  // message and returns false when bytes were refused.
  bool CheckNotOverflowed() const;
  // Writes `count` bytes in one write; false with a message on a short write.
  static bool WriteBlock(FILE* binary, const uint8_t* bytes, int count);
  static void PrintNotPrepared();
  static void PrintAlreadyPrepared();

 private:
  std::unique_ptr<uint8_t[]> buffer_;
  int capacity_ = 0;
  int size_ = 0;
  bool overflowed_ = false;
  bool prepared_ = false;
};
