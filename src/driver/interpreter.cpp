#include "driver/interpreter.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "converters/converter_support.h"
#include "driver/diagnostics.h"
#include "formats/compression_modes.h"
#include "formats/data_types.h"
#include "io/console.h"
#include "io/run_files.h"
#include "listing/listing.h"
#include "tokeniser/tokeniser.h"
#include "writers/bin_writer.h"

// Item header, written before an item's bytes when headers are on:
//
//   offset 0  u8      type   the compression mode's code: 0 none, 1 byte,
//                            2 word (formats/compression_modes.h)
//   offset 1  u16 LE  length the number of item bytes that follow
//
// Items follow each other in script order with nothing in between.

namespace {

constexpr int kMaxTagLength = 32;
constexpr int kHeaderSize = 3;

// The item id counter lives for the whole process: ids go, in order, to the
// items written while headers are on.
int g_nextItemId = 0;

const std::vector<const char*> kKeywords = {"org", "limit", "headers"};

std::vector<const char*> CompressionWords() {
  std::vector<const char*> words;
  for (const CompressionInfo& mode : CompressionModes()) words.push_back(mode.word);
  return words;
}

std::vector<const char*> DataTypeWords() {
  std::vector<const char*> words;
  for (const DataTypeInfo& type : DataTypes()) words.push_back(type.word);
  return words;
}

struct Script {
  Script(CTokeniser& tokeniser, FILE* binary, cListing& listing, const ScriptSettings& settings)
      : tokeniser(tokeniser),
        binary(binary),
        listing(listing),
        settings(settings),
        diagnostics(settings.scriptPath) {}

  CTokeniser& tokeniser;
  FILE* binary;
  cListing& listing;
  const ScriptSettings& settings;
  cDiagnostics diagnostics;
  // Kept in 64 bits so that leaving the 32-bit range can be noticed.
  int64_t address = 0;
  int64_t byteTotal = 0;
  int limit = 0;
  bool limitSet = false;
  SourcePosition limitPosition;
  bool headersOn = true;

