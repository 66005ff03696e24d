// "lineanim": a numbered series of frame images of one size, one bit per
// pixel, frame after frame. The script names the series by the common start
// of its file names; frames base001.bmp, base002.bmp, ... are read until the
// first one that cannot be loaded.
//
// Item layout, F frames of H rows of W / 8 bytes (W a multiple of 8):
//
//   offset (f * H + y) * W / 8 + k   pixels 8k .. 8k + 7 of row y of frame f
//                                     (frames from 0, row 0 at the top),
//                                     bit 7 the leftmost, 1 for ink
#include <string>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "writers/bin_writer.h"

namespace {

// "<base><number, at least three digits>.bmp": walk001.bmp, walk1000.bmp.
// Built without a length limit, so every frame of a long base name is named
// in full.
std::string FrameFileName(const std::string& baseName, int frameNumber) {
  char number[16];
  snprintf(number, sizeof number, "%03d", frameNumber);
  return baseName + number + ".bmp";
}

struct FrameSize {
  int width = 0;
  int height = 0;
};

// Appends the frame's rows, top first, eight pixels to a byte by the ink rule.
// False when the writer refuses a byte because the item is full.
bool AppendFrame(const cBitmap& frame, const FrameSize& size, cBinWriter& writer) {
  const PixelValues ink(frame, IsInk);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; x += 8) {
      if (!writer.AddByte(PackEightPixels(ink, x, y))) return false;
    }
  }
  return true;
}

void WriteListing(FILE* listing, const char* tag, int address, const std::string& baseName,
                  const FrameSize& size, int frames, int byteCount) {
  WriteListingHead(listing, "line anim", baseName, tag, address);
  WriteSymbol(listing, tag, "framewidth", size.width);
  WriteSymbol(listing, tag, "framecharwidth", size.width / 8);
  WriteSymbol(listing, tag, "frameheight", size.height);
  WriteSymbol(listing, tag, "frames", frames);
  WriteSymbol(listing, tag, "size", byteCount);
}

}  // namespace

bool process_lineanim(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                      int address) {
  std::string baseName;
  if (!ReadFileName("process_lineanim", tokeniser, baseName)) return false;

  FrameSize size;
  int frames = 0;
  bool complete = false;
  for (;;) {
    const std::string fileName = FrameFileName(baseName, frames + 1);
    cBitmap frame;
    if (!frame.Load(fileName.c_str())) {
      // The first frame that cannot be loaded ends the series.
      complete = true;
      break;
    }
    if (frames == 0) {
      if (frame.GetWidth() % 8 != 0) {
        printf("process_lineanim image width must be a multiple of 8\n");
        break;
      }
      size = {frame.GetWidth(), frame.GetHeight()};
    } else if (frame.GetWidth() != size.width || frame.GetHeight() != size.height) {
      printf("image %s has different size to base image\n", fileName.c_str());
      break;
    }
    const bool fitted = AppendFrame(frame, size, writer);
    ++frames;
    if (!fitted) {
      // No later frame can fit either; the writer reports the overflow when
      // the item is prepared, as for every other data type.
      complete = true;
      break;
    }
  }

  if (frames == 0) {
    printf("no images found!\n");
    return false;
  }
  if (!complete) return false;
  WriteListing(listing, tag, address, baseName, size, frames, writer.GetSize());
  return true;
}
