// The PNG decoder: every colour type and bit depth, interlaced or not, from a
// whole file in memory, through libpng.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/picture.h"

// Whether `file` begins with the PNG signature.
bool IsPngFile(const uint8_t* file, size_t size);

// Decodes the PNG file `file` (`size` bytes) into `picture`, printing the
// picture's size and, on failure, one message; false on failure.
bool DecodePng(const uint8_t* file, size_t size, DecodedPicture& picture);
