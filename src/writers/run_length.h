// The run-length encoder shared by the two compressing writers: byte
// compression runs it on units of 1 byte, word compression on units of 2
// bytes (a 16-bit word, low byte first, as it lies in the item).
//
// Stream format, for a unit size of u bytes (u = 1 or 2):
//
//   stream  := record* terminator
//
//   terminator       +------+
//                    | 0x00 |                        end of the item
//                    +------+
//
//   literal record   +------+------------------+
//                    |  n   | n units (n*u B)  |     n = 1..126 (0x01..0x7E):
//                    +------+------------------+     the n units, unchanged
//
//   run record       +--------+---------------+
//                    | 0x80+n | 1 unit (u B)  |     n = 3..126 (0x83..0xFE):
//                    +--------+---------------+     the unit repeated n times
//
// The control bytes 0x7F, 0x80, 0x81, 0x82 and 0xFF never occur. Every unit
// is copied as it lies in the item, so a word appears low byte first.
//
// Encoding is one greedy pass over the units:
//   - the units before the first one that starts a run of 3 or more like
//     units are literals;
//   - that run, cut at 126 units, becomes a run record, after the pending
//     literals have been written as literal records of 126 units each but
//     the last;
//   - the pass goes on after the run; the literals left at the end of the
//     item are written the same way.
// Two equal units therefore stay literals; a run longer than 126 goes on in
// a new record (a run record again when 3 or more units are left of it);
// an item that ends with a run leaves no literal record behind it; the
// terminator always ends the stream.
//
// Example (u = 1): 41 x 10, 42 43 44  ->  8A 41 | 03 42 43 44 | 00
#pragma once

#include <cstdint>

// The longest stream `unitCount` units of `unitSize` bytes can give: every
// unit a literal, one control byte per 126 of them, and the terminator.
// 1 for no unit at all, 3 for a single byte.
int RunLengthStreamBound(int unitCount, int unitSize);

// Encodes `unitCount` units of `unitSize` (1 or 2) bytes, read from `data`,
// into `stream`, which must hold RunLengthStreamBound(unitCount, unitSize)
// bytes; nothing is written past that. Returns the stream's length,
// terminator included. Cannot fail.
int EncodeRunLength(const uint8_t* data, int unitCount, int unitSize, uint8_t* stream);
