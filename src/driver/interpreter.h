// The script interpreter: runs the statements of a script, keeping the
// current address, the byte total and the item ids, and writes the binary
// file's items and the listing's frame around the converters' lines.
#pragma once

#include <cstdio>
#include <string>

class CTokeniser;
class cListing;

struct ScriptSettings {
  // Names the script in the diagnostics on standard error.
  std::string scriptPath = "script";
  // When set, every tag must be a plain symbol name (a letter or "_", then
  // letters, digits and "_"), because this output can carry no other: the
  // text names it in the refusal ("the C header", "--symbols colon").
  std::string plainTagsFor;
};

// Runs the whole script from `tokeniser` (already opened). True when the
// end of the script was reached without a fault and the data fits the
// limit, if one was set. Every fault prints its message on standard output
// and one diagnostic line on standard error.
bool process_script(CTokeniser& tokeniser, FILE* binary, cListing& listing,
                    const ScriptSettings& settings = ScriptSettings());
