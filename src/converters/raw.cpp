// "raw": any file, copied into the item byte for byte.
#include <cstdint>

#include "converters/converters.h"
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

bool process_raw(const char* tag, CTokeniser& tokeniser, cBinWriter& writer, FILE* listing,
                 int address) {
  if (tokeniser.NextToken() != kTokenWord) {
    printf("process_raw expected filename\n");
    return false;
  }
  const char* fileName = tokeniser.GetString();
  FILE* file = fopen(fileName, "rb");
  if (!file) {
    printf("process_raw couldn't open '%s'\n", fileName);
    return false;
  }
  AppendFile(file, writer);
  fclose(file);

  fprintf(listing, "; Data type: raw\n");
  fprintf(listing, "; Input file: %s\n", fileName);
  fprintf(listing, "%s_address equ %d\n", tag, address);
  fprintf(listing, "%s_length equ %d\n", tag, writer.GetSize());
  return true;
}
