// "raw": any file, copied into the item byte for byte.
#include <cstdint>

#include "converters/converter_support.h"
#include "converters/converters.h"
#include "io/console.h"
#include "listing/listing.h"
#include "tokeniser/tokeniser.h"
#include "writers/bin_writer.h"

namespace {

// Appends the whole file; stops at the first byte the writer refuses (the
// writer then reports the overflow when the item is prepared).
void AppendFile(FILE* file, cBinWriter& writer) {
  uint8_t block[4096];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file)) > 0) {
    if (!writer.AddBytes(block, static_cast<int>(count))) return;
  }
}

}  // namespace

bool process_raw(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, cListing& listing,
                 int address) {
  std::string fileName;
  if (!ReadFileName("process_raw", tokeniser, fileName)) return false;
  FILE* file = fopen(fileName.c_str(), "rb");
  if (!file) {
    Fault("process_raw couldn't open '%s'\n", fileName.c_str());
    return false;
  }
  AppendFile(file, writer);
  fclose(file);

  listing.ItemBlock(fileName, tag, address, {writer.GetSize()});
  return true;
}
