#include "driver/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int Lower(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Optimal string alignment distance: insertions, deletions, substitutions
// and swaps of two neighbours each count one.
int EditDistance(const std::string& a, const std::string& b) {
  const size_t n = a.size();
  const size_t m = b.size();
  std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = static_cast<int>(i);
  for (size_t j = 0; j <= m; ++j) d[0][j] = static_cast<int>(j);
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const int cost = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) &&
          Lower(a[i - 2]) == Lower(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[n][m];
}

std::string DescribeInvalidToken(CTokeniser& tokeniser) {
  switch (tokeniser.GetInvalidReason()) {
    case InvalidReason::kUnclosedQuote:
      return "a quoted string that is never closed";
    case InvalidReason::kNulInQuote:
      return "a quoted string holding a NUL byte";
    case InvalidReason::kTooLong:
      return "a token longer than " + std::to_string(CTokeniser::kMaxTokenLength) + " characters";
    default: {
      const int c = tokeniser.GetInvalidCharacter();
      if (c < 128)
        return "the invalid character " + QuoteToken(std::string(1, static_cast<char>(c)));
      char escape[16];
      snprintf(escape, sizeof escape, "'\\x%02x'", c);  // a lone byte of a multi-byte character
      return std::string("the invalid character ") + escape;
    }
  }
}

}  // namespace

void cDiagnostics::Error(SourcePosition at, const std::string& text) const {
  fprintf(stderr, "%s:%d:%d: error: %s\n", scriptPath_.c_str(), at.line, at.column, text.c_str());
}

std::string QuoteToken(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (byte < 32 || byte == 127) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string DescribeToken(CTokeniser& tokeniser, int kind) {
  switch (kind) {
    case kTokenEnd:
      return "the end of the script";
    case kTokenInvalid:
      return DescribeInvalidToken(tokeniser);
    default:
      return QuoteToken(tokeniser.GetString());
  }
}

const char* NearestWord(const std::string& word, const std::vector<const char*>& candidates) {
  const char* nearest = nullptr;
  int nearestDistance = 0;
  for (const char* candidate : candidates) {
    const int distance = EditDistance(word, candidate);
    const int allowed = std::min(2, std::max(1, static_cast<int>(strlen(candidate)) / 3));
    if (distance == 0 || distance > allowed) continue;
    if (!nearest || distance < nearestDistance) {
      nearest = candidate;
      nearestDistance = distance;
    }
  }
  return nearest;
}

std::string Suggestion(const std::string& word, const std::vector<const char*>& candidates) {
  const char* nearest = NearestWord(word, candidates);
  return nearest ? "; did you mean '" + std::string(nearest) + "'?" : "";
}
