// Diagnostics for people and editors: one line on standard error for each
// fault, in the form compilers use,
//
//   SCRIPT:LINE:COLUMN: error: TEXT
//
// pointing at the token at fault and quoting it, beside the fault's message
// on standard output (which stays as it always was).
#pragma once

#include <string>
#include <vector>

#include "tokeniser/tokeniser.h"

class cDiagnostics {
 public:
  explicit cDiagnostics(std::string scriptPath) : scriptPath_(std::move(scriptPath)) {}
  void Error(SourcePosition at, const std::string& text) const;

 private:
  std::string scriptPath_;
};

// `text` in single quotes, with bytes below 32 and 127 written as escapes
// (\n, \t, \x01, ...), so that the line stays one line.
std::string QuoteToken(const std::string& text);

// How a diagnostic names the current token of `tokeniser` when it is not
// what was expected: "'1234'", "the end of the script", "an invalid
// character '\x01'".
std::string DescribeToken(CTokeniser& tokeniser, int kind);

// The candidate nearest to `word` by edit distance (letters compared without
// regard to case, a swap of neighbours counting as one edit), when it is
// close: at most one edit in three letters of the candidate, and at most
// two. Null when none is.
const char* NearestWord(const std::string& word, const std::vector<const char*>& candidates);

// "; did you mean 'WORD'?" for the nearest candidate, or nothing.
std::string Suggestion(const std::string& word, const std::vector<const char*>& candidates);
