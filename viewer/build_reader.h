// Reads a build back from its two output files: the listing says what each
// item is, the binary file holds its bytes.
//
// Binary file: the items in script order, nothing before, between or after:
//
//   [header] item bytes  [header] item bytes  ...
//
//   header (only while headers are on), 3 bytes:
//     +------+-----------+-----------+
//     | type | length lo | length hi |   type 0 none, 1 byte, 2 word compression
//     +------+-----------+-----------+   length: the item bytes that follow
//
// Where headers are off the listing's sizes give each item's length: the
// compressed size for a compressed item, else the stored size. Compressed
// items are decoded with the library's stream decoders, so the bytes that
// come out are the ones the target's own decoder would see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/item_layout.h"
#include "viewer/listing.h"

struct BuildItem {
  ListingItem listing;
  ItemLayout layout;
  int address = 0;          // the item's first data byte on the target
  size_t binaryOffset = 0;  // where its header (or its first byte) lies in the file
  bool hasHeader = false;
  std::vector<uint8_t> data;  // the stored bytes, decompressed
};

struct Build {
  Listing listing;
  std::vector<BuildItem> items;
  int64_t outputBytes = 0;  // item bytes in the binary file, headers not counted
  int64_t storedBytes = 0;  // the same before compression
  int64_t headerBytes = 0;
};

// Parses the listing and walks the binary file item by item. False with a
// one-line message naming the item for a truncated file, a missing symbol,
// a header that runs past the end or disagrees with the listing, a corrupt
// compressed stream, bytes left over, or totals that do not add up.
bool ReadBuild(const std::vector<uint8_t>& binary, const std::string& listingText, Build& build,
               std::string& error);
