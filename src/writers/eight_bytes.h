// Eight bytes as one 64-bit word, byte i in bits 8i .. 8i + 7 whatever the
// machine's byte order, and the tests that work on all eight bytes at once
// (a flag is bit 7 of a byte). The converters take eight pixels a step this
// way, the run-length encoder eight bytes of an item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr uint64_t kEveryLowBit = 0x0101010101010101ull;   // bit 0 of each byte
constexpr uint64_t kEveryHighBit = 0x8080808080808080ull;  // bit 7 of each byte

// One load or store (a byte swap too where words are big-endian). Through
// memcpy, not byte by byte: compilers do not always merge eight byte loads
// into one (not at a negative offset from a pointer, for one).
constexpr bool kBigEndianWords = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
inline uint64_t LoadEight(const uint8_t* bytes) {
  uint64_t eight;
  memcpy(&eight, bytes, sizeof eight);
  return kBigEndianWords ? __builtin_bswap64(eight) : eight;
}
inline void StoreEight(uint64_t eight, uint8_t* bytes) {
  if (kBigEndianWords) eight = __builtin_bswap64(eight);
  memcpy(bytes, &eight, sizeof eight);
}
inline uint64_t EveryByte(uint8_t value) { return value * kEveryLowBit; }
inline uint8_t ByteAt(uint64_t eight, int i) { return static_cast<uint8_t>(eight >> 8 * i); }

// The flag of each byte that is not 0. Adding 0x7F to a byte's low seven
// bits reaches bit 7 unless they are all 0, and never carries into the next
// byte.
inline uint64_t NonZeroBytes(uint64_t eight) {
  return (((eight & ~kEveryHighBit) + ~kEveryHighBit) | eight) & kEveryHighBit;
}
inline uint64_t ZeroBytes(uint64_t eight) { return ~NonZeroBytes(eight) & kEveryHighBit; }
// The same for a word whose bytes are all below 0x80 (a masked colour, say),
// in one step: 0x7F plus a byte reaches bit 7 unless the byte is 0, and
// 0x80 minus a byte keeps bit 7 only for 0; neither carries nor borrows.
inline uint64_t NonZeroSmallBytes(uint64_t eight) {
  return (eight + ~kEveryHighBit) & kEveryHighBit;
}
inline uint64_t ZeroSmallBytes(uint64_t eight) { return (kEveryHighBit - eight) & kEveryHighBit; }
// The place of a word in a table of 2^bits entries (0 < bits < 64): the
// top bits of the word times 2^64 / golden ratio, which spreads words that
// differ in any byte.
inline size_t HashSlot(uint64_t word, int bits) {
  return static_cast<size_t>((word * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}
// The first byte (0..7) flagged in `flags`, which must not be 0.
inline int FirstFlag(uint64_t flags) { return __builtin_ctzll(flags) / 8; }
