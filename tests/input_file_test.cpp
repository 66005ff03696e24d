// Reading input files whole: every length against every limit, files with
// no length to trust (a pipe, read in growing steps), and the run's record
// of what it read.
#include "io/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <string>
#include <thread>

#include "io/run_files.h"
#include "test_support.h"

namespace {

Bytes Numbered(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

Bytes Held(const InputBytes& bytes) {
  return Bytes(bytes.data.get(), bytes.data.get() + bytes.size);
}

}  // namespace

TEST(InputFileTest, ReadsAFileWholeOrItsFirstLimitBytes) {
  struct Case {
    size_t size, limit;
    InputStatus status;
    size_t held;
  };
  const Case cases[] = {
      {0, 100, InputStatus::kRead, 0},
      {1, 100, InputStatus::kRead, 1},
      {100, 100, InputStatus::kRead, 100},
      {101, 100, InputStatus::kTooLarge, 100},
      {70000, 1 << 20, InputStatus::kRead, 70000},
      {70000, 65536, InputStatus::kTooLarge, 65536},
      {5, 0, InputStatus::kTooLarge, 0},
  };
  TempDir dir;
  for (const Case& test : cases) {
    const Bytes contents = Numbered(test.size);
    WriteFile(dir / "input.bin", contents);
    InputBytes read;
    EXPECT_EQ(ReadInputFile((dir / "input.bin").c_str(), test.limit, read), test.status)
        << test.size << " bytes, limit " << test.limit;
    EXPECT_EQ(Held(read), Bytes(contents.begin(), contents.begin() + test.held)) << test.size;
    std::vector<uint8_t> copied;
    EXPECT_EQ(ReadInputFile((dir / "input.bin").c_str(), test.limit, copied), test.status);
    EXPECT_EQ(copied, Held(read));
  }
  InputBytes read;
  EXPECT_EQ(ReadInputFile((dir / "missing.bin").c_str(), 100, read), InputStatus::kMissing);
  EXPECT_EQ(ReadInputFile(dir.path().c_str(), 100, read), InputStatus::kCannotOpen);
  EXPECT_EQ(read.size, 0u);
}

TEST(InputFileTest, APipeIsReadInStepsUpToTheLimit) {
  // 300 KB through a named pipe: no length to trust, so the buffer grows.
  TempDir dir;
  const std::string path = dir / "pipe";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const Bytes contents = Numbered(300000);
  // A reader that stops at the limit leaves the writer a closed pipe.
  const auto previous = signal(SIGPIPE, SIG_IGN);
  for (size_t limit : {size_t{1} << 20, size_t{200000}}) {
    std::thread writer([&] {
      FILE* file = fopen(path.c_str(), "wb");
      if (!file) return;
      fwrite(contents.data(), 1, contents.size(), file);
      fclose(file);
    });
    InputBytes read;
    const InputStatus status = ReadInputFile(path.c_str(), limit, read);
    writer.join();
    const size_t held = limit < contents.size() ? limit : contents.size();
    EXPECT_EQ(status, limit < contents.size() ? InputStatus::kTooLarge : InputStatus::kRead);
    EXPECT_EQ(Held(read), Bytes(contents.begin(), contents.begin() + held)) << "limit " << limit;
  }
  signal(SIGPIPE, previous);
}

TEST(InputFileTest, ARunKeepsTheListOfItsInputsOnlyWhenAskedTo) {
  TempDir dir;
  WriteFile(dir / "a.bin", std::string("a"));
  WriteFile(dir / "b.bin", std::string("b"));
  for (bool keep : {true, false}) {
    cRunFiles run(keep);
    const cRunFiles::Scope scope(run);
    InputBytes read;
    for (const char* name : {"a.bin", "b.bin", "a.bin"})
      ASSERT_EQ(ReadInputFile((dir / name).c_str(), 10, read), InputStatus::kRead);
    EXPECT_EQ(run.TakeItemInputs(),
              (std::vector<std::string>{dir / "a.bin", dir / "b.bin", dir / "a.bin"}));
    const std::vector<std::string> kept = {dir / "a.bin", dir / "b.bin"};
    EXPECT_EQ(run.Inputs(), keep ? kept : std::vector<std::string>());
  }
}
