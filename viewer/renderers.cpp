#include "viewer/renderers.h"

#include <cstdint>

#include "converters/fullscreenmask.h"
#include "converters/pixel_helpers.h"

namespace {

constexpr int kBitmapBytes = 6144;  // a full screen's bitmap; its attributes follow

using Bytes = std::vector<uint8_t>;

// Bit of pixel x within its eight-pixel byte: the leftmost pixel is bit 7.
bool PixelBit(uint8_t byte, int x) { return (byte >> (7 - x % 8)) & 1; }

std::string Dimensions(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Attribute byte:  bit 7 flash | 6 bright | 5-3 paper | 2-0 ink
struct Attribute {
  explicit Attribute(uint8_t byte)
      : ink(DisplayColour(byte & 7, byte & 0x40)),
        paper(DisplayColour((byte >> 3) & 7, byte & 0x40)),
        flash((byte & 0x80) != 0) {}
  Colour ink;
  Colour paper;
  bool flash;
};

void NoteFlash(Rendering& rendering, const Attribute& attribute, int x, int y) {
  if (attribute.flash) rendering.flashCells.push_back({x, y});
}

std::string FlashSummary(const Rendering& rendering) {
  const size_t count = rendering.flashCells.size();
  if (count == 0) return "";
  return ", " + std::to_string(count) + (count == 1 ? " flash cell" : " flash cells") +
         " (outlined)";
}

// Unmasked: one graphic byte per eight pixels, rows from the top.
void RenderUnmaskedSprite(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(layout.width, layout.height, kPaper);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const uint8_t graphic = data[static_cast<size_t>(y) * layout.charWidth + x / 8];
      if (PixelBit(graphic, x)) picture.Set(x, y, kInk);
    }
  }
  rendering.summary = Dimensions(layout.width, layout.height) + " sprite";
}

// Masked: a mask byte, then a graphic byte, per eight pixels. The target
// keeps the background under mask bits and draws the graphic over it.
void RenderMaskedSprite(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(layout.width, layout.height, kPaper);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const size_t group = static_cast<size_t>(y) * layout.charWidth + x / 8;
      if (PixelBit(data[2 * group + 1], x)) {
        picture.Set(x, y, kInk);
      } else if (PixelBit(data[2 * group], x)) {
        picture.SetTransparent(x, y);
      }
    }
  }
  rendering.summary = Dimensions(layout.width, layout.height) + " sprite, mask as checkerboard";
}

void RenderGfxBlock(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(kDisplayWidth, layout.height, kPaper);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (PixelBit(data[DisplayOffset(x, y)], x)) picture.Set(x, y, kInk);
    }
  }
  rendering.summary = Dimensions(kDisplayWidth, layout.height) + " screen block";
}

// The bitmap in display order, then one attribute per cell, row by row.
void RenderTitleScreen(const Bytes& data, Rendering& rendering) {
  const int height = 192;
  Image& picture = rendering.picture = Image(kDisplayWidth, height, kPaper);
  for (int cellY = 0; cellY < height / 8; ++cellY) {
    for (int cellX = 0; cellX < kDisplayBytesPerRow; ++cellX) {
      const Attribute attribute(data[kBitmapBytes + kDisplayBytesPerRow * cellY + cellX]);
      NoteFlash(rendering, attribute, 8 * cellX, 8 * cellY);
      for (int y = 8 * cellY; y < 8 * cellY + 8; ++y) {
        for (int x = 8 * cellX; x < 8 * cellX + 8; ++x) {
          const bool ink = PixelBit(data[DisplayOffset(x, y)], x);
          picture.Set(x, y, ink ? attribute.ink : attribute.paper);
        }
      }
    }
  }
  rendering.summary = "full screen in attribute colours" + FlashSummary(rendering);
}

