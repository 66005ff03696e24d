// "lineanim": a numbered series of frame images of one size, one bit per
// pixel, frame after frame. The script names the series by the common start
// of its file names; frames base001.bmp, base002.bmp, ... are read up to the
// first number with no file, and a frame that is there but cannot be loaded
// fails the item.
//
// Item layout, F frames of H rows of W / 8 bytes (W a multiple of 8):
//
//   offset (f * H + y) * W / 8 + k   pixels 8k .. 8k + 7 of row y of frame f
//                                     (frames from 0, row 0 at the top),
//                                     bit 7 the leftmost, 1 for ink
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

// "<base><number, at least three digits>.bmp": walk001.bmp, walk1000.bmp.
// Built without a length limit, so every frame of a long base name is named
// in full.
std::string FrameFileName(const std::string& baseName, int frameNumber) {
  std::string number = std::to_string(frameNumber);  // frame numbers start at 1
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  return baseName + number + ".bmp";
}

struct FrameSize {
  int width = 0;
  int height = 0;
};

// Appends the frame's rows, top first, eight pixels to a byte by the ink rule.
// No capacity check of its own: an item grown past what it can hold is
// refused when it is prepared, as for every other data type.
void AppendFrame(const cBitmap& frame, const FrameSize& size, cBinWriter& writer) {
  const PixelValues ink(frame, IsInk);
  std::vector<uint8_t> bytes(static_cast<size_t>(size.width / 8));
  for (int y = 0; y < size.height; ++y) {
    PackRow(ink, y, bytes.data());
    writer.AddBytes(bytes.data(), static_cast<int>(bytes.size()));
  }
}

}  // namespace

bool process_lineanim(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                      int address) {
  std::string baseName;
  if (!ReadFileName("process_lineanim", tokeniser, baseName)) return false;

  FrameSize size;
  int frames = 0;
  for (;;) {
    const std::string fileName = FrameFileName(baseName, frames + 1);
    cBitmap frame;
    const bool loaded =
        frames == 0 ? frame.Load(fileName.c_str()) : frame.LoadIfPresent(fileName.c_str());
    if (!loaded) {
      // The first frame number with no file ends the series; a frame that is
      // there but can't be read or loaded is a fault, not the end.
      if (frame.WasMissing() || frames == 0) break;
      Fault("process_lineanim couldn't load '%s'\n", fileName.c_str());
      return false;
    }
    if (frames == 0) {
      if (frame.GetWidth() % 8 != 0) {
        Fault("process_lineanim image width must be a multiple of 8\n");
        break;
      }
      size = {frame.GetWidth(), frame.GetHeight()};
    } else if (frame.GetWidth() != size.width || frame.GetHeight() != size.height) {
      Fault("image %s has different size to base image\n", fileName.c_str());
      return false;
    }
    AppendFrame(frame, size, writer);
    ++frames;
  }

  if (frames == 0) {
    Fault("no images found!\n");
    return false;
  }
  listing.ItemBlock(baseName, tag, address,
                    {size.width, size.width / 8, size.height, frames, writer.GetSize()});
  return true;
}
