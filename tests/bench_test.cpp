// The benchmark's pieces run: the generator's corpus mode writes scripts
// that kestrip runs to "Done" over every data type and compression word,
// and the I/O floor reads what a manifest lists and writes what it is told.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "formats/data_types.h"
#include "test_support.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool EndsWithDone(const std::string& output) {
  return output.size() >= 5 && output.compare(output.size() - 5, 5, "Done\n") == 0;
}

}  // namespace

TEST(BenchCorpusTest, ThirtyThreeItemsRunToDone) {
  TempDir dir;
  const RunResult generated =
      RunProgram(dir.path(), KESTRIP_IMAGEGEN_BINARY, {"corpus", ".", "33"});
  ASSERT_EQ(generated.status, 0) << generated.output;

  const RunResult all = RunKestrip(dir.path(), {"items33.kst", "out.bin", "out.lst"});
  EXPECT_EQ(all.status, 0);
  EXPECT_TRUE(EndsWithDone(all.output))
      << all.output.substr(all.output.size() > 2000 ? all.output.size() - 2000 : 0);
  const std::string listing = ReadText(dir / "out.lst");
  EXPECT_NE(listing.find("item0032_id equ 32"), std::string::npos);

  const RunResult small = RunKestrip(dir.path(), {"items10.kst", "small.bin", "small.lst"});
  EXPECT_EQ(small.status, 0);
  EXPECT_TRUE(EndsWithDone(small.output));
}

TEST(BenchCorpusTest, ManifestsListTheScriptAndEveryInput) {
  TempDir dir;
  ASSERT_EQ(RunProgram(dir.path(), KESTRIP_IMAGEGEN_BINARY, {"corpus", ".", "12"}).status, 0);
  const std::vector<std::string> files = Lines(ReadText(dir / "items12.manifest"));
  ASSERT_FALSE(files.empty());
  EXPECT_EQ(files.front(), "items12.kst");
  for (const std::string& file : files) EXPECT_TRUE(FileExists(dir / file)) << file;
  // The line animation's item has several frames.
  const int animation = static_cast<int>(&DataTypeRow(DataTypeId::kLineAnim) - kDataTypes);
  char frame[32];
  snprintf(frame, sizeof frame, "images/item%04d_002.bmp", animation);
  EXPECT_NE(ReadText(dir / "items12.manifest").find(frame), std::string::npos);
  EXPECT_EQ(Lines(ReadText(dir / "items10.manifest")).front(), "items10.kst");
}

TEST(BenchCorpusTest, GeneratorRefusesBadArguments) {
  TempDir dir;
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"corpus", "."},
                                               {"corpus", ".", "0"},
                                               {"corpus", ".", "12x"},
                                               {"pictures", "."}}) {
    EXPECT_NE(RunProgram(dir.path(), KESTRIP_IMAGEGEN_BINARY, args).status, 0);
  }
}

TEST(IoFloorTest, ReadsEveryListedFileAndWritesTheAskedBytes) {
  TempDir dir;
  WriteFile(dir / "a.bin", Repeat(1, 70000));
  WriteFile(dir / "b.txt", std::string("hello"));
  WriteFile(dir / "list", std::string("a.bin\nb.txt\n\n"));
  const RunResult run = RunProgram(dir.path(), KESTRIP_IO_FLOOR_BINARY,
                                   {"list", "out.bin", "100000", "out.lst", "17"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "read 2 files, 70005 bytes; wrote 100000 + 17 bytes\n");
  EXPECT_EQ(ReadBytes(dir / "out.bin").size(), 100000u);
  EXPECT_EQ(ReadBytes(dir / "out.lst").size(), 17u);
}

TEST(IoFloorTest, FailsOnAMissingInputOrBadArguments) {
  TempDir dir;
  WriteFile(dir / "list", std::string("missing.bin\n"));
  EXPECT_NE(
      RunProgram(dir.path(), KESTRIP_IO_FLOOR_BINARY, {"list", "o.bin", "1", "o.lst", "1"}).status,
      0);
  EXPECT_NE(
      RunProgram(dir.path(), KESTRIP_IO_FLOOR_BINARY, {"list", "o.bin", "-1", "o.lst", "1"}).status,
      0);
  EXPECT_NE(RunProgram(dir.path(), KESTRIP_IO_FLOOR_BINARY, {"list"}).status, 0);
}
