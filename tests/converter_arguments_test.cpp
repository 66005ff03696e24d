// The argument every converter reads: a file name, as a word or a quoted
// string. A missing name and a file that cannot be opened fail before any
// byte is appended or any listing line written.
#include <gtest/gtest.h>

#include <string>

#include "converters/converters.h"
#include "formats/data_types.h"
#include "test_support.h"

namespace {

struct ConverterCase {
  std::string name;
  Converter convert;
  bool loadsImage;  // an image converter prints the loader's lines first
};

// Every data type's converter but the line animation's, whose missing file
// ends a series instead (lineanim_test.cpp).
std::vector<ConverterCase> Converters() {
  std::vector<ConverterCase> converters;
  for (const DataTypeInfo& type : DataTypes()) {
    if (type.id == DataTypeId::kLineAnim) continue;
    converters.push_back({std::string("process_") + type.word, type.convert, type.readsPicture});
  }
  return converters;
}

const std::vector<ConverterCase> kConverters = Converters();

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
