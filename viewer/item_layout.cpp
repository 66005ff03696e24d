#include "viewer/item_layout.h"

#include <cstdint>

#include "converters/pixel_helpers.h"
#include "writers/bin_writer.h"

namespace {

constexpr int kTitleScreenSize = 6144 + 768;
// No dimension or size of an item that fits the writer goes past this (a
// sprite one row high and an item wide), and products of three such values
// stay within 64 bits.
constexpr int kLargestValue = 8 * cBinWriter::kCapacity;

bool IsThirdsHeight(int height) { return height == 64 || height == 128 || height == 192; }

// Reads the item's symbols, recording the first fault.
class SymbolReader {
 public:
  SymbolReader(const ListingItem& item, std::string& error) : item_(item), error_(error) {}

  // A symbol that must be there and lie between 0 and kLargestValue.
  int Count(const char* symbol) {
    if (!ok_) return 0;
    const auto found = item_.symbols.find(symbol);
    if (found == item_.symbols.end()) {
      return Fail("the listing has no " + item_.tag + "_" + symbol + " symbol");
    }
    if (found->second < 0) return Fail(item_.tag + "_" + symbol + " is negative");
    if (found->second > kLargestValue) {
      return Fail(item_.tag + "_" + symbol + " is larger than any item");
    }
    return found->second;
  }

  // Checks a relation between symbols; `what` says what was expected.
  void Expect(bool holds, const std::string& what) {
    if (ok_ && !holds) Fail("inconsistent listing: " + what);
  }

  int Fail(const std::string& message) {
    if (ok_) error_ = item_.Name() + ": " + message;
    ok_ = false;
    return 0;
  }

  bool ok() const { return ok_; }

