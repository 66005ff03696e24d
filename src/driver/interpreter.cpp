#include "driver/interpreter.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "converters/converters.h"
#include "tokeniser/tokeniser.h"
#include "writers/bin_writer.h"
#include "writers/compressed_byte.h"
#include "writers/compressed_lz.h"
#include "writers/compressed_word.h"

// Item header, written before an item's bytes when headers are on:
//
//   offset 0  u8      type   0 uncompressed, 1 byte, 2 word compression
//   offset 1  u16 LE  length the number of item bytes that follow
//
// Items follow each other in script order with nothing in between.

namespace {

constexpr int kMaxTagLength = 32;
constexpr int kHeaderSize = 3;
const char kRule[] = "; ----------------------------------------\n";

// The item id counter lives for the whole process: ids go, in order, to the
// items written while headers are on.
int g_nextItemId = 0;

// Compression word -> writer class.
template <class Writer>
std::unique_ptr<cBinWriter> CreateWriter() {
  return std::make_unique<Writer>();
}

struct WriterRow {
  const char* word;
  std::unique_ptr<cBinWriter> (*create)();
};

const WriterRow kWriterTable[] = {
    {"compressnone", CreateWriter<cBinWriter>},
    {"compressbyte", CreateWriter<cBinWriter_CompressedByte>},
    {"compressword", CreateWriter<cBinWriter_CompressedWord>},
    {"compresslz", CreateWriter<cBinWriter_CompressedLz>},
};

// Data type word -> converter, in the order the words are compared.
struct ConverterRow {
  const char* word;
  Converter convert;
};

const ConverterRow kConverterTable[] = {
    {"raw", process_raw},
    {"maskedsprite", process_maskedsprite},
    {"unmaskedsprite", process_unmaskedsprite},
    {"lineanim", process_lineanim},
    {"gfxblock", process_gfxblock},
    {"greyscale", process_greyscale},
    {"fullscreenmask", process_fullscreenmask},
    {"colourblock", process_colourblock},
    {"tilepicture", process_tilepicture},
    {"titlescreen", process_titlescreen},
    {"colourtile", process_colourtile},
};

std::unique_ptr<cBinWriter> WriterFor(const char* word) {
  for (const WriterRow& row : kWriterTable) {
    if (EqualsIgnoringCase(word, row.word)) return row.create();
  }
  return nullptr;
}

Converter ConverterFor(const char* word) {
  for (const ConverterRow& row : kConverterTable) {
    if (EqualsIgnoringCase(word, row.word)) return row.convert;
  }
  return nullptr;
}

struct Script {
  CTokeniser& tokeniser;
  FILE* binary;
  FILE* listing;
  // Kept in 64 bits so that leaving the 32-bit range can be noticed.
  int64_t address = 0;
  int64_t byteTotal = 0;
  int limit = 0;
  bool limitSet = false;
  bool headersOn = true;
};

bool FitsInt32(int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

bool CheckInRange(int64_t value) {
  if (FitsInt32(value)) return true;
  printf("Address out of range\n");
  return false;
}

bool RunOrg(Script& script) {
  if (script.byteTotal > 0) {
    printf("Org command cannot be used after bytes have been output\n");
    return false;
  }
  if (script.tokeniser.NextToken() != kTokenNumber) {
    printf("Org command expects address\n");
    return false;
  }
  script.address = script.tokeniser.GetNumber();
  fprintf(script.listing, "; Base address set to: %d\n\n\n", script.tokeniser.GetNumber());
  return true;
}

bool RunLimit(Script& script) {
  if (script.limitSet) {
    printf("Limit command cannot be used more than once\n");
    return false;
  }
  if (script.tokeniser.NextToken() != kTokenNumber) {
    printf("Limit command expects address\n");
    return false;
  }
  script.limit = script.tokeniser.GetNumber();
  script.limitSet = true;
  fprintf(script.listing, "; Output limit set to: %d\n\n\n", script.limit);
  return true;
}

bool RunHeaders(Script& script) {
  const bool isWord = script.tokeniser.NextToken() == kTokenWord;
  const char* text = script.tokeniser.GetString();
  if (isWord && EqualsIgnoringCase(text, "off")) {
    script.headersOn = false;
    fprintf(script.listing, "; Output headers set to off\n\n\n");
  } else if (isWord && EqualsIgnoringCase(text, "on")) {
    script.headersOn = true;
    fprintf(script.listing, "; Output headers set to on\n\n\n");
  } else {
    printf("Headers command expects on or off\n");
    return false;
  }
  return true;
}

// Reads the data type word and runs its converter on the item.
bool ConvertItem(Script& script, const char* tagName, cBinWriter& writer) {
  if (script.tokeniser.NextToken() != kTokenWord) {
    printf("Unexpected token found\n");
    return false;
  }
  const Converter convert = ConverterFor(script.tokeniser.GetString());
  if (!convert) {
    printf("Expecting data type\n");
    return false;
  }
  return convert(tagName, script.tokeniser, writer, script.listing,
                 static_cast<int>(script.address));
}

void WriteHeader(FILE* binary, int type, int length) {
  const uint8_t header[kHeaderSize] = {static_cast<uint8_t>(type),
                                       static_cast<uint8_t>(length & 0xFF),
                                       static_cast<uint8_t>((length >> 8) & 0xFF)};
  fwrite(header, 1, sizeof header, binary);
}

// Has the writer finish the item and write it, with its header, to the
// binary file; then advances the address and the byte total.
bool OutputItem(Script& script, const char* tagName, cBinWriter& writer) {
  if (!writer.Prepare()) {
    printf("Error preparing outputting data\n");
    return false;
  }
  const int type = writer.GetType();
  // Within 16 bits: the writers' capacity keeps every stream below 64 KiB.
  const int length = writer.GetOutputSize();
  if (script.headersOn) WriteHeader(script.binary, type, length);
  if (!writer.Output(tagName, script.binary, script.listing)) {
    printf("Error outputting data\n");
    return false;
  }
  const int outputSize = writer.GetOutputSize();
  if (!CheckInRange(script.address + outputSize) || !CheckInRange(script.byteTotal + outputSize))
    return false;
  script.address += outputSize;
  script.byteTotal += outputSize;
  if (script.headersOn) {
    fprintf(script.listing, "; Header: %u,%u\n", static_cast<unsigned>(type & 0xFF),
            static_cast<unsigned>(length & 0xFFFF));
    fprintf(script.listing, "%s_id equ %d\n", tagName, g_nextItemId);
    if (g_nextItemId < INT_MAX) ++g_nextItemId;
  }
  fprintf(script.listing, "\n\n");
  return true;
}

// An item line: tag, compression word, data type word, the converter's
// argument. `tag` is the word already read.
bool RunItem(Script& script, const char* tag) {
  if (strlen(tag) > static_cast<size_t>(kMaxTagLength)) {
    printf("Tag length must be <= %d characters\n", kMaxTagLength);
    return false;
  }
  char tagName[kMaxTagLength + 1];
  snprintf(tagName, sizeof tagName, "%s", tag);

  if (script.tokeniser.NextToken() != kTokenWord) {
    printf("Expecting compression type\n");
    return false;
  }
  std::unique_ptr<cBinWriter> writer = WriterFor(script.tokeniser.GetString());
  if (!writer) {
    printf("Expecting compress type\n");
    return false;
  }
  writer->Init();
  if (script.headersOn) {
    if (!CheckInRange(script.address + kHeaderSize)) return false;
    script.address += kHeaderSize;
  }
  if (!ConvertItem(script, tagName, *writer)) return false;
  return OutputItem(script, tagName, *writer);
}

bool RunStatement(Script& script, const char* word) {
  if (EqualsIgnoringCase(word, "org")) return RunOrg(script);
  if (EqualsIgnoringCase(word, "limit")) return RunLimit(script);
  if (EqualsIgnoringCase(word, "headers")) return RunHeaders(script);
  return RunItem(script, word);
}

// The closing block of the listing, and the check against the limit.
bool WriteTotals(const Script& script) {
  bool success = true;
  const int total = static_cast<int>(script.byteTotal);
  fprintf(script.listing, "%s", kRule);
  fprintf(script.listing, "; Total bytes written: %d\n", total);
  if (script.limitSet) {
    // 64-bit differences: both values are 32-bit, their difference may not be.
    const int64_t over = script.byteTotal - script.limit;
    if (over > 0) {
      printf("Data is %lld bytes over the set limit of %d bytes!\n", static_cast<long long>(over),
             script.limit);
      success = false;
    }
    fprintf(script.listing, ";\n");
    fprintf(script.listing, "; Byte limit: %d\n", script.limit);
    fprintf(script.listing, "; Bytes free: %lld\n", static_cast<long long>(-over));
  }
  fprintf(script.listing, "%s", kRule);
  return success;
}

}  // namespace

bool process_script(CTokeniser& tokeniser, FILE* binary, FILE* listing) {
  if (!tokeniser.Start()) {
    printf("Error starting tokeniser\n");
    return false;
  }
  Script script{tokeniser, binary, listing};
  for (;;) {
    const int kind = tokeniser.NextToken();
    if (kind == kTokenEnd) return WriteTotals(script);
    if (kind != kTokenWord) {
      printf("Unexpected token found\n");
      return false;
    }
    if (!RunStatement(script, tokeniser.GetString())) return false;
  }
}
