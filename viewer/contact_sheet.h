// The contact sheet: one static HTML page with every item of a build in
// script order (its picture, tag, data type, address, sizes, compression
// saving) and the build's totals. The page loads nothing but the item
// pictures beside it: no scripts, no styles or fonts from elsewhere.
#pragma once

#include <string>
#include <vector>

#include "viewer/build_reader.h"
#include "viewer/renderers.h"

struct SheetItem {
  const BuildItem* item = nullptr;
  Rendering rendering;
  std::string pictureFile;  // relative to the page; empty when there is no picture
  int pictureWidth = 0;     // of the PNG, in pixels
  int pictureHeight = 0;
};

// How large the page shows a picture: small ones are enlarged by a whole
// factor (so that pixels stay square) until their longer side reaches
// about kSmallestShownSide.
constexpr int kSmallestShownSide = 160;
int ShownScale(int width, int height);

struct SheetSources {
  std::string binaryPath;
  std::string listingPath;
  int scale = 1;
};

std::string ContactSheetHtml(const Build& build, const std::vector<SheetItem>& items,
                             const SheetSources& sources);
