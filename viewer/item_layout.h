// What an item's listing block says about its bytes: the data type (the
// graphics block and the title screen told apart), its dimensions, how many
// bytes the converter stored and how many the binary file holds for it.
//
// Symbols each data type needs, and the stored size they imply (the rows
// of formats/data_types.h; the checks here are that they agree):
//
//   data type       symbols                                     stored bytes
//   raw             length                                      length
//   unmaskedsprite  width charwidth height size                 charwidth*height
//   maskedsprite    width charwidth height size                 2*charwidth*height
//   gfxblock        width(256) height(64|128|192) size          32*height
//   titlescreen     width(256) height(192) size(6912)           6144 + 768
//   fullscreenmask  width(256) height(64|128|192) size          size (the mask stream)
//   lineanim        framewidth framecharwidth frameheight       frames*frameheight*
//                   frames size                                   framecharwidth
//   colourblock     width height size                           width*height
//   colourtile      charwidth charheight (no size symbol)       9*charwidth*charheight
//   tilepicture     width charwidth height charheight           tileset_offset +
//                   uniquetiles tileset_offset size               8*uniquetiles
//   greyscale       width height size                           width*height
//
// A compressed item also needs compressed_size: the bytes of its stream.
#pragma once

#include <string>

#include "viewer/listing.h"

struct ItemLayout {
  const DataTypeInfo* type = nullptr;  // the graphics block and title screen told apart
  int width = 0;  // pixels; for the colour block, cells across
  int height = 0;  // pixel rows; for the colour block, cell rows
  int charWidth = 0;
  int charHeight = 0;
  int frames = 0;
  int uniqueTiles = 0;
  int tileSetOffset = 0;
  int storedSize = 0;  // the item's bytes before any compression
  int outputSize = 0;  // the item's bytes in the binary file (the stream, when compressed)
};

// Works the layout out from the item's symbols and checks that they agree
// with one another. False with a one-line message naming the item for a
// missing symbol or values that no converter writes.
bool LayoutFromListing(const ListingItem& item, ItemLayout& layout, std::string& error);
