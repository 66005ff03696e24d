// Fuzz target 3: the three stream encoders against their decoders.
//
//   byte run-length (compressbyte): decode(encode(x)) == x, and the stream
//     is at most n + ceil(n / 126) + 1 bytes for n bytes;
//   word run-length (compressword): decode(encode(x)) == the first 2m bytes
//     of x, m = n / 2 words, within 2m + ceil(m / 126) + 1 bytes;
//   mask stream (fullscreenmask): the pairs of an image of 64, 128 or 192
//     rows come back from the stream, which is at most 80 * rows + 2 bytes;
//   LZ stream (compresslz): decode(encode(x)) == x within LzStreamBound,
//     and the writer's stream is the encoder's, for the input's first
//     fuzz::kLzFuzzBytes bytes.
//
// The run-length encoder writes into a buffer of exactly the stated bound,
// so AddressSanitizer catches a byte past it; the writers' own streams must
// equal the encoder's. The decoders also get the raw fuzzed bytes, which
// they must refuse or decode without reading past them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "converters/fullscreenmask.h"
#include "fuzz_support.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"
#include "writers/compressed_byte.h"
#include "writers/compressed_lz.h"
#include "writers/compressed_word.h"
#include "writers/decoders.h"
#include "writers/lz_stream.h"
#include "writers/run_length.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A writer whose appended bytes can be read back.
class ReadableWriter : public cBinWriter {
 public:
  using cBinWriter::Data;
};

size_t StreamBound(size_t units, size_t unitSize) {
  return units * unitSize + (units + 125) / 126 + 1;
}

Bytes Encode(const uint8_t* data, size_t size, int unitSize) {
  const size_t units = size / static_cast<size_t>(unitSize);
  const size_t bound = StreamBound(units, static_cast<size_t>(unitSize));
  std::unique_ptr<uint8_t[]> stream(new uint8_t[bound]);
  const int length = EncodeRunLength(data, static_cast<int>(units), unitSize, stream.get());
  if (length < 1 || static_cast<size_t>(length) > bound)
    fuzz::Fail("run-length stream over its bound");
  return Bytes(stream.get(), stream.get() + length);
}

void CheckRunLength(const uint8_t* data, size_t size, int unitSize) {
  const Bytes stream = Encode(data, size, unitSize);
  Bytes decoded;
  size_t consumed = 0;
  const bool decodedOk = unitSize == 1
                             ? DecodeByteStream(stream.data(), stream.size(), decoded, &consumed)
                             : DecodeWordStream(stream.data(), stream.size(), decoded, &consumed);
  if (!decodedOk || consumed != stream.size()) fuzz::Fail("run-length stream doesn't decode");
  const size_t kept = size / static_cast<size_t>(unitSize) * static_cast<size_t>(unitSize);
  if (decoded != Bytes(data, data + kept)) fuzz::Fail("run-length stream decodes to other bytes");
}

Bytes EncodeLzExactly(const uint8_t* data, size_t size) {
  const int bound = LzStreamBound(static_cast<int>(size));
  std::unique_ptr<uint8_t[]> stream(new uint8_t[static_cast<size_t>(bound)]);
  const int length = EncodeLz(data, static_cast<int>(size), stream.get());
  if (length < 1 || length > bound) fuzz::Fail("LZ stream over its bound");
  return Bytes(stream.get(), stream.get() + length);
}

// Returns the stream, which the LZ writer's must equal.
Bytes CheckLz(const uint8_t* data, size_t size) {
  Bytes stream = EncodeLzExactly(data, size);
  Bytes decoded;
  size_t consumed = 0;
  if (!DecodeLzStream(stream.data(), stream.size(), decoded, &consumed) ||
      consumed != stream.size())
    fuzz::Fail("LZ stream doesn't decode");
  if (decoded != Bytes(data, data + size)) fuzz::Fail("LZ stream decodes to other bytes");
  return stream;
}

