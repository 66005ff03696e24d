// The script interpreter: runs the statements of a script, keeping the
// current address, the byte total and the item ids, and writes the binary
// file's items and the listing's frame around the converters' lines.
#pragma once

#include <cstdio>

class CTokeniser;

// Runs the whole script from `tokeniser` (already opened). True when the
// end of the script was reached without a fault and the data fits the
// limit, if one was set.
bool process_script(CTokeniser& tokeniser, FILE* binary, FILE* listing);
