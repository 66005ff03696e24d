// Decoders of the two run-length stream formats the compressing writers
// produce, written from the formats alone. Used to check the encoders and by
// tools that read an output file back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes a byte run-length stream (header type 1) from `stream`, appending
// the item's bytes to `out`. Returns false for a malformed stream: a control
// byte that never occurs (0x7F..0x82, 0xFF), a record running past `size`,
// or no terminator. `consumed`, when given, receives the number of stream
// bytes read, terminator included.
bool DecodeByteStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                      size_t* consumed = nullptr);

// The same for a word run-length stream (header type 2).
bool DecodeWordStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& out,
                      size_t* consumed = nullptr);
