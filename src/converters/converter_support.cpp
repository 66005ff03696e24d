#include "converters/converter_support.h"

#include "bitmap/bitmap.h"
#include "converters/pixel_helpers.h"
#include "tokeniser/tokeniser.h"

bool ReadFileName(const char* converterName, CTokeniser& tokeniser, std::string& fileName) {
  if (tokeniser.NextToken() != kTokenWord) {
    printf("%s expected filename\n", converterName);
    return false;
  }
  fileName = tokeniser.GetString();
  return true;
}

bool LoadImageArgument(const char* converterName, CTokeniser& tokeniser, cBitmap& bitmap,
                       std::string& fileName) {
  if (!ReadFileName(converterName, tokeniser, fileName)) return false;
  if (!bitmap.Load(fileName.c_str())) {
    printf("%s couldn't open '%s'\n", converterName, fileName.c_str());
    return false;
  }
  return true;
}

void WriteListingHead(FILE* listing, const char* dataType, const std::string& fileName,
                      const char* tag, int address) {
  fprintf(listing, "; Data type: %s\n", dataType);
  fprintf(listing, "; Input file: %s\n", fileName.c_str());
  fprintf(listing, "%s_address equ %d\n", tag, address);
}

void WriteScreenListing(FILE* listing, const char* dataType, const std::string& fileName,
                        const char* tag, int address, int height, int size) {
  WriteListingHead(listing, dataType, fileName, tag, address);
  WriteSymbol(listing, tag, "width", kDisplayWidth);
  WriteSymbol(listing, tag, "height", height);
  WriteSymbol(listing, tag, "size", size);
}

bool CheckDisplayWidth(const char* converterName, const cBitmap& bitmap) {
  if (bitmap.GetWidth() == kDisplayWidth) return true;
  printf("%s image width must be %d\n", converterName, kDisplayWidth);
  return false;
}

void WriteSymbol(FILE* listing, const char* tag, const char* symbol, int value) {
  fprintf(listing, "%s_%s equ %d\n", tag, symbol, value);
}
