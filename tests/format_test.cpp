// The formatting of progress and listing lines must give printf's text for
// every format, whether it is done here or handed to vsnprintf.
#include "io/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

std::string Formatted(const char* format, ...) {
  std::string text = "kept ";
  va_list arguments;
  va_start(arguments, format);
  AppendFormatted(text, format, arguments);
  va_end(arguments);
  return text;
}

std::string Printed(const char* format, ...) {
  char text[4096];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return std::string("kept ") + text;
}

}  // namespace

TEST(FormatTest, EveryConversionGivesPrintfsText) {
  const std::string longName(3000, 'n');
  const std::string fullLine(1024, 'f');
  struct Case {
    std::string formatted, printed;
  };
  const Case cases[] = {
      // Done here.
      {Formatted("no conversion"), Printed("no conversion")},
      {Formatted(""), Printed("")},
      {Formatted("%d bytes written", 6912), Printed("%d bytes written", 6912)},
      {Formatted("%d", -2147483647 - 1), Printed("%d", -2147483647 - 1)},
      {Formatted("Loading bitmap image '%s'\n", "a b.bmp"),
       Printed("Loading bitmap image '%s'\n", "a b.bmp")},
      {Formatted(" Bitmap image is %lldx%lld\n", 256LL, -9000000000LL),
       Printed(" Bitmap image is %lldx%lld\n", 256LL, -9000000000LL)},
      {Formatted("%s compression used saving %d bytes", "byte", 1638),
       Printed("%s compression used saving %d bytes", "byte", 1638)},
      {Formatted("data now at %0.1f%% original size", 20.05),
       Printed("data now at %0.1f%% original size", 20.05)},
      {Formatted("%0.1f %0.1f %0.1f %.3f", 0.25, 0.35, 1e300, 2.0 / 3),
       Printed("%0.1f %0.1f %0.1f %.3f", 0.25, 0.35, 1e300, 2.0 / 3)},
      {Formatted("%0.1f %0.1f", INFINITY, -0.0), Printed("%0.1f %0.1f", INFINITY, -0.0)},
      {Formatted("100%%"), Printed("100%%")},
      {Formatted("%s", longName.c_str()), Printed("%s", longName.c_str())},
      // At the edge of the 1 KB a line is made in: filled exactly, and a number or a
      // fraction that no longer fits.
      {Formatted("%s%s", fullLine.c_str() + 24, fullLine.c_str() + 1000),
       Printed("%s%s", fullLine.c_str() + 24, fullLine.c_str() + 1000)},
      {Formatted("%s%d", fullLine.c_str() + 3, 123456),
       Printed("%s%d", fullLine.c_str() + 3, 123456)},
      {Formatted("%s%0.1f", fullLine.c_str() + 2, 99.95),
       Printed("%s%0.1f", fullLine.c_str() + 2, 99.95)},
      // Handed to vsnprintf.
      {Formatted("%03d|%5s|%x", 7, "ab", 255), Printed("%03d|%5s|%x", 7, "ab", 255)},
      {Formatted("%s then %02X", "first", 10), Printed("%s then %02X", "first", 10)},
      {Formatted("%c%u%ld", 'z', 4000000000u, 123456789012L),
       Printed("%c%u%ld", 'z', 4000000000u, 123456789012L)},
      {Formatted("%-6s|%s", longName.c_str(), "x"), Printed("%-6s|%s", longName.c_str(), "x")},
  };
  for (const Case& test : cases) EXPECT_EQ(test.formatted, test.printed);
}
