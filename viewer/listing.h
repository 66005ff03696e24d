// Reading a build's listing back: the frame lines of the script's commands,
// one block per item and the totals block.
//
// An item block runs from its data type comment to the first empty line:
//
//   ; Data type: gfx block                  converter lines: data type comment,
//   ; Input file: logo.bmp                  input file, <tag>_address first,
//   logo_address equ 32771                  then the data type's dimension and
//   logo_width equ 256                      size symbols
//   logo_height equ 64
//   logo_size equ 2048
//   logo_compressed_size equ 410            writer lines: compressed size and
//   ; 410 bytes written                     saving for a compressed item,
//   ; byte compression used saving 1638 bytes     "; no compression used" for
//   ; data now at 20.0% original size       an uncompressed one
//   ; Header: 1,410                         only while headers are on
//   logo_id equ 0
//
// Symbol lines are read in every form the listing writer has (listing.h in
// the core): "name equ value", "name: equ value", "name = value",
// "name == value".
//
// The tag is what stands before "_address"; every later symbol of the block
// must begin with the tag and "_". Comment lines the reader does not know
// are skipped; any other unknown line is an error.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "formats/compression_modes.h"
#include "formats/data_types.h"

// The data type and compression mode of an item come from the core's
// tables (formats/data_types.h, formats/compression_modes.h). The graphics
// block and the title screen share their data type comment ("gfx block"):
// the block names the first row with its comment until the item's symbols
// decide (see item_layout.h).
struct ListingItem {
  int index = 0;        // 1 for the first item of the listing
  int lineNumber = 0;   // line of the data type comment, from 1
  const DataTypeInfo* type = nullptr;  // null: a comment no data type writes
  std::string typeComment;  // the text after "; Data type: "
  std::string tag;          // empty when the block has no _address symbol
  std::string inputFile;
  bool headersOn = true;  // the listing's headers setting when the item was read
  // An "; Base address set to:" line between the previous item and this one.
  bool baseAddressSet = false;
  int baseAddress = 0;
  // Symbols after the tag and "_": "address", "size", "width", ...
  std::map<std::string, int> symbols;
  const CompressionInfo* compression = nullptr;  // null until the writer's lines
  bool hasBytesWritten = false;
  int bytesWritten = 0;  // "; %d bytes written"
  bool hasHeader = false;
  int headerType = 0;    // "; Header: %d,%d"
  int headerLength = 0;

  bool Has(const std::string& symbol) const { return symbols.count(symbol) != 0; }
  // "item 3 'logo' (gfx block)": how messages name the item.
  std::string Name() const;
};

struct Listing {
  std::string inputScript;  // from the banner
  std::vector<ListingItem> items;
  bool hasTotals = false;
  int totalBytesWritten = 0;
  bool limitSet = false;
  int limit = 0;
  long long bytesFree = 0;  // limit minus total, which may leave the 32-bit range
};

// Parses a listing. False with a one-line message in `error` for a line it
// cannot make sense of, a block that ends before its writer lines, or a
// listing without its totals block (a build that stopped at a fault).
bool ParseListing(const std::string& text, Listing& listing, std::string& error);
