#include "io/console.h"

#include <cstdarg>
#include <cstdio>

#include "io/format.h"

namespace {

bool g_quiet = false;
std::vector<std::string> g_faultLines;

// Keeps the line for the diagnostics, bounded: a run stops at its first
// fault, so only the few lines of that fault are ever wanted.
void Keep(const char* text) {
  constexpr size_t kMostKept = 16;
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  const size_t first = line.find_first_not_of(' ');
  line.erase(0, first == std::string::npos ? line.size() : first);
  if (line.empty()) return;
  if (g_faultLines.size() == kMostKept) g_faultLines.erase(g_faultLines.begin() + 1);
  g_faultLines.push_back(line);
}

}  // namespace

void Progress(const char* format, ...) {
  if (g_quiet) return;
  static std::string line;  // reused: a run prints thousands of these
  line.clear();
  va_list arguments;
  va_start(arguments, format);
  AppendFormatted(line, format, arguments);
  va_end(arguments);
  fwrite(line.data(), 1, line.size(), stdout);
}

void Fault(const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  Keep(text);
}

void SetQuiet(bool quiet) { g_quiet = quiet; }

std::vector<std::string> TakeFaultLines() {
  std::vector<std::string> lines;
  lines.swap(g_faultLines);
  return lines;
}
