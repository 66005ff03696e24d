// The manifest of a build (--manifest FILE): a JSON description for other
// tools, written item by item as the build goes.
//
//   {
//     "script": "assets.kst",
//     "items": [
//       {
//         "tag": "logo", "data_type": "gfxblock", "compression": "compressbyte",
//         "input_files": ["logo.bmp"],
//         "address": 32771, "size": 2048, "compressed_size": 410,
//         "header_type": 1, "id": 0,        (both null for an item without a header)
//         "symbols": {"logo_address": 32771, "logo_width": 256, ...}
//       }, ...
//     ],
//     "total_bytes": 2100, "limit": 4096, "bytes_free": 1996   (null without a limit)
//   }
//
// "compressed_size" is null for an uncompressed item.
#pragma once

#include <cstdio>
#include <string>

#include "listing/json_writer.h"
#include "listing/listing.h"

class cManifest : public cBuildObserver {
 public:
  cManifest(FILE* file, const std::string& scriptPath);
  void Item(const ItemFacts& item) override;
  void Totals(const BuildTotals& totals) override;

 private:
  void Flush();
  FILE* file_;
  cJsonWriter json_;
};
