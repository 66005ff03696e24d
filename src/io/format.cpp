#include "io/format.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

template <class Number>
void AppendNumber(std::string& out, Number number) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// "%.Nf" rounds the exact value to N decimals, half to even, as to_chars does.
void AppendFixed(std::string& out, double value, int decimals) {
  char digits[400];  // the longest double in fixed notation, with up to 9 decimals
  out.append(
      digits,
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals).ptr);
}

// Does one conversion, `conversion` pointing just past its %; returns the character after
// it, or null for a conversion left to vsnprintf.
const char* Convert(std::string& out, const char* conversion, va_list& arguments) {
  if (conversion[0] == '%') {
    out += '%';
    return conversion + 1;
  }
  if (conversion[0] == 's') {
    const char* text = va_arg(arguments, const char*);
    out += text ? text : "(null)";
    return conversion + 1;
  }
  if (conversion[0] == 'd') {
    AppendNumber(out, va_arg(arguments, int));
    return conversion + 1;
  }
  if (strncmp(conversion, "lld", 3) == 0) {
    AppendNumber(out, va_arg(arguments, long long));
    return conversion + 3;
  }
  const char* fixed = conversion[0] == '0' ? conversion + 1 : conversion;
  if (fixed[0] == '.' && fixed[1] >= '0' && fixed[1] <= '9' && fixed[2] == 'f') {
    AppendFixed(out, va_arg(arguments, double), fixed[1] - '0');
    return fixed + 3;
  }
  return nullptr;
}

void AppendWithPrintf(std::string& out, const char* format, va_list arguments) {
  va_list again;
  va_copy(again, arguments);
  char text[1024];
  const int length = vsnprintf(text, sizeof text, format, arguments);
  if (length >= 0 && static_cast<size_t>(length) < sizeof text) {
    out.append(text, static_cast<size_t>(length));
  } else if (length > 0) {
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) + 1);
    vsnprintf(&out[start], static_cast<size_t>(length) + 1, format, again);
    out.resize(start + static_cast<size_t>(length));
  }
  va_end(again);
}

}  // namespace

void AppendFormatted(std::string& out, const char* format, va_list arguments) {
  va_list rest;  // what the conversions done here take; `arguments` stays for vsnprintf
  va_copy(rest, arguments);
  const size_t start = out.size();
  const char* at = format;
  while (const char* percent = strchr(at, '%')) {
    out.append(at, static_cast<size_t>(percent - at));
    at = Convert(out, percent + 1, rest);
    if (!at) {
      out.resize(start);
      AppendWithPrintf(out, format, arguments);
      va_end(rest);
      return;
    }
  }
  out += at;
  va_end(rest);
}
