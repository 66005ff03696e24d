// kestrip driven by a real make and a real ninja, with --deps and --atomic:
// a second build does nothing, a changed picture or frame rebuilds, a failed
// build is run again next time, and a deleted input is an error, not a
// stale success.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "test_support.h"

namespace {

const char kScript[] =
    "pic compressnone unmaskedsprite \"p.bmp\"\n"
    "walk compressbyte lineanim walk\n"
    "text compressnone raw \"notes $1 #2.txt\"\n";

// Gives the file a time later than anything built so far. Both tools
// compare times to the nanosecond, so a short pause is enough.
void Touch(const std::string& path) {
  usleep(20 * 1000);
  const timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void WriteInputs(const TempDir& dir) {
  const BmpImage picture = ImageFromRows({"01234567"}, {{'0', 0}, {'7', 255}}, GreyPalette());
  WriteFile(dir / "s.kst", std::string(kScript));
  WriteBmp(dir / "p.bmp", picture);
  WriteBmp(dir / "walk001.bmp", picture);
  WriteBmp(dir / "walk002.bmp", picture);
  WriteFile(dir / "notes $1 #2.txt", std::string("notes"));
}

bool Ran(const RunResult& run) { return run.output.find("Done\n") != std::string::npos; }

struct Tool {
  const char* name;
  const char* program;
  const char* file;  // the build file
  std::string text;
  const char* upToDate;  // what the tool says when there is nothing to do
};

std::vector<Tool> Tools() {
  const std::string kestrip = KESTRIP_BINARY;
  return {
      {"make", "/usr/bin/make", "Makefile",
       "out.bin: s.kst\n\t" + kestrip +
           " --deps out.d --atomic s.kst out.bin out.lst\n-include out.d\n",
       "is up to date"},
      {"ninja", "/usr/bin/ninja", "build.ninja",
       "rule kestrip\n  command = " + kestrip +
           " --deps out.d --atomic s.kst out.bin out.lst\n  depfile = out.d\n  deps = gcc\n"
           "build out.bin out.lst: kestrip s.kst\n",
       "no work to do"},
  };
}

TEST(BuildToolsTest, DepsAndAtomicKeepIncrementalBuildsRight) {
  for (const Tool& tool : Tools()) {
    SCOPED_TRACE(tool.name);
    if (access(tool.program, X_OK) != 0) {
      std::cout << "note: " << tool.program << " is not installed; its case is skipped\n";
      continue;
    }
    TempDir dir;
    WriteInputs(dir);
    WriteFile(dir / tool.file, tool.text);
    const auto build = [&] { return RunProgram(dir.path(), tool.program, {}); };

    RunResult run = build();
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Ran(run)) << run.output;
    run = build();
    EXPECT_NE(run.output.find(tool.upToDate), std::string::npos) << run.output;
    EXPECT_FALSE(Ran(run));

    for (const char* input : {"p.bmp", "walk002.bmp", "notes $1 #2.txt"}) {
      SCOPED_TRACE(input);
      Touch(dir / input);
      run = build();
      EXPECT_EQ(run.status, 0) << run.output;
      EXPECT_TRUE(Ran(run)) << run.output;
    }

    // A failed build leaves the previous outputs, older than the picture: the
    // next build runs kestrip again.
    Touch(dir / "p.bmp");
    WriteFile(dir / "p.bmp", std::string("not a picture"));
    const Bytes before = ReadBytes(dir / "out.bin");
    for (int attempt = 0; attempt < 2; ++attempt) {
      run = build();
      EXPECT_NE(run.status, 0) << run.output;
      EXPECT_NE(run.output.find("Failed!"), std::string::npos) << run.output;
    }
    EXPECT_EQ(ReadBytes(dir / "out.bin"), before);

    // A deleted input: kestrip is run again and the build fails.
    Touch(dir / "s.kst");
    WriteInputs(dir);
    ASSERT_EQ(build().status, 0);
    unlink((dir / "walk001.bmp").c_str());
    run = build();
    EXPECT_NE(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find(tool.upToDate), std::string::npos) << run.output;
  }
}

TEST(BuildToolsTest, DependencyFileNamesEveryInputEscapedForMake) {
  TempDir dir;
  WriteInputs(dir);
  const RunResult run = RunKestrip(dir.path(), {"--deps", "out.d", "s.kst", "out.bin", "out.lst"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadText(dir / "out.d"),
            "out.bin out.lst: s.kst p.bmp walk001.bmp walk002.bmp notes\\ $$1\\ \\#2.txt\n"
            "\np.bmp:\n\nwalk001.bmp:\n\nwalk002.bmp:\n\nnotes\\ $$1\\ \\#2.txt:\n");
}

}  // namespace
