#include "formats/data_types.h"

#include <cstring>

#include "tokeniser/tokeniser.h"

namespace {

// Stored sizes. Most data types state theirs in a symbol of their own;
// the colour tile stores 8 pixel bytes and 1 attribute per cell.
template <int kSymbol>
int64_t SymbolValue(const int64_t* values) {
  return values[kSymbol];
}

int64_t ColourTileSize(const int64_t* values) { return 9 * values[0] * values[1]; }

}  // namespace

const DataTypeInfo kDataTypes[] = {
    {DataTypeId::kRaw, "raw", process_raw, "raw", {"length"}, SymbolValue<0>, false},
    {DataTypeId::kMaskedSprite,
     "maskedsprite",
     process_maskedsprite,
     "masked sprite",
     {"width", "charwidth", "height", "size"},
     SymbolValue<3>,
     true},
    {DataTypeId::kUnmaskedSprite,
     "unmaskedsprite",
     process_unmaskedsprite,
     "unmasked sprite",
     {"width", "charwidth", "height", "size"},
     SymbolValue<3>,
     true},
    {DataTypeId::kLineAnim,
     "lineanim",
     process_lineanim,
     "line anim",
     {"framewidth", "framecharwidth", "frameheight", "frames", "size"},
     SymbolValue<4>,
     true},
    {DataTypeId::kGfxBlock,
     "gfxblock",
     process_gfxblock,
     "gfx block",
     {"width", "height", "size"},
     SymbolValue<2>,
     true},
    {DataTypeId::kGreyscale,
     "greyscale",
     process_greyscale,
     "greyscale",
     {"width", "height", "size"},
     SymbolValue<2>,
     true},
    {DataTypeId::kFullScreenMask,
     "fullscreenmask",
     process_fullscreenmask,
     "full screen mask",
     {"width", "height", "size"},
     SymbolValue<2>,
     true},
    {DataTypeId::kColourBlock,
     "colourblock",
     process_colourblock,
     "colour block",
     {"width", "height", "size"},
     SymbolValue<2>,
     true},
    {DataTypeId::kTilePicture,
     "tilepicture",
     process_tilepicture,
     "tilepicture",
     {"width", "charwidth", "height", "charheight", "uniquetiles", "tileset_offset", "size"},
     SymbolValue<6>,
     true},
    // A screen is a graphics block with attributes: the same comment.
    {DataTypeId::kTitleScreen,
     "titlescreen",
     process_titlescreen,
     "gfx block",
     {"width", "height", "size"},
     SymbolValue<2>,
     true},
    {DataTypeId::kColourTile,
     "colourtile",
     process_colourtile,
     "colourtile",
     {"charwidth", "charheight"},
     ColourTileSize,
     true},
};
const size_t kDataTypeCount = sizeof kDataTypes / sizeof kDataTypes[0];

const DataTypeInfo* FindDataType(const char* word) {
  for (const DataTypeInfo& type : DataTypes()) {
    if (EqualsIgnoringCase(word, type.word)) return &type;
  }
  return nullptr;
}

const DataTypeInfo& DataTypeRow(DataTypeId id) {
  for (const DataTypeInfo& type : DataTypes()) {
    if (type.id == id) return type;
  }
  return kDataTypes[0];  // every id has a row
}

const DataTypeInfo* FindDataTypeOf(Converter convert) {
  for (const DataTypeInfo& type : DataTypes()) {
    if (type.convert == convert) return &type;
  }
  return nullptr;
}

int SymbolCount(const DataTypeInfo& type) {
  int count = 0;
  while (count < kMaxDataTypeSymbols && type.symbols[count]) ++count;
  return count;
}

int SymbolIndex(const DataTypeInfo& type, const char* symbol) {
  for (int i = 0; i < SymbolCount(type); ++i) {
    if (strcmp(type.symbols[i], symbol) == 0) return i;
  }
  return -1;
}
