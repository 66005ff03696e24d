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
  layout.storedSize = symbols.Count("size");
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
  layout.storedSize = symbols.Count("size");
  symbols.Expect(layout.width == kDisplayWidth, "width is not 256");
  symbols.Expect(IsThirdsHeight(layout.height), "height is not 64, 128 or 192");
  if (layout.height == 192 && layout.storedSize == kTitleScreenSize) {
    layout.type = DataType::kTitleScreen;
    return;
  }
  layout.type = DataType::kGfxBlock;
  ExpectSize(symbols, layout.storedSize, int64_t{kDisplayBytesPerRow} * layout.height,
             "32 * height");
}

void ReadFullScreenMask(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("width");
  layout.height = symbols.Count("height");
  layout.storedSize = symbols.Count("size");
  symbols.Expect(layout.width == kDisplayWidth, "width is not 256");
  symbols.Expect(IsThirdsHeight(layout.height), "height is not 64, 128 or 192");
}

void ReadLineAnim(SymbolReader& symbols, ItemLayout& layout) {
  layout.width = symbols.Count("framewidth");
  layout.charWidth = symbols.Count("framecharwidth");
  layout.height = symbols.Count("frameheight");
  layout.frames = symbols.Count("frames");
  layout.storedSize = symbols.Count("size");
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
  layout.storedSize = symbols.Count("size");
  ExpectSize(symbols, layout.storedSize, int64_t{layout.width} * layout.height, "width * height");
}

void ReadColourTile(SymbolReader& symbols, ItemLayout& layout) {
  layout.charWidth = symbols.Count("charwidth");
  layout.charHeight = symbols.Count("charheight");
  // No size symbol: 8 pixel bytes and one attribute byte per cell.
  const int64_t size = 9 * int64_t{layout.charWidth} * layout.charHeight;
  if (size > cBinWriter::kCapacity) {
    symbols.Fail("inconsistent listing: " + Text(layout.charWidth) + " x " +
                 Text(layout.charHeight) + " cells need more bytes than an item can hold");
    return;
  }
  layout.storedSize = static_cast<int>(size);
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
  layout.storedSize = symbols.Count("size");
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

void ReadDimensions(SymbolReader& symbols, ItemLayout& layout) {
  switch (layout.type) {
    case DataType::kRaw: layout.storedSize = symbols.Count("length"); break;
    case DataType::kUnmaskedSprite: ReadSprite(symbols, layout, 1); break;
    case DataType::kMaskedSprite: ReadSprite(symbols, layout, 2); break;
    case DataType::kGfxBlockComment:
    case DataType::kGfxBlock:
    case DataType::kTitleScreen: ReadDisplayBlock(symbols, layout); break;
    case DataType::kFullScreenMask: ReadFullScreenMask(symbols, layout); break;
    case DataType::kLineAnim: ReadLineAnim(symbols, layout); break;
    case DataType::kColourBlock: ReadOneBytePerPosition(symbols, layout); break;
    case DataType::kColourTile: ReadColourTile(symbols, layout); break;
    case DataType::kTilePicture: ReadTilePicture(symbols, layout); break;
    case DataType::kGreyscale: ReadOneBytePerPosition(symbols, layout); break;
    case DataType::kUnknown: symbols.Fail("unknown data type"); break;
  }
}

// How many bytes the binary file holds for the item, and the writer lines'
// agreement with it.
void ReadOutputSize(const ListingItem& item, SymbolReader& symbols, ItemLayout& layout) {
  if (item.compression == Compression::kNone) {
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
  ReadDimensions(symbols, layout);
  if (symbols.ok() && layout.storedSize > cBinWriter::kCapacity) {
    symbols.Fail("inconsistent listing: " + Text(layout.storedSize) +
                 " bytes are more than an item can hold");
  }
  if (symbols.ok()) ReadOutputSize(item, symbols, layout);
  return symbols.ok();
}
