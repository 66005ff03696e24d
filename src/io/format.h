// printf-style formatting for the tool's own lines (progress lines and the
// listing), without printf's cost: the conversions those lines use (%s, %d,
// %lld, %.Nf with an optional 0 flag, %%) are done here; a format with any
// other conversion, or a line longer than 1 KB, goes to vsnprintf whole.
// Either way the text is the one printf gives.
#pragma once

#include <cstdarg>
#include <string>

// Appends the formatted text to `out`.
void AppendFormatted(std::string& out, const char* format, va_list arguments);