bool RenderFullScreenMask(const BuildItem& item, Rendering& rendering, std::string& error) {
  const ItemLayout& layout = item.layout;
  Bytes pairs;
  size_t consumed = 0;
  const bool decoded = DecodeMaskStream(item.data.data(), item.data.size(), pairs, &consumed);
  const std::string name = item.listing.Name() + ": ";
  if (!decoded) {
    error = name + "corrupt mask stream (fault after " + std::to_string(consumed) + " of its " +
            std::to_string(item.data.size()) + " bytes)";
    return false;
  }
  if (consumed != item.data.size()) {
    error = name + "the mask stream ends after " + std::to_string(consumed) + " of its " +
            std::to_string(item.data.size()) + " bytes";
    return false;
  }
  const size_t expected = 2 * static_cast<size_t>(kDisplayBytesPerRow) * layout.height;
  if (pairs.size() != expected) {
    error = name + "the mask stream holds " + std::to_string(pairs.size() / 2) + " groups, a " +
            Dimensions(kDisplayWidth, layout.height) + " screen has " +
            std::to_string(expected / 2);
    return false;
  }
  Image& picture = rendering.picture = Image(kDisplayWidth, layout.height, kUndrawn);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const size_t pair = static_cast<size_t>(DisplayOffset(x, y));
      if (PixelBit(pairs[2 * pair + 1], x)) {
        picture.Set(x, y, kDrawn);
      } else if (PixelBit(pairs[2 * pair], x)) {
        picture.SetTransparent(x, y);
      }
    }
  }
  rendering.summary = Dimensions(kDisplayWidth, layout.height) + " mask over a checkerboard";
  return true;
}

void RenderLineAnim(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  const int frameBytes = layout.height * layout.charWidth;
  const int pitch = layout.width + kFrameGap;
  Image& picture = rendering.picture =
      Image(layout.frames * pitch - kFrameGap, layout.height, kCanvas);
  if (!picture.empty()) {
    for (int frame = 0; frame < layout.frames; ++frame) {
      for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
          const size_t at = static_cast<size_t>(frame) * frameBytes +
                            static_cast<size_t>(y) * layout.charWidth + x / 8;
          picture.Set(frame * pitch + x, y, PixelBit(data[at], x) ? kInk : kPaper);
        }
      }
    }
  }
  rendering.summary = std::to_string(layout.frames) + (layout.frames == 1 ? " frame" : " frames") +
                      " of " + Dimensions(layout.width, layout.height);
}

void RenderGreyscale(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(layout.width, layout.height, kPaper);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const uint8_t grey = data[static_cast<size_t>(y) * layout.width + x];
      picture.Set(x, y, Colour{grey, grey, grey});
    }
  }
  rendering.summary = Dimensions(layout.width, layout.height) + " greys";
}

// Colour block: one attribute per cell, `width` across and `height` down.
void RenderColourBlock(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(8 * layout.width, 8 * layout.height, kPaper);
  if (!picture.empty()) {
    for (int cellY = 0; cellY < layout.height; ++cellY) {
      for (int cellX = 0; cellX < layout.width; ++cellX) {
        const Attribute attribute(data[static_cast<size_t>(cellY) * layout.width + cellX]);
        NoteFlash(rendering, attribute, 8 * cellX, 8 * cellY);
        for (int y = 0; y < 8; ++y) {
          for (int x = 0; x < 8; ++x) {
            picture.Set(8 * cellX + x, 8 * cellY + y, y < 4 ? attribute.ink : attribute.paper);
          }
        }
      }
    }
  }
  rendering.summary = Dimensions(layout.width, layout.height) + " cells, ink above paper" +
                      FlashSummary(rendering);
}

// Colour tile: eight pixel bytes per cell, row-major, then one attribute per cell.
void RenderColourTile(const ItemLayout& layout, const Bytes& data, Rendering& rendering) {
  Image& picture = rendering.picture = Image(layout.width, layout.height, kPaper);
  const size_t cells = static_cast<size_t>(layout.charWidth) * layout.charHeight;
  for (int cellY = 0; cellY < layout.charHeight; ++cellY) {
    for (int cellX = 0; cellX < layout.charWidth; ++cellX) {
      const size_t cell = static_cast<size_t>(cellY) * layout.charWidth + cellX;
      const Attribute attribute(data[8 * cells + cell]);
      NoteFlash(rendering, attribute, 8 * cellX, 8 * cellY);
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const bool ink = PixelBit(data[8 * cell + y], x);
          picture.Set(8 * cellX + x, 8 * cellY + y, ink ? attribute.ink : attribute.paper);
        }
      }
    }
  }
  rendering.summary = Dimensions(layout.charWidth, layout.charHeight) + " cells in two colours" +
                      FlashSummary(rendering);
}

void DrawTile(Image& image, const uint8_t* tile, int left, int top) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) image.Set(left + x, top + y, PixelBit(tile[y], x) ? kDrawn : kUndrawn);
  }
}

