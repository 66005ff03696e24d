// The writer of "compressbyte" items: run-length records over bytes.
#pragma once

#include "formats/compression_modes.h"
#include "writers/compressed_writer.h"

class cBinWriter_CompressedByte : public cBinWriter_Compressed {
 public:
  cBinWriter_CompressedByte() : cBinWriter_Compressed(*FindCompression("compressbyte")) {}
};
