// Faults of the environment, through the real program: outputs that can't
// be written, inputs that can't be read, and file names that would make a
// run overwrite its own script, an input or another output. None of them
// may end with "Done".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "test_support.h"

namespace {

const char kScript[] = "a compressnone raw \"hello.txt\"\n";

struct EnvironmentCase {
  const char* name;
  std::function<void(const TempDir&)> prepare;
  std::vector<std::string> args;
  const char* output;  // standard output
  const char* errors;  // standard error
  // What the folder holds afterwards: file -> contents ("-" for no file).
  std::vector<std::pair<std::string, std::string>> files;
};

void Link(const TempDir& dir, const char* target, const char* name) {
  ASSERT_EQ(link((dir / target).c_str(), (dir / name).c_str()), 0);
}
void Symlink(const TempDir& dir, const char* target, const char* name) {
  ASSERT_EQ(symlink(target, (dir / name).c_str()), 0);
}

void ExpectFiles(const TempDir& dir,
                 const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& file : files) {
    if (file.second == "-") {
      EXPECT_FALSE(FileExists(dir / file.first)) << file.first;
    } else {
      EXPECT_EQ(ReadText(dir / file.first), file.second) << file.first;
    }
  }
}

TEST(RunFaultsTest, EveryFaultOfTheEnvironmentFailsAndTouchesNothingItShouldNot) {
  const auto none = [](const TempDir&) {};
  const EnvironmentCase cases[] = {
      {"binary on a full device",
       none,
       {"s.kst", "/dev/full", "o.lst"},
       "Error closing binary file\nFailed!\n",
       "kestrip: error: couldn't write '/dev/full': No space left on device\n",
       {}},
      {"binary on a full device, past the first 64 KB",
       [](const TempDir& d) {
         WriteFile(d / "big", Bytes(51200, 7));
         std::string script;
         for (int i = 1; i <= 3; ++i) script += "b" + std::to_string(i) + " compressnone raw big\n";
         WriteFile(d / "s.kst", script);
       },
       {"s.kst", "/dev/full", "o.lst"},
       "Error writing binary data\nError outputting data\nFailed!\n",
       "s.kst:2:1: error: item 'b2': Error writing binary data\n",
       {}},
      {"listing on a full device",
       none,
       {"s.kst", "o.bin", "/dev/full"},
       "Error closing listing file\nFailed!\n",
       "kestrip: error: couldn't write '/dev/full': No space left on device\n",
       {}},
      {"script is a directory",
       [](const TempDir& d) { mkdir((d / "dir").c_str(), 0755); },
       {"dir", "o.bin", "o.lst"},
       "Couldn't open 'dir'\nFailed!\n",
       "kestrip: error: couldn't open the script 'dir'\n",
       {{"o.bin", "-"}, {"o.lst", "-"}}},
      {"raw input is a directory",
       [](const TempDir& d) {
         mkdir((d / "dir").c_str(), 0755);
         WriteFile(d / "s.kst", std::string("a compressnone raw dir\n"));
       },
       {"s.kst", "o.bin", "o.lst"},
       "process_raw couldn't open 'dir'\nFailed!\n",
       "s.kst:1:20: error: process_raw couldn't open 'dir'\n",
       {}},
      {"picture is a directory",
       [](const TempDir& d) {
         mkdir((d / "pic.bmp").c_str(), 0755);
         WriteFile(d / "s.kst", std::string("p compressnone greyscale \"pic.bmp\"\n"));
       },
       {"--quiet", "s.kst", "o.bin", "o.lst"},
       " Couldn't open/read BMP file\nprocess_greyscale couldn't open 'pic.bmp'\nFailed!\n",
       "s.kst:1:26: error: process_greyscale couldn't open 'pic.bmp': Couldn't open/read BMP "
       "file\n",
       {}},
      {"a frame after the first is a directory",
       [](const TempDir& d) {
         WriteBmp(d / "w001.bmp", ImageFromRows({"01234567"}, {}, GreyPalette()));
         mkdir((d / "w002.bmp").c_str(), 0755);
         WriteBmp(d / "w003.bmp", ImageFromRows({"01234567"}, {}, GreyPalette()));
         WriteFile(d / "s.kst", std::string("w compressnone lineanim w\n"));
       },
       {"--quiet", "s.kst", "o.bin", "o.lst"},
       " Couldn't open/read BMP file\nprocess_lineanim couldn't load 'w002.bmp'\nFailed!\n",
       "s.kst:1:25: error: 'w': process_lineanim couldn't load 'w002.bmp': Couldn't open/read BMP "
       "file\n",
       {}},
      {"binary is the script",
       none,
       {"s.kst", "s.kst", "o.lst"},
       "Output file 's.kst' is the script 's.kst'\nFailed!\n",
       "kestrip: error: the binary file 's.kst' would overwrite the script 's.kst'; nothing was "
       "written\n",
       {{"s.kst", kScript}, {"o.lst", "-"}}},
      {"listing is the script through a hard link",
       [](const TempDir& d) { Link(d, "s.kst", "hard.lst"); },
       {"s.kst", "o.bin", "hard.lst"},
       "Output file 'hard.lst' is the script 's.kst'\nFailed!\n",
       "kestrip: error: the listing file 'hard.lst' would overwrite the script 's.kst'; nothing "
       "was written\n",
       {{"s.kst", kScript}, {"o.bin", "-"}}},
      {"listing is the script through a symbolic link and another spelling",
       [](const TempDir& d) { Symlink(d, "s.kst", "soft.lst"); },
       {"./s.kst", "o.bin", "soft.lst"},
       "Output file 'soft.lst' is the script './s.kst'\nFailed!\n",
       "kestrip: error: the listing file 'soft.lst' would overwrite the script './s.kst'; nothing "
       "was written\n",
       {{"s.kst", kScript}, {"o.bin", "-"}}},
      {"binary and listing are one new file",
       none,
       {"s.kst", "o.out", "./o.out"},
       "Output files 'o.out' and './o.out' are the same file\nFailed!\n",
       "kestrip: error: the binary file 'o.out' and the listing file './o.out' are one file; "
       "nothing was written\n",
       {{"o.out", "-"}}},
      {"listing is the binary through a symbolic link",
       [](const TempDir& d) {
         WriteFile(d / "o.bin", std::string("old"));
         Symlink(d, "o.bin", "o.lst");
       },
       {"s.kst", "o.bin", "o.lst"},
       "Output files 'o.bin' and 'o.lst' are the same file\nFailed!\n",
       "kestrip: error: the binary file 'o.bin' and the listing file 'o.lst' are one file; "
       "nothing was written\n",
       {{"o.bin", "old"}}},
      {"the listing is a raw input",
       [](const TempDir& d) {
         WriteFile(d / "s.kst", std::string("a compressnone raw \"o.lst\"\n"));
       },
       {"s.kst", "o.bin", "o.lst"},
       "Input file 'o.lst' is the output file 'o.lst'\nprocess_raw couldn't open "
       "'o.lst'\nFailed!\n",
       "s.kst:1:20: error: process_raw couldn't open 'o.lst': Input file 'o.lst' is the output "
       "file 'o.lst'\n",
       {{"o.bin", ""}}},
      {"the binary is a raw input through a hard link",
       [](const TempDir& d) {
         WriteFile(d / "o.bin", std::string("old"));
         Link(d, "o.bin", "same.dat");
         WriteFile(d / "s.kst", std::string("a compressnone raw \"same.dat\"\n"));
       },
       {"s.kst", "o.bin", "o.lst"},
       "Input file 'same.dat' is the output file 'o.bin'\nprocess_raw couldn't open "
       "'same.dat'\nFailed!\n",
       "s.kst:1:20: error: process_raw couldn't open 'same.dat': Input file 'same.dat' is the "
       "output file 'o.bin'\n",
       {}},
      {"--atomic keeps the previous outputs of a failed run",
       [](const TempDir& d) {
         WriteFile(d / "o.bin", std::string("old binary"));
         WriteFile(d / "o.lst", std::string("old listing"));
         WriteFile(d / "s.kst",
                   std::string("a compressnone raw \"hello.txt\"\nb compressnone raw gone\n"));
       },
       {"--atomic", "s.kst", "o.bin", "o.lst"},
       "process_raw couldn't open 'gone'\nFailed!\n",
       "s.kst:2:20: error: process_raw couldn't open 'gone'\n",
       {{"o.bin", "old binary"}, {"o.lst", "old listing"}}},
  };
  for (const EnvironmentCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / "s.kst", std::string(kScript));
    WriteFile(dir / "hello.txt", std::string("hello\n"));
    c.prepare(dir);
    const RunResult run = RunKestrip(dir.path(), c.args);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.errors, c.errors);
    EXPECT_EQ(run.status, 255);
    ExpectFiles(dir, c.files);
  }
}

