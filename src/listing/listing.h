// The listing writer: every line of the listing goes through cListing, so
// that the text is stated once (the viewer reads it back with the same
// constants) and the symbols come out in the form the assembler wants. It
// also keeps the facts of the item being built (tag, data type, input
// files, symbols, sizes) and hands each finished item to the build's other
// outputs (the C header, the manifest); the symbols' facts are kept only
// while there is such an output to hand them to.
//
// An item's block, as the converter, the writer and the interpreter write it:
//
//   ; Data type: gfx block                  converter: its data type's comment,
//   ; Input file: logo.bmp                  the input file, <tag>_address, then
//   logo_address equ 32771                  the data type's own symbols in the
//   logo_width equ 256                      order of its row in data_types.h
//   logo_height equ 64
//   logo_size equ 2048
//   logo_compressed_size equ 410            writer: compressed size and saving
//   ; 410 bytes written                     ("; no compression used" for an
//   ; byte compression used saving 1638 bytes    uncompressed item)
//   ; data now at 20.0% original size
//   ; Header: 1,410                         interpreter, while headers are on
//   logo_id equ 0
//   (two empty lines)
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "io/console.h"

struct DataTypeInfo;
struct CompressionInfo;

// How a symbol line reads: `name equ value` (the default), `name: equ value`,
// `name = value` or `name == value`.
enum class SymbolForm { kEqu, kColon, kAssign, kGlobal };

// "equ", "colon", "assign", "global": the words of --symbols.
const char* SymbolFormWord(SymbolForm form);
bool ParseSymbolForm(const char* word, SymbolForm& form);
// Whether `name` can stand as a symbol for assemblers beyond the default
// form, and in C: a letter or "_", then letters, digits and "_".
bool IsPlainSymbolName(const char* name);

// A symbol line in `form`, without its line break.
std::string SymbolLine(SymbolForm form, const std::string& name, int64_t value);
// Reads a symbol line of any form: false when the line is none.
bool ParseSymbolLine(const std::string& line, std::string& name, std::string& value);

// Fixed texts of the listing, shared with the reader in the viewer.
namespace listing_text {
constexpr const char kRule[] = "; ----------------------------------------";
constexpr const char kInputScript[] = "; Input script: ";
constexpr const char kBaseAddress[] = "; Base address set to: ";
constexpr const char kLimitSet[] = "; Output limit set to: ";
constexpr const char kHeadersOff[] = "; Output headers set to off";
constexpr const char kHeadersOn[] = "; Output headers set to on";
constexpr const char kDataType[] = "; Data type: ";
constexpr const char kInputFile[] = "; Input file: ";
constexpr const char kHeader[] = "; Header: ";
constexpr const char kBytesWritten[] = " bytes written";
constexpr const char kNoCompression[] = "; no compression used";
constexpr const char kCompressionUsed[] = " compression used saving ";
constexpr const char kTotalBytes[] = "; Total bytes written: ";
constexpr const char kByteLimit[] = "; Byte limit: ";
constexpr const char kBytesFree[] = "; Bytes free: ";
}  // namespace listing_text

struct SymbolFact {
  std::string name;  // in full: <tag>_<symbol>
  int64_t value = 0;
};

// What one finished item is.
struct ItemFacts {
  std::string tag;
  const DataTypeInfo* dataType = nullptr;
  const CompressionInfo* compression = nullptr;
  std::vector<std::string> inputFiles;  // every file read for it
  std::vector<SymbolFact> symbols;      // every symbol of its block, in order (with observers)
  int64_t address = 0;
  int size = 0;        // bytes before compression
  int outputSize = 0;  // bytes in the binary file
  bool hasHeader = false;
  int headerType = 0;
  int id = 0;  // with a header only
};

struct BuildTotals {
  int64_t totalBytes = 0;
  bool limitSet = false;
  int limit = 0;
  int64_t bytesFree = 0;
};

// An output that is made of the items' facts (the C header, the manifest).
class cBuildObserver {
 public:
  virtual ~cBuildObserver() = default;
  virtual void Item(const ItemFacts& item) = 0;
  virtual void Totals(const BuildTotals& totals) = 0;
};

class cListing {
 public:
  explicit cListing(FILE* file, SymbolForm form = SymbolForm::kEqu) : file_(file), form_(form) {
    // Room for a block and the item that fills it, made once: growing by
    // doubling would copy the text and touch new pages each time.
    pending_.reserve(kPendingBytes + kPendingBytes / 8);
  }
  cListing(const cListing&) = delete;
  cListing& operator=(const cListing&) = delete;

  SymbolForm form() const { return form_; }
  void AddObserver(cBuildObserver* observer) { observers_.push_back(observer); }

  // The listing's frame.
  void Banner(const char* scriptPath);
  void BaseAddress(int address);
  void LimitSet(int limit);
  void Headers(bool on);
  void Totals(const BuildTotals& totals);

  // An item, from the interpreter's side: begun before its converter runs,
  // ended once it is in the binary file.
  void BeginItem(const char* tag, const DataTypeInfo* type, const CompressionInfo* compression);
  ItemFacts& Item() { return item_; }
  void ItemHeader(int type, int length, int id);
  void EndItem();

  // The converter's block: the data type's comment, the input file, the
  // address and then the row's symbols with `values`, in the row's order.
  void ItemBlock(const std::string& fileName, const char* tag, int address,
                 std::initializer_list<int64_t> values);
  // A comment line: "; " and the text.
  void Comment(const char* format, ...) KESTRIP_PRINTF_FORMAT(2, 3);
  // "<tag>_<name>" in the listing's form, kept in the item's facts.
  void Symbol(const char* tag, const char* name, int64_t value);

  // The text is kept and written to the file in blocks of some 64 KB, and
  // whole at the totals: Flush writes what is kept (a run that stops early
  // calls it before the file is closed); Failed tells how it went.
  void Flush();
  // True once a write to the listing has failed.
  bool Failed() const { return failed_ || ferror(file_); }

 private:
  void Write(const std::string& text);
  void FlushWhenFull();
  // A symbol's line appended to the pending text, and its fact kept.
  void AppendSymbol(const char* tag, const char* name, int64_t value);

  FILE* file_;
  SymbolForm form_;
  bool failed_ = false;
  static constexpr size_t kPendingBytes = 64 * 1024;
  std::string pending_;  // the lines not written to the file yet
  ItemFacts item_;
  std::vector<cBuildObserver*> observers_;
};
