// Turns each item's stored bytes back into what the target will show.
//
//   gfxblock, titlescreen  the 256-pixel-wide screen, display order undone; the
//                          title screen in its attribute colours, flash cells listed
//   sprites                ink on paper; where a masked sprite's mask lets the
//                          background through, transparent (a checkerboard)
//   lineanim               the frames side by side, a canvas gap between them
//   greyscale              the grey image
//   fullscreenmask         the decoded pairs: drawn, undrawn, or transparent
//   colourblock            each attribute as an 8 x 8 block: ink above, paper below
//   colourtile             the cells in their two colours
//   tilepicture            the picture rebuilt from map and tile set, and a
//                          sheet of the unique tiles
//   raw                    no picture
#pragma once

#include <string>
#include <vector>

#include "viewer/build_reader.h"
#include "viewer/image.h"

// An 8 x 8 cell, by its top-left pixel.
struct CellPosition {
  int x = 0;
  int y = 0;
};

struct Rendering {
  Image picture;    // empty for raw items and pictures of no pixels
  Image tileSheet;  // the tile picture's unique tiles, else empty
  std::vector<CellPosition> flashCells;  // attribute cells with the flash bit
  std::string summary;  // a few words on what the picture shows
};

// The tile sheet's grid: this many tiles to a row, one canvas pixel around each.
constexpr int kTilesPerSheetRow = 16;
constexpr int kSheetCellPitch = 9;
// The canvas gap between animation frames and above the tile sheet.
constexpr int kFrameGap = 2;
constexpr int kSheetGap = 4;

// Renders one item. False with a one-line message naming the item where the
// bytes contradict the data type (a corrupt mask stream, a tile map entry
// past the tile set).
bool RenderItem(const BuildItem& item, Rendering& rendering, std::string& error);

// The picture with the tile sheet below it: what goes into the item's PNG.
Image ComposeRendering(const Rendering& rendering);
