#include "viewer/text.h"

#include <cstdio>

namespace {

constexpr size_t kLongestQuote = 80;
constexpr size_t kLongestStem = 64;

bool IsStemCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix, std::string* rest) {
  if (text.compare(0, prefix.size(), prefix) != 0) return false;
  if (rest) *rest = text.substr(prefix.size());
  return true;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string Quote(const std::string& text) {
  std::string quoted;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == kLongestQuote) return quoted + "...";
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\x%02X", c);
      quoted += escaped;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted;
}

std::string HtmlEscape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string FileStem(const std::string& tag) {
  std::string stem;
  for (char c : tag) {
    if (stem.size() == kLongestStem) break;
    stem += IsStemCharacter(c) ? c : '_';
  }
  if (stem.empty() || stem[0] == '-') stem = "item_" + stem;
  return stem;
}
