// The argument every converter reads: a file name, as a word or a quoted
// string. A missing name and a file that cannot be opened fail before any
// byte is appended or any listing line written.
#include <gtest/gtest.h>

#include <string>

#include "converters/converters.h"
#include "test_support.h"

namespace {

struct ConverterCase {
  const char* name;
  Converter convert;
  bool loadsImage;  // an image converter prints the loader's lines first
};

const ConverterCase kConverters[] = {
    {"process_raw", process_raw, false},
    {"process_maskedsprite", process_maskedsprite, true},
    {"process_unmaskedsprite", process_unmaskedsprite, true},
    {"process_gfxblock", process_gfxblock, true},
    {"process_titlescreen", process_titlescreen, true},
    {"process_fullscreenmask", process_fullscreenmask, true},
    {"process_colourblock", process_colourblock, true},
    {"process_colourtile", process_colourtile, true},
    {"process_tilepicture", process_tilepicture, true},
    {"process_greyscale", process_greyscale, true},
};

void ExpectNothingBuilt(const ConverterRun& run, const std::string& what) {
  EXPECT_FALSE(run.result) << what;
  EXPECT_TRUE(run.bytes.empty()) << what;
  EXPECT_EQ(run.listing, "") << what;
}

TEST(ConverterArgumentsTest, MissingFileName) {
  for (const ConverterCase& c : kConverters) {
    for (const char* arguments : {"", "42", "-1", ".", "\"unclosed"}) {
      const ConverterRun run = RunConverter(c.convert, arguments);
      ExpectNothingBuilt(run, std::string(c.name) + " " + arguments);
      EXPECT_EQ(run.output, std::string(c.name) + " expected filename\n") << arguments;
    }
  }
}

TEST(ConverterArgumentsTest, FileThatCannotBeOpened) {
  TempDir dir;
  const std::string absent = dir / "absent.bmp";
  for (const ConverterCase& c : kConverters) {
    const ConverterRun run = RunConverter(c.convert, "\"" + absent + "\"");
    ExpectNothingBuilt(run, c.name);
    const std::string loaderLines =
        c.loadsImage ? "Loading bitmap image '" + absent + "'\n Couldn't open/read BMP file\n" : "";
    EXPECT_EQ(run.output, loaderLines + c.name + " couldn't open '" + absent + "'\n");
  }
}

}  // namespace
