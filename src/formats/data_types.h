// The data types of the script language, described once: the interpreter
// finds converters here, the listing writer takes each item's comment and
// symbol names from here, and the viewer, the image generator, the fuzzers
// and the tests iterate over the same rows. A new data type is one row (and
// its converter).
#pragma once

#include <cstddef>
#include <cstdint>

#include "converters/converters.h"

enum class DataTypeId {
  kRaw,
  kMaskedSprite,
  kUnmaskedSprite,
  kLineAnim,
  kGfxBlock,
  kGreyscale,
  kFullScreenMask,
  kColourBlock,
  kTilePicture,
  kTitleScreen,
  kColourTile,
};

// The most symbols a data type defines after <tag>_address.
constexpr int kMaxDataTypeSymbols = 7;

struct DataTypeInfo {
  DataTypeId id;
  const char* word;  // the script's data type word
  Converter convert;
  const char* comment;  // the listing's "; Data type: <comment>"
  // The item's symbols after <tag>_address, in listing order; null-ended.
  const char* symbols[kMaxDataTypeSymbols + 1];
  // The bytes the converter stores, from the symbols' values (in the order
  // above).
  int64_t (*storedSize)(const int64_t* values);
  bool readsPicture;  // the input is a picture (or a series of them)
};

// Every data type, in the order the interpreter compares their words.
extern const DataTypeInfo kDataTypes[];
extern const size_t kDataTypeCount;

// Iteration over the rows: for (const DataTypeInfo& type : DataTypes()).
struct DataTypeRange {
  const DataTypeInfo* begin() const { return kDataTypes; }
  const DataTypeInfo* end() const { return kDataTypes + kDataTypeCount; }
};
inline DataTypeRange DataTypes() { return {}; }

// The row of a data type word, without regard to case; null when none.
const DataTypeInfo* FindDataType(const char* word);
const DataTypeInfo& DataTypeRow(DataTypeId id);
// The row of a converter (tests call converters directly); null when none.
const DataTypeInfo* FindDataTypeOf(Converter convert);

int SymbolCount(const DataTypeInfo& type);
// The position of `symbol` among the row's symbols, or -1.
int SymbolIndex(const DataTypeInfo& type, const char* symbol);
