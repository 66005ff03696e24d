// The benchmark's pieces run: the generator's corpus mode writes scripts
// that kestrip runs to "Done" over every data type and compression word,
// the I/O floor reads what a manifest lists and writes what it is told, and
// the runner derives its scripts and reads its counts as it should.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bench_texts.h"
#include "formats/data_types.h"
#include "test_support.h"

namespace {

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
  const std::vector<std::string> files = bench::Lines(ReadText(dir / "items12.manifest"));
  ASSERT_FALSE(files.empty());
  EXPECT_EQ(files.front(), "items12.kst");
  for (const std::string& file : files) EXPECT_TRUE(FileExists(dir / file)) << file;
  // The line animation's item has several frames.
  const int animation = static_cast<int>(&DataTypeRow(DataTypeId::kLineAnim) - kDataTypes);
  char frame[32];
  snprintf(frame, sizeof frame, "images/item%04d_002.bmp", animation);
  EXPECT_NE(ReadText(dir / "items12.manifest").find(frame), std::string::npos);
  EXPECT_EQ(bench::Lines(ReadText(dir / "items10.manifest")).front(), "items10.kst");
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

// --- The runner's texts ----------------------------------------------------------

TEST(BenchTextsTest, TheCorpusWithoutLzItemsKeepsEveryOtherLine) {
  const std::string corpus =
      "# Benchmark corpus: 4 items\norg 32768\n\n"
      "item0000 compressnone raw \"images/item0000.bin\"\n"
      "item0001 compresslz gfxblock \"images/item0001.bmp\"\n"
      "item0002 compressword lineanim \"images/item0002_\"\n"
      "item0003 compresslz greyscale \"images/item0003.bmp\"\n"
      "item0004 compresslz raw \"images/item0004.bin\"\n";
  EXPECT_EQ(bench::RunLengthScript(corpus),
            "# Benchmark corpus: 4 items\norg 32768\n\n"
            "item0000 compressnone raw \"images/item0000.bin\"\n"
            "item0001 compressbyte gfxblock \"images/item0001.bmp\"\n"
            "item0002 compressword lineanim \"images/item0002_\"\n"
            "item0003 compressword greyscale \"images/item0003.bmp\"\n"
            "item0004 compressbyte raw \"images/item0004.bin\"\n");
  EXPECT_EQ(bench::RepeatedScript(corpus, 2),
            "# Benchmark corpus: 4 items\norg 32768\n\n"
            "c1_item0000 compressnone raw \"copy1/images/item0000.bin\"\n"
            "c1_item0001 compresslz gfxblock \"copy1/images/item0001.bmp\"\n"
            "c1_item0002 compressword lineanim \"copy1/images/item0002_\"\n"
            "c1_item0003 compresslz greyscale \"copy1/images/item0003.bmp\"\n"
            "c1_item0004 compresslz raw \"copy1/images/item0004.bin\"\n"
            "c2_item0000 compressnone raw \"copy2/images/item0000.bin\"\n"
            "c2_item0001 compresslz gfxblock \"copy2/images/item0001.bmp\"\n"
            "c2_item0002 compressword lineanim \"copy2/images/item0002_\"\n"
            "c2_item0003 compresslz greyscale \"copy2/images/item0003.bmp\"\n"
            "c2_item0004 compresslz raw \"copy2/images/item0004.bin\"\n");
}

TEST(BenchTextsTest, CountsFromCallgrindAndStrace) {
  EXPECT_EQ(bench::CallgrindInstructions("==7== Events : Ir\n==7== Collected : 84123456\n==7==\n"),
            84123456);
  EXPECT_EQ(bench::CallgrindInstructions("valgrind: no such program\n"), -1);

  const std::string trace =
      "execve(\"./kestrip\", [\"./kestrip\"], 0x7ffd /* 3 vars */) = 0\n"
      "openat(AT_FDCWD, \"items2.kst\", O_RDONLY|O_CLOEXEC) = 3\n"
      "newfstatat(3, \"\", {st_mode=S_IFREG|0644, st_size=60, ...}, AT_EMPTY_PATH) = 0\n"
      "read(3, \"org 32768\"..., 61) = 60\n"
      "close(3)                                = 0\n"
      "openat(AT_FDCWD, \"out.bin\", O_WRONLY|O_CREAT|O_TRUNC, 0666) = 3\n"
      "openat(AT_FDCWD, \"images/a_001.bmp\", O_RDONLY|O_CLOEXEC) = 4\n"
      "newfstatat(4, \"\", {st_mode=S_IFREG|0644, st_size=1078, ...}, AT_EMPTY_PATH) = 0\n"
      "read(4, \"BM\"..., 1079) = 1078\n"
      "write(3, \"\\0\\0\"..., 4096) = 4096\n"
      "close(4)                                = 0\n"
      "openat(AT_FDCWD, \"images/a_002.bmp\", O_RDONLY|O_CLOEXEC) = -1 ENOENT (No such file)\n"
      "write(1, \"Done\\n\", 5)                 = 5\n"
      "+++ exited with 0 +++\n";
  const bench::SyscallCounts counts =
      bench::CountSyscalls(trace, {"items2.kst", "images/a_001.bmp", "images/a_002.bmp"});
  EXPECT_EQ(counts.total, 13);
  EXPECT_EQ(counts.inputFiles, 2);
  EXPECT_EQ(counts.onInputFiles, 8);
}
