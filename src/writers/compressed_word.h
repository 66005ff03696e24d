// The writer of "compressword" items: run-length records over 16-bit words.
// An item of an odd number of bytes is refused by Prepare.
#pragma once

#include "writers/compressed_writer.h"

class cBinWriter_CompressedWord : public cBinWriter_RunLength<2, 2> {};