  // The diagnostic of a fault at the current token.
  void ErrorHere(const std::string& text) const {
    diagnostics.Error(tokeniser.GetPosition(), text);
  }
};

bool FitsInt32(int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

bool CheckInRange(Script& script, int64_t value, SourcePosition at) {
  if (FitsInt32(value)) return true;
  Fault("Address out of range\n");
  script.diagnostics.Error(at, "the address leaves the 32-bit range");
  return false;
}

// Reads the number a command expects; `command` names it in the diagnostic.
bool ReadNumber(Script& script, const char* command, const char* message) {
  const int kind = script.tokeniser.NextToken();
  if (kind == kTokenNumber) return true;
  Fault("%s", message);
  script.ErrorHere(std::string("'") + command + "' expects a number, found " +
                   DescribeToken(script.tokeniser, kind));
  return false;
}

bool RunOrg(Script& script) {
  if (script.byteTotal > 0) {
    Fault("Org command cannot be used after bytes have been output\n");
    script.ErrorHere("'org' after " + std::to_string(script.byteTotal) + " bytes have been output");
    return false;
  }
  if (!ReadNumber(script, "org", "Org command expects address\n")) return false;
  script.address = script.tokeniser.GetNumber();
  script.listing.BaseAddress(script.tokeniser.GetNumber());
  return true;
}

bool RunLimit(Script& script) {
  if (script.limitSet) {
    Fault("Limit command cannot be used more than once\n");
    script.ErrorHere("a second 'limit'; the first is on line " +
                     std::to_string(script.limitPosition.line));
    return false;
  }
  if (!ReadNumber(script, "limit", "Limit command expects address\n")) return false;
  script.limit = script.tokeniser.GetNumber();
  script.limitSet = true;
  script.limitPosition = script.tokeniser.GetPosition();
  script.listing.LimitSet(script.limit);
  return true;
}

bool RunHeaders(Script& script) {
  const int kind = script.tokeniser.NextToken();
  const char* text = script.tokeniser.GetString();
  if (kind == kTokenWord && EqualsIgnoringCase(text, "off")) {
    script.headersOn = false;
  } else if (kind == kTokenWord && EqualsIgnoringCase(text, "on")) {
    script.headersOn = true;
  } else {
    Fault("Headers command expects on or off\n");
    script.ErrorHere("'headers' expects 'on' or 'off', found " +
                     DescribeToken(script.tokeniser, kind) +
                     (kind == kTokenWord ? Suggestion(text, {"off", "on"}) : ""));
    return false;
  }
  script.listing.Headers(script.headersOn);
  return true;
}

// The checks of a tag, in order: its length, its characters, and whether
// the outputs asked for can carry it.
bool CheckTag(Script& script, const char* tag) {
  if (strlen(tag) > static_cast<size_t>(kMaxTagLength)) {
    Fault("Tag length must be <= %d characters\n", kMaxTagLength);
    script.ErrorHere("tag " + QuoteToken(tag) + " is " + std::to_string(strlen(tag)) +
                     " characters long, more than " + std::to_string(kMaxTagLength));
    return false;
  }
  if (HoldsControlCharacter(tag)) {
    Fault("Tag must not contain control characters\n");
    script.ErrorHere("tag " + QuoteToken(tag) + " holds a control character");
    return false;
  }
  if (!script.settings.plainTagsFor.empty() && !IsPlainSymbolName(tag)) {
    Fault("Tag '%s' is not a valid symbol name for %s\n", tag,
          script.settings.plainTagsFor.c_str());
    script.ErrorHere("tag " + QuoteToken(tag) + " is not a valid symbol name for " +
                     script.settings.plainTagsFor);
    return false;
  }
  return true;
}

// The diagnostic of a compression word that is missing or unknown: a tag
// that is a misspelt keyword ("orgg 32768") is the likelier fault.
void ReportCompressionFault(Script& script, const std::string& tag, SourcePosition tagPosition,
                            int kind) {
  if (const char* keyword = NearestWord(tag, kKeywords)) {
    script.diagnostics.Error(
        tagPosition, "unknown statement " + QuoteToken(tag) + "; did you mean '" + keyword + "'?");
  } else if (kind == kTokenWord) {
    const std::string word = script.tokeniser.GetString();
    script.ErrorHere("unknown compression " + QuoteToken(word) +
                     Suggestion(word, CompressionWords()));
  } else {
    script.ErrorHere("expected a compression word after the tag " + QuoteToken(tag) + ", found " +
                     DescribeToken(script.tokeniser, kind));
  }
}

// The kind of the token read last, read again through the put-back.
int CurrentKind(CTokeniser& tokeniser) {
  tokeniser.PutBack();
  return tokeniser.NextToken();
}

// The diagnostic of a converter's fault, at the token it stopped at (its
// file name, or what stood there instead): the message that ended it, with
// the first fault line after it when there were several (the loader's
// reason comes before the converter's "couldn't open").
void ReportConverterFault(Script& script, int kind) {
  const std::vector<std::string> lines = TakeFaultLines();
  std::string text = lines.empty() ? "the item failed" : lines.back();
  if (lines.size() > 1) text += ": " + lines.front();
  if (kind != kTokenWord) {
    text += ", found " + DescribeToken(script.tokeniser, kind);
  } else {
    const std::string quotedName = "'" + std::string(script.tokeniser.GetString()) + "'";
    if (text.find(quotedName) == std::string::npos) {
      text = QuoteToken(script.tokeniser.GetString()) + ": " + text;
    }
  }
  script.ErrorHere(text);
}

// Reads the data type word and runs its converter on the item.
bool ConvertItem(Script& script, const char* tagName, const CompressionInfo& compression,
                 cBinWriter& writer) {
  const int kind = script.tokeniser.NextToken();
  if (kind != kTokenWord) {
    Fault("Unexpected token found\n");
    script.ErrorHere("expected a data type, found " + DescribeToken(script.tokeniser, kind));
    return false;
  }
  const DataTypeInfo* type = FindDataType(script.tokeniser.GetString());
  if (!type) {
    Fault("Expecting data type\n");
    const std::string word = script.tokeniser.GetString();
    script.ErrorHere("unknown data type " + QuoteToken(word) + Suggestion(word, DataTypeWords()));
    return false;
  }
  script.listing.BeginItem(tagName, type, &compression);
  TakeFaultLines();
  if (type->convert(tagName, script.tokeniser, writer, script.listing,
                    static_cast<int>(script.address))) {
    return true;
  }
  ReportConverterFault(script, CurrentKind(script.tokeniser));
  return false;
}

bool WriteHeader(FILE* binary, int type, int length) {
  const uint8_t header[kHeaderSize] = {static_cast<uint8_t>(type),
                                       static_cast<uint8_t>(length & 0xFF),
                                       static_cast<uint8_t>((length >> 8) & 0xFF)};
  if (fwrite(header, 1, sizeof header, binary) == sizeof header) return true;
  Fault("Error writing binary data\n");
  return false;
}

// A writer's fault: its own message, the interpreter's, and the diagnostic
// at the item's tag.
bool ReportWriterFault(Script& script, const char* message, SourcePosition tagPosition,
                       const char* tagName) {
  Fault("%s", message);
  const std::vector<std::string> lines = TakeFaultLines();
  script.diagnostics.Error(
      tagPosition, "item " + QuoteToken(tagName) + ": " + (lines.empty() ? "" : lines.front()));
  return false;
}

// Has the writer finish the item and write it, with its header, to the
// binary file; then advances the address and the byte total.
bool OutputItem(Script& script, const char* tagName, SourcePosition tagPosition,
                cBinWriter& writer) {
  TakeFaultLines();
  if (!writer.Prepare()) {
    return ReportWriterFault(script, "Error preparing outputting data\n", tagPosition, tagName);
  }
  const int type = writer.GetType();
  // Within 16 bits: the writers' capacity keeps every stream below 64 KiB.
  const int length = writer.GetOutputSize();
  if ((script.headersOn && !WriteHeader(script.binary, type, length)) ||
      !writer.Output(tagName, script.binary, script.listing)) {
    return ReportWriterFault(script, "Error outputting data\n", tagPosition, tagName);
  }
  const int outputSize = writer.GetOutputSize();
  if (!CheckInRange(script, script.address + outputSize, tagPosition) ||
      !CheckInRange(script, script.byteTotal + outputSize, tagPosition))
    return false;

  ItemFacts& item = script.listing.Item();
  item.size = writer.GetSize();
  item.outputSize = outputSize;
  if (cRunFiles* run = cRunFiles::Current()) item.inputFiles = run->TakeItemInputs();
  script.address += outputSize;
  script.byteTotal += outputSize;
  if (script.headersOn) {
    script.listing.ItemHeader(type & 0xFF, length & 0xFFFF, g_nextItemId);
    if (g_nextItemId < INT_MAX) ++g_nextItemId;
  }
  script.listing.EndItem();
  return true;
}

// An item line: tag, compression word, data type word, the converter's
// argument. `tag` is the word already read.
bool RunItem(Script& script, const char* tag) {
  const SourcePosition tagPosition = script.tokeniser.GetPosition();
  if (!CheckTag(script, tag)) return false;
  // CheckTag has measured it: the tag fits.
  char tagName[kMaxTagLength + 1];
  memcpy(tagName, tag, strlen(tag) + 1);

  const int kind = script.tokeniser.NextToken();
  if (kind != kTokenWord) {
    Fault("Expecting compression type\n");
    ReportCompressionFault(script, tagName, tagPosition, kind);
    return false;
  }
  const CompressionInfo* compression = FindCompression(script.tokeniser.GetString());
  if (!compression) {
    Fault("Expecting compress type\n");
    ReportCompressionFault(script, tagName, tagPosition, kind);
    return false;
  }
  std::unique_ptr<cBinWriter> writer = compression->createWriter();
  writer->Init();
  if (script.headersOn) {
    if (!CheckInRange(script, script.address + kHeaderSize, tagPosition)) return false;
    script.address += kHeaderSize;
  }
  if (cRunFiles* run = cRunFiles::Current()) run->TakeItemInputs();
  if (!ConvertItem(script, tagName, *compression, *writer)) return false;
  return OutputItem(script, tagName, tagPosition, *writer);
}

bool RunStatement(Script& script, const char* word) {
  if (EqualsIgnoringCase(word, "org")) return RunOrg(script);
  if (EqualsIgnoringCase(word, "limit")) return RunLimit(script);
  if (EqualsIgnoringCase(word, "headers")) return RunHeaders(script);
  return RunItem(script, word);
}

// The closing block of the listing, and the check against the limit.
bool WriteTotals(Script& script) {
  BuildTotals totals;
  totals.totalBytes = static_cast<int>(script.byteTotal);
  totals.limitSet = script.limitSet;
  totals.limit = script.limit;
  // 64-bit differences: both values are 32-bit, their difference may not be.
  const int64_t over = script.byteTotal - script.limit;
  totals.bytesFree = -over;
  bool success = true;
  if (script.limitSet && over > 0) {
    Fault("Data is %lld bytes over the set limit of %d bytes!\n", static_cast<long long>(over),
          script.limit);
    script.diagnostics.Error(script.limitPosition,
                             "the items' " + std::to_string(script.byteTotal) + " bytes are " +
                                 std::to_string(over) + " over the limit of " +
                                 std::to_string(script.limit));
    success = false;
  }
  script.listing.Totals(totals);
  return success;
}

// A write to the listing that failed ends the run like any other fault.
bool CheckListing(Script& script) {
  if (!script.listing.Failed()) return true;
  Fault("Error writing listing data\n");
  script.ErrorHere("the listing could not be written");
  return false;
}

}  // namespace

bool process_script(CTokeniser& tokeniser, FILE* binary, cListing& listing,
                    const ScriptSettings& settings) {
  if (!tokeniser.Start()) {
    Fault("Error starting tokeniser\n");
    return false;
  }
  Script script(tokeniser, binary, listing, settings);
  for (;;) {
    const int kind = tokeniser.NextToken();
    if (kind == kTokenEnd) return WriteTotals(script) && CheckListing(script);
    if (kind != kTokenWord) {
      Fault("Unexpected token found\n");
      script.ErrorHere("expected a statement, found " + DescribeToken(tokeniser, kind));
      return false;
    }
    if (!RunStatement(script, tokeniser.GetString()) || !CheckListing(script)) return false;
  }
}