// Files that exist but can't be read: kestrip runs as an unprivileged user
// (root reads every file), so this needs root to switch to one.
TEST(RunFaultsTest, UnreadableInputsFailTheRun) {
  if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
    GTEST_SKIP() << "needs root and setpriv to run kestrip as the user nobody";
  }
  const struct {
    const char* script;
    const char* unreadable;
    const char* output;
  } cases[] = {
      {"a compressnone raw \"hello.txt\"\n", "hello.txt",
       "process_raw couldn't open 'hello.txt'\nFailed!\n"},
      {"a compressnone raw \"hello.txt\"\n", "s.kst", "Couldn't open 's.kst'\nFailed!\n"},
      {"p compressnone greyscale \"p.bmp\"\n", "p.bmp",
       " Couldn't open/read BMP file\nprocess_greyscale couldn't open 'p.bmp'\nFailed!\n"},
      {"w compressnone lineanim w\n", "w002.bmp",
       " Couldn't open/read BMP file\nprocess_lineanim couldn't load 'w002.bmp'\nFailed!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unreadable);
    TempDir dir;
    chmod(dir.path().c_str(), 0777);
    WriteFile(dir / "s.kst", std::string(c.script));
    WriteFile(dir / "hello.txt", std::string("hello\n"));
    for (const char* picture : {"p.bmp", "w001.bmp", "w002.bmp"}) {
      WriteBmp(dir / picture, ImageFromRows({"01234567"}, {}, GreyPalette()));
    }
    chmod((dir / c.unreadable).c_str(), 0);
    const RunResult run = RunProgram(dir.path(), "/usr/bin/setpriv",
                                     {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                      KESTRIP_BINARY, "--quiet", "s.kst", "o.bin", "o.lst"},
                                     true);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.status, 255);
  }
}

