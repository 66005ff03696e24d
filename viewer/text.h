// Small text helpers of the viewer: line splitting, prefix tests, and
// making untrusted text (tags and file names read from a listing) safe to
// print, to put in a page, or to use as a file name.
#pragma once

#include <string>
#include <vector>

// The lines of `text`, without their "\n" (and a "\r" before it).
std::vector<std::string> SplitLines(const std::string& text);

// True when `text` begins with `prefix`; `rest`, when given, gets what follows.
bool StartsWith(const std::string& text, const std::string& prefix, std::string* rest = nullptr);
bool EndsWith(const std::string& text, const std::string& suffix);

// `text` for a one-line message: control and non-ASCII bytes as \xNN, and
// cut short (with "...") past 80 characters.
std::string Quote(const std::string& text);

// `text` with &, <, >, " and ' replaced by their HTML entities.
std::string HtmlEscape(const std::string& text);

// A file name stem made from a tag: letters, digits, "_" and "-" kept, any
// other byte replaced by "_", never empty, never beginning with "." or "-".
std::string FileStem(const std::string& tag);
