#include "target_streams.h"

#include <algorithm>
#include <sstream>

#include "converters/fullscreenmask.h"
#include "converters/pixel_helpers.h"
#include "writers/bin_writer.h"
#include "writers/decoders.h"
#include "writers/lz_stream.h"
#include "writers/run_length.h"

namespace target {

namespace {

constexpr int kHeaderSize = 3;
constexpr int kLzType = 3;
const char kDataTypeLine[] = "; Data type: ";

Bytes RunLengthStream(const Bytes& item, int unitSize) {
  const int units = static_cast<int>(item.size()) / unitSize;
  Bytes stream(static_cast<size_t>(RunLengthStreamBound(units, unitSize)));
  stream.resize(static_cast<size_t>(EncodeRunLength(item.data(), units, unitSize, stream.data())));
  return stream;
}

// A writer whose appended bytes can be read back.
class CapturingWriter : public cBinWriter {
 public:
  CapturingWriter() { Init(); }
  Bytes Appended() const { return Bytes(Data(), Data() + GetSize()); }
};

std::vector<std::string> DataTypes(const std::string& listing) {
  std::vector<std::string> types;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, sizeof kDataTypeLine - 1, kDataTypeLine) == 0)
      types.push_back(line.substr(sizeof kDataTypeLine - 1));
  }
  return types;
}

// Reads an LZ stream's bits and bytes in the order kestrip_unpack_lz does,
// a bit byte taken when a bit is needed and the last one is used up. Past
// the stream's end it reads zeros.
class LzReader {
 public:
  explicit LzReader(const Bytes& stream) : stream_(stream) {}

  int Bit() {
    if (bitsLeft_ == 0) {
      bitByte_ = NextByte();
      bitsLeft_ = 8;
    }
    --bitsLeft_;
    return bitByte_ >> bitsLeft_ & 1;
  }
  uint32_t Gamma() {
    uint32_t value = 1;
    for (int bits = 0; bits < 17 && !Bit(); ++bits) value = value * 2 + static_cast<uint32_t>(Bit());
    return value;
  }
  void Skip(size_t count) { read_ += count; }
  int64_t Read() const { return static_cast<int64_t>(read_); }
  bool Past() const { return read_ > stream_.size(); }

 private:
  uint8_t NextByte() { return read_ < stream_.size() ? stream_[read_++] : (++read_, 0); }

  const Bytes& stream_;
  size_t read_ = 0;
  uint8_t bitByte_ = 0;
  int bitsLeft_ = 0;
};

// The LZ stream's margin (target_streams.h): the most the output gets
// ahead of the stream read at a write, as if the stream began with the
// output, moved up by what the stream is longer than the item.
size_t LzInPlaceMargin(const Bytes& stream) {
  constexpr uint32_t kEndHigh = 256;
  LzReader reader(stream);
  int64_t written = 0, lead = 0;
  bool afterRun = false;
  while (!reader.Past()) {
    const bool newMatch = reader.Bit();
    if (!newMatch && !afterRun) {  // a literal run, copied as it is read
      const uint32_t count = reader.Gamma();
      lead = std::max(lead, written - reader.Read());
      reader.Skip(count);
      written += count;
      afterRun = true;
      continue;
    }
    if (newMatch) {
      if (reader.Gamma() == kEndHigh) break;
      reader.Skip(1);  // -d lo
    }
    written += reader.Gamma() + 1;  // a match, copied once its codes are read
    lead = std::max(lead, written - reader.Read());
    afterRun = false;
  }
  return static_cast<size_t>(std::max<int64_t>(0, reader.Read() - written + lead));
}

}  // namespace

Bytes ByteStream(const Bytes& item) { return RunLengthStream(item, 1); }
Bytes WordStream(const Bytes& item) { return RunLengthStream(item, 2); }

Bytes LzStream(const Bytes& item) {
  Bytes stream(static_cast<size_t>(LzStreamBound(static_cast<int>(item.size()))));
  stream.resize(static_cast<size_t>(EncodeLz(item.data(), static_cast<int>(item.size()), stream.data())));
  return stream;
}