Image TileSheet(const uint8_t* tiles, int count) {
  if (count == 0) return Image();
  const int columns = count < kTilesPerSheetRow ? count : kTilesPerSheetRow;
  const int rows = (count + kTilesPerSheetRow - 1) / kTilesPerSheetRow;
  Image sheet(columns * kSheetCellPitch + 1, rows * kSheetCellPitch + 1, kCanvas);
  for (int tile = 0; tile < count; ++tile) {
    DrawTile(sheet, tiles + 8 * static_cast<size_t>(tile),
             1 + kSheetCellPitch * (tile % kTilesPerSheetRow),
             1 + kSheetCellPitch * (tile / kTilesPerSheetRow));
  }
  return sheet;
}

// Tile picture: the map (one tile number per cell, cells numbered down each
// column, column after column), then 8 bytes per unique tile.
bool RenderTilePicture(const BuildItem& item, Rendering& rendering, std::string& error) {
  const ItemLayout& layout = item.layout;
  const uint8_t* map = item.data.data();
  const uint8_t* tiles = map + layout.tileSetOffset;
  Image& picture = rendering.picture = Image(layout.width, layout.height, kUndrawn);
  for (int cellX = 0; cellX < layout.charWidth; ++cellX) {
    for (int cellY = 0; cellY < layout.charHeight; ++cellY) {
      const size_t cell = static_cast<size_t>(cellX) * layout.charHeight + cellY;
      if (map[cell] >= layout.uniqueTiles) {
        error = item.listing.Name() + ": tile map entry " + std::to_string(cell) + " names tile " +
                std::to_string(map[cell]) + ", the tile set holds " +
                std::to_string(layout.uniqueTiles);
        return false;
      }
      DrawTile(picture, tiles + 8 * static_cast<size_t>(map[cell]), 8 * cellX, 8 * cellY);
    }
  }
  rendering.tileSheet = TileSheet(tiles, layout.uniqueTiles);
  rendering.summary = std::to_string(layout.uniqueTiles) + " unique tiles of " +
                      std::to_string(layout.tileSetOffset) + " cells; tile set below";
  return true;
}

}  // namespace

bool RenderItem(const BuildItem& item, Rendering& rendering, std::string& error) {
  rendering = Rendering();
  const ItemLayout& layout = item.layout;
  const Bytes& data = item.data;
  if (data.size() != static_cast<size_t>(layout.storedSize)) {
    error = item.listing.Name() + ": " + std::to_string(data.size()) + " bytes, the listing says " +
            std::to_string(layout.storedSize);
    return false;
  }
  switch (layout.type->id) {
    case DataTypeId::kRaw: rendering.summary = "raw data, no picture"; return true;
    case DataTypeId::kUnmaskedSprite: RenderUnmaskedSprite(layout, data, rendering); return true;
    case DataTypeId::kMaskedSprite: RenderMaskedSprite(layout, data, rendering); return true;
    case DataTypeId::kGfxBlock: RenderGfxBlock(layout, data, rendering); return true;
    case DataTypeId::kTitleScreen: RenderTitleScreen(data, rendering); return true;
    case DataTypeId::kFullScreenMask: return RenderFullScreenMask(item, rendering, error);
    case DataTypeId::kLineAnim: RenderLineAnim(layout, data, rendering); return true;
    case DataTypeId::kColourBlock: RenderColourBlock(layout, data, rendering); return true;
    case DataTypeId::kColourTile: RenderColourTile(layout, data, rendering); return true;
    case DataTypeId::kTilePicture: return RenderTilePicture(item, rendering, error);
    case DataTypeId::kGreyscale: RenderGreyscale(layout, data, rendering); return true;
  }
  error = item.listing.Name() + ": no renderer for this data type";
  return false;
}

Image ComposeRendering(const Rendering& rendering) {
  if (rendering.tileSheet.empty()) return rendering.picture;
  const Image& picture = rendering.picture;
  const Image& sheet = rendering.tileSheet;
  const int width = picture.width() > sheet.width() ? picture.width() : sheet.width();
  const int sheetTop = picture.empty() ? 0 : picture.height() + kSheetGap;
  Image composed(width, sheetTop + sheet.height(), kCanvas);
  composed.Blit(picture, 0, 0);
  composed.Blit(sheet, 0, sheetTop);
  return composed;
}
