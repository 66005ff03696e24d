// Bitmap input: loads a picture file (BMP in its common forms, or PNG) and
// answers questions about its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/picture.h"
#include "io/input_file.h"

// The colour of one pixel: its palette index and that entry's colour. A
// pixel of a true-colour picture has the display colour its RGB names as its
// index (see display_colours.h; 0 when it names none).
struct cPixel {
  uint8_t index = 0;
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t alpha = 255;  // 0 transparent (the colour is then the mask colour) .. 255 opaque

  // Exactly red 255, green 0, blue 255: the colour that marks masked pixels.
  bool IsMaskColour() const;
  // (0.3 blue + 0.4 green + 0.3 red) / 255 with single-precision weights,
  // summed and divided in double precision, rounded to single precision:
  // 0.0 for black, exactly 1.0 for white.
  float GetBrightness() const;
  // Neither opaque nor fully transparent.
  bool IsPartlyTransparent() const { return alpha != 0 && alpha != 255; }
};

class cBitmap {
 public:
  cBitmap() = default;
  ~cBitmap() { Free(); }
  cBitmap(const cBitmap&) = delete;
  cBitmap& operator=(const cBitmap&) = delete;

  // Reads the file whole and decodes it, printing progress and, on failure,
  // one message. The format is known by the file's first bytes.
  bool Load(const char* fileName);
  // As Load, for a file that may rightly not be there (the frame after an
  // animation's last): no file of that name is no fault, so its line is a
  // progress line, which a quiet run leaves out.
  bool LoadIfPresent(const char* fileName);
  // Decodes a picture file held in memory (what Load does after reading
  // the file), printing the same lines but the first.
  bool Decode(const uint8_t* file, size_t size);
  // The same for a file read by ReadInputFile, whose buffer may become the
  // pixel store.
  bool Decode(InputBytes& file);
  // Releases the pixel store; the image is then unloaded.
  void Free();

  int GetWidth() const { return picture_.width; }
  int GetHeight() const { return picture_.height; }
  bool IsLoaded() const { return loaded_; }
  // After a failed Load: true when there was no file of that name at all
  // (rather than one that could not be read or decoded).
  bool WasMissing() const { return missing_; }
  // True colour: no palette, a colour per pixel (BMP of 16 bits or more, PNG
  // without a palette).
  bool IsTrueColour() const { return picture_.trueColour; }

  // The pixel at (x, y), row 0 at the top. Outside the image or on an
  // unloaded image: prints a message and returns the all-zero cPixel.
  cPixel GetPixel(int x, int y) const {
    if (!HoldsPixel(x, y)) return RefusePixel();
    if (picture_.trueColour) return TrueColourPixel(x, y);
    return GetPaletteEntry(picture_.Row(y)[x]);
  }
  // The palette index at (x, y), with the same checks; 0 after a message.
  // For a true-colour picture, the display colour its RGB names (0 for none).
  int GetPixelIndex(int x, int y) const {
    if (!HoldsPixel(x, y)) return RefusePixelIndex();
    if (picture_.trueColour) return TrueColourPixel(x, y).index;
    return picture_.Row(y)[x];
  }
  // The palette indices of row y of a palettised picture, GetWidth() of
  // them from the left, for converters that read many pixels of a row; null
  // (and no message) outside the image, for a true-colour picture or when
  // nothing is loaded.
  const uint8_t* GetRow(int y) const {
    return loaded_ && !picture_.trueColour && y >= 0 && y < picture_.height ? picture_.Row(y)
                                                                            : nullptr;
  }
  // Those rows lie a fixed step apart: GetRow(y + 1) is GetRow(y) + GetRowStep()
  // (a negative step for a file that stores the bottom row first).
  int64_t GetRowStep() const { return picture_.rowStep; }
  // The colour of palette entry `index` (0..255), so that callers can work
  // a pixel's properties out once per entry instead of once per pixel.
  cPixel GetPaletteEntry(uint8_t index) const {
    const PaletteEntry& entry = picture_.palette[index];
    cPixel pixel;
    pixel.index = index;
    pixel.blue = entry.blue;
    pixel.green = entry.green;
    pixel.red = entry.red;
    pixel.alpha = entry.alpha;
    return pixel;
  }
  // Whether palette entries `a` and `b` are one colour (alpha included).
  bool SamePaletteEntries(uint8_t a, uint8_t b) const {
    return EntryWord(picture_.palette[a]) == EntryWord(picture_.palette[b]);
  }

 private:
  bool Load(const char* fileName, bool missingIsFault);
  bool HoldsPixel(int x, int y) const {
    return loaded_ && x >= 0 && x < picture_.width && y >= 0 && y < picture_.height;
  }
  cPixel TrueColourPixel(int x, int y) const;
  // The messages of a pixel read that HoldsPixel refuses, and its zero result.
  cPixel RefusePixel() const;
  int RefusePixelIndex() const;

  bool loaded_ = false;
  bool missing_ = false;
  DecodedPicture picture_;
};
