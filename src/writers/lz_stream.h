// The LZ stream of "compresslz" items (header type 3): literal runs and
// copies of earlier output, coded for a small and fast Z80 decoder
// (target/kestrip_unpack_lz.asm).
//
// Bits and bytes share one stream. Bits are read most significant first
// from "bit bytes"; the decoder fetches the next stream byte as a bit byte
// at the moment it needs a bit and the last bit byte is used up, and every
// other byte (literals, offsets) is read where the token needs it. So a
// token's bits and bytes lie in the stream in the order they are read,
// and the encoder writes them in that order, reserving a bit byte when its
// first bit is written. Unused bits of the last bit byte are 0.
//
//   gamma(v), v >= 1, interlaced Elias gamma: for each bit of v below its
//   leading 1, from the highest: a 0 (more) and that bit; then a 1 (stop).
//
//       v = 1   1            v = 2   0 0 1        v = 3   0 1 1
//       v = 4   0 0 0 0 1    v = 6   0 1 0 0 1    at most 16 bits of v
//
// Tokens, after a match (and at the start of the stream):
//
//   literal run   0  gamma(n)  n bytes                copies the n bytes
//   new match     1  gamma(h)  -d lo  gamma(m - 1)    m >= 2 bytes from d back
//
// after a literal run (two runs never meet):
//
//   repeat match  0  gamma(m - 1)                     m bytes from the last d
//   new match     1  gamma(h)  -d lo  gamma(m - 1)
//
//   d, the distance back from the next byte to write, is 1..65280:
//     h = (d - 1) / 256 + 1            gamma(h) costs 1 bit for d <= 256,
//     -d lo = (65536 - d) & 0xFF       3 to 768, 5 to 1792, 7 to 3840, ...
//   so -d = ((256 - h) << 8) | -d lo, the 16-bit negative the Z80 adds.
//   The repeat match's d is the last new match's, 1 before the first one.
//
//   end           1  gamma(256)                       the terminator:
//                    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1   a new match whose
//                                                        h is 256
//
// A match copies its bytes one at a time from d back, so it may overlap
// what it writes (d = 1 repeats the last byte m times). The stream ends with
// the bit byte that holds the terminator's last bit.
//
// Example, "ABABABAB!" (9 bytes) in 8 stream bytes:
//   0 001 'A' 'B'           literal run of 2
//   1 1 0xFE 00011          new match: h 1, d 2, m 6
//   0 1 '!'                 literal run of 1
//   1 0000000000000000 1    the terminator
//   -> 1C 'A' 'B' FE 6C '!' 00 02
//      (bit bytes 1C = 0001 1100, 6C = 0110 1100, 00, 02 = 0000 0010)
//
// The encoder (lz_encoder.cpp) finds the smallest stream of this format for
// an item by dynamic programming (see there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The longest stream an item of `size` bytes can give: every byte in one
// literal run, and the terminator. 3 for the empty item.
int LzStreamBound(int size);

// Encodes `size` bytes from `data` into `stream`, which must hold
// LzStreamBound(size) bytes; nothing is written past that. Returns the
// stream's length, terminator included. Cannot fail: without the memory
// for its search it writes the one-literal-run stream.
int EncodeLz(const uint8_t* data, int size, uint8_t* stream);

// Decodes an LZ stream from `stream`, appending the item's bytes to `out`.
// Returns false, leaving `out` as it was, for a malformed stream: a match
// reaching before the item's first byte, a high part over 256, more than
// 16 bits in a gamma code, more than cBinWriter::kCapacity bytes of output,
// a first token that is a match, padding bits that are not 0, or a stream
// that ends before its terminator. `consumed`, when given, receives the
// number of stream bytes read, terminator included.
bool DecodeLzStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                    size_t* consumed = nullptr);
