// "tilepicture": a picture cut into 8x8 character cells, stored as a map of
// one byte per cell naming the cell's tile, followed by the set of different
// tiles. A cell whose pattern was met before costs one byte instead of eight.
//
//   offset  length  content                      (N = CW * CH cells, U tiles)
//   0       N       tile map: map[k] is the set entry of the cell numbered k
//   N       8 * U   tile set: the different tiles in the order first met
//
// Cells are numbered column-major, down each column of cells in turn:
//
//   cell (cx, cy) is number cx * CH + cy      e.g. CW 2, CH 2:  0 2
//                                                               1 3
//
// A tile is a cell's 8 pixel rows from the top, one byte per row, a bit set
// where the palette index is not 0 (in a true-colour picture, where the
// pixel is not black: the index rule of PixelValues in pixel_helpers.h):
//
//   bit  7   6   5   4   3   2   1   0
//   x   +0  +1  +2  +3  +4  +5  +6  +7
//
// A map byte names set entries 0 to 255, so a picture with more than 256
// different tiles is refused.
//
// Listing: _width, _charwidth, _height, _charheight, _uniquetiles,
// _tileset_offset (N), _size (N + 8U), and "; U unique tiles out of N".
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "converters/converter_support.h"
#include "converters/converters.h"
#include "converters/pixel_helpers.h"
#include "io/console.h"
#include "listing/listing.h"
#include "writers/bin_writer.h"

namespace {

const char kConverterName[] = "process_tilepicture";
// The most tiles a one-byte map entry can name.
constexpr size_t kMaxTiles = 256;

using Tile = std::array<uint8_t, kCellSize>;

// The tiles of all cells, in cell-number (column-major) order, cut a row of
// cells at a time.
std::vector<Tile> CutCells(const cBitmap& bitmap, int charWidth, int charHeight) {
  std::vector<Tile> cells(static_cast<size_t>(charWidth) * static_cast<size_t>(charHeight));
  PixelValues indices(bitmap);
  ForEachCell(
      indices, charWidth, charHeight,
      [](const Cell& cell) {
        Tile tile;
        for (int row = 0; row < kCellSize; ++row) tile[row] = PackEightPixels(cell.rows[row], 0xFF);
        return tile;
      },
      [&](int cellX, int cellY, const Tile& tile) {
        cells[static_cast<size_t>(cellX) * charHeight + cellY] = tile;
        return true;
      });
  return cells;
}

struct TilePicture {
  std::vector<uint8_t> map;   // one entry per cell
  std::vector<Tile> tileSet;  // the different tiles, first met first
  bool tooManyTiles = false;  // a tile beyond kMaxTiles was met; map and set are partial
};

// The set entries of the tiles met so far, by their eight bytes as one
// word: an open table of twice as many slots as there can be tiles, so
// that it is never more than half full, searched from a tile's hash on.
class TileEntries {
 public:
  // The slot that holds `tile`, or the free one where it belongs.
  size_t SlotOf(uint64_t tile) const {
    size_t slot = HashSlot(tile, kSlotBits);
    while (used_[slot] && tiles_[slot] != tile) slot = (slot + 1) % kSlots;
    return slot;
  }
  bool Holds(size_t slot) const { return used_[slot]; }
  uint8_t Entry(size_t slot) const { return entries_[slot]; }
  void Put(size_t slot, uint64_t tile, uint8_t entry) {
    used_[slot] = true;
    tiles_[slot] = tile;
    entries_[slot] = entry;
  }

 private:
  static constexpr int kSlotBits = 9;
  static constexpr size_t kSlots = size_t{1} << kSlotBits;
  static_assert(kSlots >= 2 * kMaxTiles, "the table stays at most half full");
  std::array<bool, kSlots> used_{};
  std::array<uint64_t, kSlots> tiles_;
  std::array<uint8_t, kSlots> entries_;
};

// The set entry of every tile met so far: the set's order is the order in
// which tiles are first met. Stops at the first tile that the map could
// not name.
TilePicture RemoveDuplicates(const std::vector<Tile>& cells) {
  TilePicture picture;
  picture.map.reserve(cells.size());
  TileEntries entries;
  for (const Tile& cell : cells) {
    const uint64_t tile = LoadEight(cell.data());
    const size_t slot = entries.SlotOf(tile);
    if (entries.Holds(slot)) {
      picture.map.push_back(entries.Entry(slot));
      continue;
    }
    if (picture.tileSet.size() == kMaxTiles) {
      picture.tooManyTiles = true;
      return picture;
    }
    const uint8_t entry = static_cast<uint8_t>(picture.tileSet.size());
    entries.Put(slot, tile, entry);
    picture.tileSet.push_back(cell);
    picture.map.push_back(entry);
  }
  return picture;
}

// The number of different tiles of a refused picture, for its message.
// Sorting keeps this N log N where carrying on with the scan would take
// N * U, hours for a picture of a million different cells.
size_t CountDifferentTiles(std::vector<Tile> cells) {
  std::sort(cells.begin(), cells.end());
  return static_cast<size_t>(std::unique(cells.begin(), cells.end()) - cells.begin());
}

void AppendPicture(const TilePicture& picture, cBinWriter& writer) {
  writer.AddBytes(picture.map.data(), static_cast<int>(picture.map.size()));
  for (const Tile& tile : picture.tileSet) writer.AddBytes(tile.data(), kCellSize);
}

}  // namespace

bool process_tilepicture(const char* tag, CTokeniser& tokeniser, cBinWriter& writer,
                         cListing& listing, int address) {
  cBitmap bitmap;
  std::string fileName;
  if (!LoadImageArgument(kConverterName, tokeniser, bitmap, fileName)) return false;
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  if (width % kCellSize != 0 || height % kCellSize != 0) {
    Fault("process_tilepicture image width and height must be a multiple of 8\n");
    return false;
  }
  if (!CheckDisplayColours(kConverterName, fileName, bitmap)) return false;

  // A loaded image has a positive size, and width * height is within the
  // loader's pixel limit, so N and N + 8U (U <= N) fit an int.
  const int charWidth = width / kCellSize;
  const int charHeight = height / kCellSize;
  const std::vector<Tile> cells = CutCells(bitmap, charWidth, charHeight);
  const TilePicture picture = RemoveDuplicates(cells);
  if (picture.tooManyTiles) {
    Fault("process_tilepicture found %d unique tiles, more than the 256 a map byte can name\n",
          static_cast<int>(CountDifferentTiles(cells)));
    return false;
  }

  AppendPicture(picture, writer);
  const int cellCount = static_cast<int>(picture.map.size());
  const int uniqueTiles = static_cast<int>(picture.tileSet.size());

  listing.ItemBlock(fileName, tag, address,
                    {width, charWidth, height, charHeight, uniqueTiles, cellCount,
                     cellCount + kCellSize * uniqueTiles});
  listing.Comment("%d unique tiles out of %d", uniqueTiles, cellCount);
  return true;
}