Bytes MaskStream(const Bytes& pairs) {
  const int height = static_cast<int>(pairs.size() / 2 / kDisplayBytesPerRow);
  if (pairs.size() != static_cast<size_t>(2 * kDisplayBytesPerRow * height) ||
      !IsWholeThirdsHeight(height))
    return {};
  CapturingWriter writer;
  if (!compress_fullscreenmask(pairs.data(), height, writer)) return {};
  return writer.Appended();
}

size_t InPlaceMargin(const Bytes& stream, int headerType) {
  if (headerType == kLzType) return LzInPlaceMargin(stream);
  const size_t unit = static_cast<size_t>(headerType);
  size_t read = 0, written = 0;  // after each record
  std::vector<std::pair<size_t, size_t>> recordEnds;
  while (read < stream.size() && stream[read] != 0) {
    const size_t count = stream[read] & 0x7F;
    const bool run = stream[read] & 0x80;
    read += 1 + (run ? unit : count * unit);
    written += count * unit;
    recordEnds.push_back({read, written});
  }
  const size_t streamSize = read + 1, itemSize = written;  // the terminator read too
  size_t margin = streamSize > itemSize ? streamSize - itemSize : 0;  // the buffer holds the stream
  for (const auto& end : recordEnds) {
    const size_t tailStream = streamSize - end.first, tailOutput = itemSize - end.second;
    if (tailStream > tailOutput && tailStream - tailOutput > margin)
      margin = tailStream - tailOutput;
  }
  return margin;
}

size_t InPlaceMarginBound(size_t itemSize, int headerType) {
  if (headerType == kLzType)
    return static_cast<size_t>(LzStreamBound(static_cast<int>(itemSize))) - itemSize;
  const int units = static_cast<int>(itemSize) / headerType;
  return static_cast<size_t>(RunLengthStreamBound(units, headerType)) - itemSize;
}

Bytes ApplyMask(Bytes screen, const Bytes& pairs) {
  for (size_t pair = 0; pair < pairs.size() / 2 && pair < screen.size(); ++pair)
    screen[pair] = static_cast<uint8_t>((screen[pair] & pairs[2 * pair]) | pairs[2 * pair + 1]);
  return screen;
}

bool ReadBuildItems(const Bytes& binary, const std::string& listing,
                    std::vector<BuildItem>& items) {
  const std::vector<std::string> types = DataTypes(listing);
  items.clear();
  size_t offset = 0;
  while (offset < binary.size()) {
    if (binary.size() - offset < kHeaderSize) return false;
    const size_t length = binary[offset + 1] | binary[offset + 2] << 8;
    if (binary.size() - offset - kHeaderSize < length) return false;
    BuildItem item;
    item.type = binary[offset];
    item.headerOffset = static_cast<int>(offset);
    const auto first = binary.begin() + static_cast<std::ptrdiff_t>(offset + kHeaderSize);
    item.data.assign(first, first + static_cast<std::ptrdiff_t>(length));
    if (items.size() < types.size()) item.dataType = types[items.size()];
    items.push_back(item);
    offset += kHeaderSize + length;
  }
  return items.size() == types.size();
}

bool DecodeItem(const BuildItem& item, Bytes& bytes) {
  bytes.clear();
  size_t consumed = 0;
  switch (item.type) {
    case 0:
      bytes = item.data;
      return true;
    case 1:
      return DecodeByteStream(item.data.data(), item.data.size(), bytes, &consumed) &&
             consumed == item.data.size();
    case 2:
      return DecodeWordStream(item.data.data(), item.data.size(), bytes, &consumed) &&
             consumed == item.data.size();
    case 3:
      return DecodeLzStream(item.data.data(), item.data.size(), bytes, &consumed) &&
             consumed == item.data.size();
    default:
      return false;
  }
}

}  // namespace target
