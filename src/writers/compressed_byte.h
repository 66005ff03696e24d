// The writer of "compressbyte" items: run-length records over bytes.
#pragma once

#include "writers/compressed_writer.h"

class cBinWriter_CompressedByte : public cBinWriter_RunLength<1, 1> {};
