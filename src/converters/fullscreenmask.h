// The full-screen mask: a mask byte and a graphic byte for every group of
// eight pixels of a display-wide image, in display order, packed into a
// run-length record stream of its own (the format is drawn in
// fullscreenmask.cpp, next to the packer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class cBitmap;
class cBinWriter;

// The 32 * height pairs (mask byte, graphic byte) of a loaded 256-pixel-wide
// image of 64, 128 or 192 rows, in display order: 64 * height bytes. Null
// when the buffer can't be allocated.
std::unique_ptr<uint8_t[]> grab_fullscreenmask(const cBitmap& bitmap);

// Packs the 32 * height pairs into a mask stream and appends it to the
// writer with one AddBytes call. False only when the work buffer can't be
// allocated; it is sized for the longest stream, so room never runs out.
bool compress_fullscreenmask(const uint8_t* pairs, int height, cBinWriter& writer);

// The longest mask stream of an image `height` rows high: 80 * height + 2.
constexpr size_t MaxMaskStreamSize(int height) { return 80 * static_cast<size_t>(height) + 2; }

// Decodes a mask stream, appending one (mask byte, graphic byte) pair per
// group, in display order, to `pairs`. Strict: false for a record cut short
// by the end of `size`, a 0x00 record with a count of 0, or a stream without
// its end record. `consumed`, when given, receives the bytes read, end
// record included (on failure, the bytes read before the fault).
bool DecodeMaskStream(const uint8_t* stream, size_t size, std::vector<uint8_t>& pairs,
                      size_t* consumed = nullptr);