// The writer's Output must write the encoder's stream; an odd item is
// refused by word compression.
template <class Writer>
void CheckWriter(const uint8_t* data, size_t size, int unitSize, const Bytes& expected,
                 FILE* discard) {
  Writer writer;
  writer.Init();
  writer.AddBytes(data, static_cast<int>(size));
  const bool expectPrepared = size % static_cast<size_t>(unitSize) == 0;
  if (writer.Prepare() != expectPrepared)
    fuzz::Fail("writer prepared when it shouldn't, or the reverse");
  if (!expectPrepared) return;
  char* written = nullptr;
  size_t writtenSize = 0;
  FILE* binary = open_memstream(&written, &writtenSize);
  if (!binary) fuzz::Fail("no memory stream");
  cListing listing(discard);
  const bool output = writer.Output("t", binary, listing);
  fclose(binary);
  const Bytes stream(written, written + writtenSize);
  free(written);
  if (!output) fuzz::Fail("writer output failed");
  if (static_cast<size_t>(writer.GetOutputSize()) != stream.size())
    fuzz::Fail("output size differs from the stream");
  if (stream != expected) fuzz::Fail("writer stream differs from the encoder's");
}

void CheckMaskStream(const uint8_t* data, size_t size) {
  if (size == 0) return;
  static const int kHeights[] = {64, 128, 192};
  const int height = kHeights[data[0] % 3];
  // The pairs repeat the rest of the input. A graphic bit is only ever set
  // where the mask bit is clear, as grab_fullscreenmask makes them.
  Bytes pairs(64 * static_cast<size_t>(height), 0);
  for (size_t i = 0; size > 1 && i < pairs.size(); ++i) pairs[i] = data[1 + i % (size - 1)];
  for (size_t i = 0; i < pairs.size(); i += 2) pairs[i + 1] &= static_cast<uint8_t>(~pairs[i]);

  ReadableWriter writer;
  writer.Init();
  if (!compress_fullscreenmask(pairs.data(), height, writer)) fuzz::Fail("mask packing failed");
  const size_t length = static_cast<size_t>(writer.GetSize());
  if (length > 80 * static_cast<size_t>(height) + 2) fuzz::Fail("mask stream over its bound");
  Bytes decoded;
  size_t consumed = 0;
  if (!DecodeMaskStream(writer.Data(), length, decoded, &consumed) || consumed != length)
    fuzz::Fail("mask stream doesn't decode");
  if (decoded != pairs) fuzz::Fail("mask stream decodes to other pairs");
}

// Arbitrary bytes as streams: refused or decoded, never read past.
void DecodeRawBytes(const uint8_t* data, size_t size) {
  const size_t limit = size < 4096 ? size : 4096;  // bounds the decoded size
  const std::unique_ptr<uint8_t[]> copy(new uint8_t[limit ? limit : 1]);
  std::copy(data, data + limit, copy.get());
  Bytes out;
  size_t consumed = 0;
  if (DecodeByteStream(copy.get(), limit, out, &consumed) && consumed > limit)
    fuzz::Fail("byte decoder overread");
  out.clear();
  if (DecodeWordStream(copy.get(), limit, out, &consumed) && consumed > limit)
    fuzz::Fail("word decoder overread");
  out.clear();
  if (DecodeMaskStream(copy.get(), limit, out, &consumed) && consumed > limit)
    fuzz::Fail("mask decoder overread");
  out.clear();
  if (DecodeLzStream(copy.get(), limit, out, &consumed) &&
      (consumed > limit || out.size() > static_cast<size_t>(cBinWriter::kCapacity)))
    fuzz::Fail("LZ decoder overread or overran the item");
}

FILE* g_discard = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  g_discard = fopen("/dev/null", "w");
  if (!g_discard) fuzz::Fail("can't open /dev/null");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > static_cast<size_t>(cBinWriter::kCapacity)) size = cBinWriter::kCapacity;
  CheckRunLength(data, size, 1);
  CheckRunLength(data, size, 2);
  CheckWriter<cBinWriter_CompressedByte>(data, size, 1, Encode(data, size, 1), g_discard);
  CheckWriter<cBinWriter_CompressedWord>(data, size, 2, Encode(data, size, 2), g_discard);
  const size_t lzSize = std::min(size, fuzz::kLzFuzzBytes);
  CheckWriter<cBinWriter_CompressedLz>(data, lzSize, 1, CheckLz(data, lzSize), g_discard);
  CheckMaskStream(data, size);
  DecodeRawBytes(data, size);
  return 0;
}