 private:
  const ListingItem& item_;
  std::string& error_;
  bool ok_ = true;
};

std::string Text(int64_t value) { return std::to_string(value); }

// The size symbol must be the product the data type's dimensions give.
void ExpectSize(SymbolReader& symbols, int size, int64_t product, const char* formula) {
  symbols.Expect(size == product, std::string("size ") + Text(size) + " is not " + formula + " = " +
                                      Text(product));
}

void ReadSprite(SymbolReader& symbols, ItemLayout& layout, int bytesPerGroup) {
  layout.width = symbols.Count("width");
  layout.charWidth = symbols.Count("charwidth");
  layout.height = symbols.Count("height");
  symbols.Expect(layout.width == 8 * int64_t{layout.charWidth}, "width is not 8 * charwidth");
  ExpectSize(symbols, layout.storedSize,
             int64_t{bytesPerGroup} * layout.charWidth * layout.height,
             bytesPerGroup == 2 ? "2 * charwidth * height" : "charwidth * height");
}

// "gfx block" stands for both display-order types: a full screen with its
// 768 attribute bytes is a title screen.
void ReadDisplayBlock(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("width");
  layout.height = symbols.Count("height");
  symbols.Expect(layout.width == kDisplayWidth, "width is not 256");
  symbols.Expect(IsThirdsHeight(layout.height), "height is not 64, 128 or 192");
  if (layout.height == 192 && layout.storedSize == kTitleScreenSize) {
    layout.type = &DataTypeRow(DataTypeId::kTitleScreen);
    return;
  }
  layout.type = &DataTypeRow(DataTypeId::kGfxBlock);
  ExpectSize(symbols, layout.storedSize, int64_t{kDisplayBytesPerRow} * layout.height,
             "32 * height");
}

void ReadFullScreenMask(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("width");
  layout.height = symbols.Count("height");
  symbols.Expect(layout.width == kDisplayWidth, "width is not 256");
  symbols.Expect(IsThirdsHeight(layout.height), "height is not 64, 128 or 192");
}

void ReadLineAnim(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("framewidth");
  layout.charWidth = symbols.Count("framecharwidth");
  layout.height = symbols.Count("frameheight");
  layout.frames = symbols.Count("frames");
  symbols.Expect(layout.width == 8 * int64_t{layout.charWidth},
                 "framewidth is not 8 * framecharwidth");
  symbols.Expect(layout.frames >= 1, "no frames");
  ExpectSize(symbols, layout.storedSize,
             int64_t{layout.frames} * layout.height * layout.charWidth,
             "frames * frameheight * framecharwidth");
}

// Colour blocks and greyscale images: one byte per width x height position.
void ReadOneBytePerPosition(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("width");
  layout.height = symbols.Count("height");
  ExpectSize(symbols, layout.storedSize, int64_t{layout.width} * layout.height, "width * height");
}

void ReadColourTile(SymbolReader& symbols, ItemLayout& layout) {
  layout.charWidth = symbols.Count("charwidth");
  layout.charHeight = symbols.Count("charheight");
  layout.width = 8 * layout.charWidth;
  layout.height = 8 * layout.charHeight;
}

void ReadTilePicture(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("width");
  layout.charWidth = symbols.Count("charwidth");
  layout.height = symbols.Count("height");
  layout.charHeight = symbols.Count("charheight");
  layout.uniqueTiles = symbols.Count("uniquetiles");
  layout.tileSetOffset = symbols.Count("tileset_offset");
  symbols.Expect(layout.width == 8 * int64_t{layout.charWidth}, "width is not 8 * charwidth");
  symbols.Expect(layout.height == 8 * int64_t{layout.charHeight}, "height is not 8 * charheight");
  symbols.Expect(layout.tileSetOffset == int64_t{layout.charWidth} * layout.charHeight,
                 "tileset_offset is not charwidth * charheight");
  const int64_t cells = int64_t{layout.charWidth} * layout.charHeight;
  symbols.Expect(cells == 0 ? layout.uniqueTiles == 0
                            : layout.uniqueTiles >= 1 && layout.uniqueTiles <= cells,
                 "uniquetiles is not between 1 and the number of cells");
  ExpectSize(symbols, layout.storedSize, layout.tileSetOffset + 8 * int64_t{layout.uniqueTiles},
             "tileset_offset + 8 * uniquetiles");
}

// The symbols the data type's row names must all be there; its stored size
// follows from them as the row says.
void ReadStoredSize(SymbolReader& symbols, ItemLayout& layout) {
  int64_t values[kMaxDataTypeSymbols] = {};
  for (int i = 0; i < SymbolCount(*layout.type); ++i) {
    values[i] = symbols.Count(layout.type->symbols[i]);
  }
  if (!symbols.ok()) return;
  const int64_t size = layout.type->storedSize(values);
  if (size > cBinWriter::kCapacity) {
    symbols.Fail("inconsistent listing: " + Text(size) + " bytes are more than an item can hold");
    return;
  }
  layout.storedSize = static_cast<int>(size);
}

// Each data type's dimensions, and the checks that they agree.
void ReadDimensions(SymbolReader& symbols, ItemLayout& layout) {
  switch (layout.type->id) {
    case DataTypeId::kRaw: break;
    case DataTypeId::kUnmaskedSprite: ReadSprite(symbols, layout, 1); break;
    case DataTypeId::kMaskedSprite: ReadSprite(symbols, layout, 2); break;
    case DataTypeId::kGfxBlock:
    case DataTypeId::kTitleScreen: ReadDisplayBlock(symbols, layout); break;
    case DataTypeId::kFullScreenMask: ReadFullScreenMask(symbols, layout); break;
    case DataTypeId::kLineAnim: ReadLineAnim(symbols, layout); break;
    case DataTypeId::kColourBlock: ReadOneBytePerPosition(symbols, layout); break;
    case DataTypeId::kColourTile: ReadColourTile(symbols, layout); break;
    case DataTypeId::kTilePicture: ReadTilePicture(symbols, layout); break;
    case DataTypeId::kGreyscale: ReadOneBytePerPosition(symbols, layout); break;
  }
}

// How many bytes the binary file holds for the item, and the writer lines'
// agreement with it.
void ReadOutputSize(const ListingItem& item, SymbolReader& symbols, ItemLayout& layout) {
  if (!item.compression->method) {
    layout.outputSize = layout.storedSize;
  } else {
    layout.outputSize = symbols.Count("compressed_size");
  }
  if (symbols.ok() && item.hasBytesWritten && item.bytesWritten != layout.outputSize) {
    symbols.Fail("inconsistent listing: " + Text(item.bytesWritten) + " bytes written, but " +
                 Text(layout.outputSize) + " expected");
  }
}

}  // namespace

bool LayoutFromListing(const ListingItem& item, ItemLayout& layout, std::string& error) {
  layout = ItemLayout();
  layout.type = item.type;
  SymbolReader symbols(item, error);
  if (!layout.type) {
    symbols.Fail("unknown data type");
    return false;
  }
  ReadStoredSize(symbols, layout);
  if (symbols.ok()) ReadDimensions(symbols, layout);
  if (symbols.ok()) ReadOutputSize(item, symbols, layout);
  return symbols.ok();
}
