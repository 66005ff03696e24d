// The program entry, end to end through the real binary.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(EntryTest, ArgumentCount) {
  TempDir dir;
  WriteFile(dir / "s.kst", "");
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"s.kst"}, {"s.kst", "o.bin"}, {"s.kst", "o.bin", "o.lst", "extra"}};
  for (const auto& args : wrong) {
    const RunResult run = RunKestrip(dir.path(), args);
    EXPECT_EQ(run.output, "Incorrecnt number of arguments\nFailed!\n");
    EXPECT_EQ(run.status, 255);
    EXPECT_FALSE(FileExists(dir / "o.bin"));
    EXPECT_FALSE(FileExists(dir / "o.lst"));
  }
}

TEST(EntryTest, OpeningFailuresAndWhatIsLeftBehind) {
  TempDir dir;
  WriteFile(dir / "s.kst", "");

  RunResult run = RunKestrip(dir.path(), {"missing.kst", "o.bin", "o.lst"});
  EXPECT_EQ(run.output, "Couldn't open 'missing.kst'\nFailed!\n");
  EXPECT_EQ(run.status, 255);
  EXPECT_FALSE(FileExists(dir / "o.bin"));
  EXPECT_FALSE(FileExists(dir / "o.lst"));

  run = RunKestrip(dir.path(), {"s.kst", "no/such/dir/o.bin", "o.lst"});
  EXPECT_EQ(run.output, "Couldn't open 'no/such/dir/o.bin'\nFailed!\n");
  EXPECT_FALSE(FileExists(dir / "o.lst"));

  run = RunKestrip(dir.path(), {"s.kst", "o.bin", "no/such/dir/o.lst"});
  EXPECT_EQ(run.output, "Couldn't open 'no/such/dir/o.lst'\nFailed!\n");
  EXPECT_EQ(run.status, 255);
  ASSERT_TRUE(FileExists(dir / "o.bin"));
  EXPECT_TRUE(ReadBytes(dir / "o.bin").empty());
}

TEST(EntryTest, EmptyScriptAndBannerPathAsTyped) {
  TempDir dir;
  WriteFile(dir / "s.kst", "# nothing yet\n");
  for (const std::string& path : {std::string("s.kst"), std::string("./s.kst"), dir / "s.kst"}) {
    const RunResult run = RunKestrip(dir.path(), {path, "o.bin", "o.lst"});
    EXPECT_EQ(run.output, "Done\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadText(dir / "o.lst"), Banner(path) + Totals(0));
    EXPECT_TRUE(ReadBytes(dir / "o.bin").empty());
  }
}

TEST(EntryTest, RawItemsEndToEnd) {
  TempDir dir;
  Bytes everyByte;
  for (int i = 0; i < 256; ++i) everyByte.push_back(static_cast<uint8_t>(i));
  WriteFile(dir / "all.bin", everyByte);
  WriteFile(dir / "crlf", std::string("a\r\nb\n"));
  const ScriptRun result = RunScriptFile(dir,
                                         "org 32768\r\n"
                                         "every compressnone raw \"all.bin\"\r\n"
                                         "headers off\r\n"
                                         "lines compressnone raw crlf # a bare word names the file\r\n");
  EXPECT_EQ(result.run.output, "Done\n");
  EXPECT_EQ(result.run.status, 0);
  EXPECT_EQ(result.binary, Concat({{0, 0, 1}, everyByte, {'a', '\r', '\n', 'b', '\n'}}));
  const size_t idAt = result.listing.find("every_id equ ");
  ASSERT_NE(idAt, std::string::npos);
  EXPECT_EQ(result.listing, Banner("script.kst") +
                                "; Base address set to: 32768\n\n\n"
                                "; Data type: raw\n; Input file: all.bin\n"
                                "every_address equ 32771\nevery_length equ 256\n"
                                "; 256 bytes written\n; no compression used\n"
                                "; Header: 0,256\nevery_id equ 0\n\n\n"
                                "; Output headers set to off\n\n\n"
                                "; Data type: raw\n; Input file: crlf\n"
                                "lines_address equ 33027\nlines_length equ 5\n"
                                "; 5 bytes written\n; no compression used\n\n\n" +
                                Totals(261));
}

TEST(EntryTest, FailedRunKeepsWhatWasWritten) {
  TempDir dir;
  WriteFile(dir / "a", std::string("xyz"));
  const ScriptRun result = RunScriptFile(dir, "a compressnone raw a\nb compressnone raw missing\n");
  EXPECT_EQ(result.run.output, "process_raw couldn't open 'missing'\nFailed!\n");
  EXPECT_EQ(result.run.status, 255);
  EXPECT_EQ(result.binary, (Bytes{0, 3, 0, 'x', 'y', 'z'}));
  EXPECT_EQ(result.listing.find("Total bytes written"), std::string::npos);
  // The first item's lines, though the listing is written in blocks.
  EXPECT_EQ(result.listing, Banner("script.kst") +
                                "; Data type: raw\n; Input file: a\na_address equ 3\n"
                                "a_length equ 3\n; 3 bytes written\n; no compression used\n"
                                "; Header: 0,3\na_id equ 0\n\n\n");
}

// Outputs are written over the previous ones, not emptied first: nothing of
// a longer previous output may outlast a run that succeeds or fails, nor
// may a shorter one cut what this run writes.
TEST(EntryTest, PreviousOutputsLeaveNothingBehind) {
  const std::string scripts[] = {
      "a compressnone raw a\n",                               // succeeds
      "a compressnone raw a\nb compressnone raw missing\n",  // fails after item a
  };
  for (const std::string& script : scripts) {
    TempDir fresh;
    WriteFile(fresh / "a", std::string("xyz"));
    const ScriptRun expected = RunScriptFile(fresh, script);
    for (const size_t previous : {size_t{1}, size_t{70000}}) {
      SCOPED_TRACE(script + " over outputs of " + std::to_string(previous) + " bytes");
      TempDir dir;
      WriteFile(dir / "a", std::string("xyz"));
      WriteFile(dir / "out.bin", std::string(previous, 'Q'));
      WriteFile(dir / "out.lst", std::string(previous, 'Q'));
      const ScriptRun result = RunScriptFile(dir, script);
      EXPECT_EQ(result.run.output, expected.run.output);
      EXPECT_EQ(result.binary, expected.binary);
      EXPECT_EQ(result.listing, expected.listing);
    }
  }
}

TEST(EntryTest, LimitExceededFailsAfterWritingEverything) {
  TempDir dir;
  WriteFile(dir / "a", std::string(11, 'q'));
  const ScriptRun result = RunScriptFile(dir, "limit 10 a compressnone raw a");
  EXPECT_EQ(result.run.output, "Data is 1 bytes over the set limit of 10 bytes!\nFailed!\n");
  EXPECT_EQ(result.run.status, 255);
  EXPECT_EQ(result.binary.size(), 14u);
}

}  // namespace
