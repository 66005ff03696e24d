// PNG files are decoded by libpng into the loader's two kinds of picture:
//
//   colour type              becomes
//   palette, 1/2/4/8 bits    palettised: the file's indices and its palette
//                            (PLTE), each entry's alpha from tRNS
//   grey, grey + alpha,      true colour (blue, green, red, alpha): grey as
//   RGB, RGBA; 1-16 bits     red = green = blue, 16-bit channels scaled to 8
//                            bits (rounded), a tRNS colour transparent
//
// Channel values are taken as stored: gamma and colour profile chunks play
// no part, so a picture drawn in the display's colours keeps them. Ancillary
// chunks that need decompressing are skipped unread; a critical chunk with a
// bad checksum or length, or a file that ends before its IEND chunk, is
// damaged and refused with libpng's own word for what is wrong.
#include "bitmap/png_decoder.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "io/console.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Ancillary chunks are small; anything larger is not read into memory.
constexpr png_alloc_size_t kLargestChunk = 1 << 20;
// Chunks whose contents the loader never uses, skipped without being inflated.
constexpr png_byte kSkippedChunks[] = "iCCP\0zTXt\0iTXt\0tEXt\0sPLT\0eXIf\0";
constexpr int kSkippedChunkCount = 6;

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t at;
};

// Everything libpng touches, owned outside the function that sets the jump
// point, so that a jump out of libpng skips no destructor.
struct PngState {
  PngSource source{};
  char error[160] = "";
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->at) png_error(png, "file ends early");
  memcpy(out, source->data + source->at, length);
  source->at += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  PngState* state = static_cast<PngState*>(png_get_error_ptr(png));
  snprintf(state->error, sizeof state->error, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

enum class PngOutcome { kDecoded, kRefused, kDamaged };

void ReadPalette(png_structp png, png_infop info, DecodedPicture& picture) {
  png_colorp colours = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &colours, &count) & PNG_INFO_PLTE) {
    for (int i = 0; i < count && i < 256; ++i)
      picture.palette[i] = PaletteEntry{colours[i].blue, colours[i].green, colours[i].red, 255};
  }
  png_bytep alphas = nullptr;
  int alphaCount = 0;
  if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) & PNG_INFO_tRNS) {
    for (int i = 0; i < alphaCount && i < 256; ++i) picture.palette[i].alpha = alphas[i];
    picture.paletteHasAlpha = true;
  }
}

// Transforms that turn any other colour type into blue, green, red, alpha.
void ExpandToTrueColour(png_structp png, png_infop info, int colourType, int bitDepth) {
  if (bitDepth == 16) png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (transparentColour) png_set_tRNS_to_alpha(png);
  if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  if (!(colourType & PNG_COLOR_MASK_ALPHA) && !transparentColour)
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
}

// Sets the jump point: every libpng error lands here as kDamaged. Locals set
// after it are not used after a jump.
PngOutcome ReadPng(PngState* state, DecodedPicture* picture) {
  if (setjmp(png_jmpbuf(state->png))) return PngOutcome::kDamaged;
  png_structp png = state->png;
  png_infop info = state->info;
  png_set_read_fn(png, &state->source, ReadFromMemory);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
  png_set_chunk_malloc_max(png, kLargestChunk);
  // The loader's own pixel limit decides; libpng's would refuse tall strips.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  PrintPictureSize(width, height);
  if (!CheckPicturePixels(width, height)) return PngOutcome::kRefused;
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  picture->trueColour = colourType != PNG_COLOR_TYPE_PALETTE;
  if (picture->trueColour) {
    ExpandToTrueColour(png, info, colourType, bitDepth);
  } else {
    ReadPalette(png, info, *picture);
    if (bitDepth < 8) png_set_packing(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = static_cast<size_t>(width) * (picture->trueColour ? kTrueColourBytes : 1);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row layout");
  if (!AllocatePixels(*picture)) return PngOutcome::kRefused;

  // Each pass of an interlaced file fills in its pixels of the same rows.
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, picture->pixels.get() + static_cast<size_t>(y) * rowBytes, nullptr);
  }
  png_read_end(png, nullptr);
  return PngOutcome::kDecoded;
}

}  // namespace

bool IsPngFile(const uint8_t* file, size_t size) {
  return size >= sizeof kSignature && memcmp(file, kSignature, sizeof kSignature) == 0;
}

bool DecodePng(const uint8_t* file, size_t size, DecodedPicture& picture) {
  PngState state;
  state.source = PngSource{file, size, 0};
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (state.png) state.info = png_create_info_struct(state.png);
  if (!state.info) {
    Fault(" Couldn't malloc space for image\n");
    return false;
  }
  switch (ReadPng(&state, &picture)) {
    case PngOutcome::kDecoded:
      return true;
    case PngOutcome::kRefused:
      return false;
    case PngOutcome::kDamaged:
      break;
  }
  Fault(" Damaged PNG file ( %s )\n", state.error);
  return false;
}
