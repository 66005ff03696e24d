// The BMP decoder: every common form of the format, from a whole file in
// memory (the forms are drawn in bmp_decoder.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/picture.h"
#include "io/input_file.h"

// Decodes the BMP file `file` into `picture`, printing the picture's size
// and, on failure, one message; false on failure. An 8-bit uncompressed
// file becomes the picture's pixel store (see DecodedPicture): `file` is
// then left empty.
bool DecodeBmp(InputBytes& file, DecodedPicture& picture);

// Decodes a run-length compressed pixel stream (RLE8 for 8 bits per pixel,
// RLE4 for 4) into the index plane of `picture`, whose size is set and whose
// pixels are allocated and zero. False when the stream runs past the
// picture or past its end before the end-of-picture escape.
bool DecodeBmpRunLength(const uint8_t* stream, size_t size, int bitsPerPixel, bool topDown,
                        DecodedPicture& picture);
