// Host-side pieces the target routines are checked and timed against:
// streams made by kestrip's own writers, the result a routine must leave,
// and the items of a real build read back through their headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace target {

using Bytes = std::vector<uint8_t>;

// Streams as kestrip writes them: the run-length encoder on units of one
// byte (header type 1) or of two (type 2; `item` must have an even size),
// the LZ encoder (type 3), and the full-screen mask's packer on (mask,
// graphic) pairs of a 64-, 128- or 192-row image (empty for any other
// number of pairs).
Bytes ByteStream(const Bytes& item);
Bytes WordStream(const Bytes& item);
Bytes LzStream(const Bytes& item);
Bytes MaskStream(const Bytes& pairs);

// Unpacking in place: the stream's last byte at the end of a buffer of the
// item's size plus a margin, the output from the buffer's first byte on.
//
//   buffer  |<------------- item (N bytes) ------------->|<- margin ->|
//           |                          |<----------- stream (S bytes) -->|
//           output: DE                 HL
//
// The run-length routines read a record whole (a literal byte by byte, just
// ahead of its copy) before they write it, so a write may land on a stream
// byte already read. The margin a stream needs is the most by which the
// stream is longer than the item, or by which the part of it after a record
// that writes is longer than the output that part holds (at least 1: the
// terminator after the last record). No stream needs more than its
// format's worst overhead, RunLengthStreamBound(units) - N =
// ceil(units / 126) + 1 bytes.
//
// The LZ routines read a match's codes before they copy it, and copy a
// literal run just behind the reading, so the tails compared are the
// stream after a match's length code with the output after the match, and
// the stream from a run's first literal with the output from there; the
// terminator's bits come after the last write, so every stream needs at
// least 2 bytes. Any stream the encoder writes needs at most
// LzStreamBound(N) - N bytes (3 to 7): after every match the parse weighs
// a literal run to the end, and weighs literal runs by their bits alone,
// so no tail of its stream after a match is longer than that run's.
//
// Both take the item's header type: 1, 2 or 3.
size_t InPlaceMargin(const Bytes& stream, int headerType);
size_t InPlaceMarginBound(size_t itemSize, int headerType);

// What kestrip_apply_mask must make of `screen`: each byte covered by a
// pair becomes screen AND mask OR graphic.
Bytes ApplyMask(Bytes screen, const Bytes& pairs);

// One item of a binary built with headers on.
struct BuildItem {
  int type = 0;          // the header type: 0 none, 1 byte, 2 word compression, 3 LZ
  int headerOffset = 0;  // where its header lies in the binary
  Bytes data;            // the bytes after the header
  std::string dataType;  // the listing's "; Data type: " text
};

// The items of `binary`, walked through their headers, with the data type
// of each from `listing`. False when a header runs past the binary, the
// items do not end exactly at its end, or the listing names another number
// of items (a build with headers off somewhere cannot be walked).
bool ReadBuildItems(const Bytes& binary, const std::string& listing,
                    std::vector<BuildItem>& items);

// The item's bytes before compression (its data as it is for type 0).
bool DecodeItem(const BuildItem& item, Bytes& bytes);

}  // namespace target
