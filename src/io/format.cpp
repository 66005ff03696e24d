#include "io/format.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

// A line is made in a buffer on the stack and appended to the string once
// (a string's append is a call and a capacity check a piece). A line that
// does not fit is left to vsnprintf.
class Line {
 public:
  bool Put(const char* text, size_t count) {
    if (count > kRoom - length_) return false;
    memcpy(text_ + length_, text, count);
    length_ += count;
    return true;
  }
  // Through to_chars, which fails when the room is too short.
  template <class... Format>
  bool PutChars(Format... format) {
    const std::to_chars_result result = std::to_chars(text_ + length_, text_ + kRoom, format...);
    if (result.ec != std::errc()) return false;
    length_ = static_cast<size_t>(result.ptr - text_);
    return true;
  }
  void AppendTo(std::string& out) const { out.append(text_, length_); }

 private:
  // Far more than any of the tool's lines: the longest is a comment, cut at
  // 511 characters.
  static constexpr size_t kRoom = 1024;
  char text_[kRoom];
  size_t length_ = 0;
};

// Does one conversion, `conversion` pointing just past its %; returns the
// character after it, or null for a conversion left to vsnprintf (or one
// that does not fit). "%.Nf" rounds the exact value to N decimals, half to
// even, as to_chars does.
const char* Convert(Line& line, const char* conversion, va_list& arguments) {
  if (conversion[0] == '%') return line.Put("%", 1) ? conversion + 1 : nullptr;
  if (conversion[0] == 's') {
    const char* text = va_arg(arguments, const char*);
    if (!text) text = "(null)";
    return line.Put(text, strlen(text)) ? conversion + 1 : nullptr;
  }
  if (conversion[0] == 'd') return line.PutChars(va_arg(arguments, int)) ? conversion + 1 : nullptr;
  if (strncmp(conversion, "lld", 3) == 0)
    return line.PutChars(va_arg(arguments, long long)) ? conversion + 3 : nullptr;
  const char* fixed = conversion[0] == '0' ? conversion + 1 : conversion;
  if (fixed[0] == '.' && fixed[1] >= '0' && fixed[1] <= '9' && fixed[2] == 'f') {
    const double value = va_arg(arguments, double);
    return line.PutChars(value, std::chars_format::fixed, fixed[1] - '0') ? fixed + 3 : nullptr;
  }
  return nullptr;
}

// The whole line, or false for vsnprintf to make it.
bool Format(Line& line, const char* format, va_list& arguments) {
  const char* at = format;
  for (;;) {
    const char* percent = strchr(at, '%');
    const char* end = percent ? percent : at + strlen(at);
    if (!line.Put(at, static_cast<size_t>(end - at))) return false;
    if (*end == '\0') return true;
    at = Convert(line, end + 1, arguments);
    if (!at) return false;
  }
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
  Line line;
  if (Format(line, format, rest)) {
    line.AppendTo(out);
  } else {
    AppendWithPrintf(out, format, arguments);
  }
  va_end(rest);
}