TEST(RunFaultsTest, AtomicOutputsReplaceThePreviousOnesOnlyWhenComplete) {
  TempDir dir;
  WriteFile(dir / "s.kst", std::string(kScript));
  WriteFile(dir / "hello.txt", std::string("hello\n"));
  WriteFile(dir / "o.bin", std::string("old"));
  const RunResult run = RunKestrip(dir.path(), {"--atomic", "s.kst", "o.bin", "o.lst"});
  EXPECT_EQ(run.output, "Done\n");
  EXPECT_EQ(ReadText(dir / "o.bin"), std::string("\0\6\0hello\n", 9));
  EXPECT_EQ(ReadText(dir / "o.lst").substr(0, 42), "; ----------------------------------------");
  // Nothing is left beside them: the temporary files were renamed.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    entries += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(entries, 4);
}

// The options around the three arguments.
TEST(RunFaultsTest, OptionsComeBeforeTheArguments) {
  TempDir dir;
  WriteFile(dir / "s.kst", std::string(kScript));
  WriteFile(dir / "hello.txt", std::string("hello\n"));
  WriteFile(dir / "anim.kst", std::string("w compressnone lineanim w\n"));
  WriteBmp(dir / "w001.bmp", ImageFromRows({"01234567"}, {}, GreyPalette()));
  const struct {
    std::vector<std::string> args;
    int status;
    const char* output;  // its start
    const char* errors;
  } cases[] = {
      {{"--version"}, 0, "kestrip 1.", ""},
      {{"--help"}, 0, "usage: kestrip [OPTION]... SCRIPT BINARY LISTING\n", ""},
      {{"--bogus", "s.kst", "o.bin", "o.lst"},
       255,
       "Failed!\n",
       "kestrip: error: unknown option '--bogus' (see kestrip --help)\n"},
      {{"--deps"}, 255, "Failed!\n", "kestrip: error: --deps needs a value (see kestrip --help)\n"},
      {{"--symbols", "fancy", "s.kst", "o.bin", "o.lst"},
       255,
       "Failed!\n",
       "kestrip: error: --symbols takes equ, colon, assign or global, not 'fancy' (see kestrip "
       "--help)\n"},
      {{"--quiet", "s.kst", "o.bin"},
       255,
       "Incorrecnt number of arguments\nFailed!\n",
       "kestrip: error: expected SCRIPT BINARY LISTING after the options, found 2 arguments (see "
       "kestrip --help)\n"},
      // Options stop at the first argument, or at "--".
      {{"s.kst", "--quiet", "o.bin", "o.lst"},
       255,
       "Incorrecnt number of arguments\nFailed!\n",
       "kestrip: error: expected SCRIPT BINARY LISTING after the options, found 4 arguments (see "
       "kestrip --help)\n"},
      {{"--quiet", "--", "s.kst", "o.bin", "o.lst"}, 0, "Done\n", ""},
      // The frame after an animation's last is looked for, and not there: no fault.
      {{"--quiet", "anim.kst", "o.bin", "o.lst"}, 0, "Done\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    const RunResult run = RunKestrip(dir.path(), c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, strlen(c.output)), c.output);
    EXPECT_EQ(run.errors, c.errors);
  }
  // --help names every data type and compression word.
  const std::string help = RunKestrip(dir.path(), {"--help"}).output;
  for (const char* word : {"greyscale", "colourtile", "compresslz", "--atomic", "--manifest"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

}  // namespace
