#include "converters/converter_support.h"

#include "bitmap/bitmap.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "tokeniser/tokeniser.h"

bool HoldsControlCharacter(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 32) return true;
  }
  return false;
}

bool ReadFileName(const char* converterName, CTokeniser& tokeniser, std::string& fileName) {
  if (tokeniser.NextToken() != kTokenWord) {
    Fault("%s expected filename\n", converterName);
    return false;
  }
  fileName = tokeniser.GetString();
  if (HoldsControlCharacter(fileName)) {
    Fault("File name must not contain control characters\n");
    return false;
  }
  return true;
}

bool LoadImageArgument(const char* converterName, CTokeniser& tokeniser, cBitmap& bitmap,
                       std::string& fileName) {
  if (!ReadFileName(converterName, tokeniser, fileName)) return false;
  if (!bitmap.Load(fileName.c_str())) {
    Fault("%s couldn't open '%s'\n", converterName, fileName.c_str());
    return false;
  }
  return true;
}

bool CheckDisplayWidth(const char* converterName, const cBitmap& bitmap) {
  if (bitmap.GetWidth() == kDisplayWidth) return true;
  Fault("%s image width must be %d\n", converterName, kDisplayWidth);
  return false;
}
