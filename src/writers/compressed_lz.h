// The writer of "compresslz" items (header type 3): the item's bytes as one
// LZ stream (format: writers/lz_stream.h), with the four listing lines of
// the other compressing writers.
#pragma once

#include "formats/compression_modes.h"
#include "writers/compressed_writer.h"

class cBinWriter_CompressedLz : public cBinWriter_Compressed {
 public:
  cBinWriter_CompressedLz() : cBinWriter_Compressed(*FindCompression("compresslz")) {}
};
