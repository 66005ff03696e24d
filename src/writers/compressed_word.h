// The writer of "compressword" items: run-length records over 16-bit words.
// An item of an odd number of bytes is refused by Prepare.
#pragma once

#include "formats/compression_modes.h"
#include "writers/compressed_writer.h"

class cBinWriter_CompressedWord : public cBinWriter_Compressed {
 public:
  cBinWriter_CompressedWord() : cBinWriter_Compressed(*FindCompression("compressword")) {}
};
