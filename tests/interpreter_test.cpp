// The script interpreter, run in-process over scripts held in memory.
#include "driver/interpreter.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

// A folder with raw files of known sizes, named by the tests with quoted
// absolute paths.
class InterpreterTest : public testing::Test {
 protected:
  void SetUp() override {
    for (int size : {0, 1, 5, 10, 11, 51200, 51201}) {
      Bytes bytes(static_cast<size_t>(size));
      for (int i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
      WriteFile(RawPath(size), bytes);
    }
  }
  std::string RawPath(int size) const { return dir_ / ("raw" + std::to_string(size)); }
  // An item line for a raw file of `size` bytes.
  std::string Raw(const std::string& tag, int size, const char* compression = "compressnone") {
    return tag + " " + compression + " raw \"" + RawPath(size) + "\"\n";
  }
  std::string RawBlock(const std::string& tag, int size, int address) {
    return "; Data type: raw\n; Input file: " + RawPath(size) + "\n" + tag + "_address equ " +
           std::to_string(address) + "\n" + tag + "_length equ " + std::to_string(size) + "\n; " +
           std::to_string(size) + " bytes written\n; no compression used\n";
  }

  TempDir dir_;
};

TEST_F(InterpreterTest, EmptyScriptWritesTotalsOnly) {
  for (const char* script : {"", "# only a comment\n", "\n\n  \t\r\n"}) {
    const InProcessRun run = RunScriptText(script);
    EXPECT_TRUE(run.result);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.listing, Totals(0));
    EXPECT_TRUE(run.binary.empty());
  }
}

TEST_F(InterpreterTest, HeadersOnAdvanceTheAddressAndNumberTheItems) {
  const InProcessRun run =
      RunScriptText("org 100\n" + Raw("first", 10) + Raw("second", 5) + "headers off\n" +
                    Raw("third", 1) + "headers on\n" + Raw("fourth", 0));
  ASSERT_TRUE(run.result) << run.output;
  // ids continue from earlier tests in this process: read the first one
  const size_t at = run.listing.find("first_id equ ");
  ASSERT_NE(at, std::string::npos);
  const int id = std::stoi(run.listing.substr(at + 13));
  const std::string expected =
      "; Base address set to: 100\n\n\n" + RawBlock("first", 10, 103) + "; Header: 0,10\nfirst_id equ " +
      std::to_string(id) + "\n\n\n" + RawBlock("second", 5, 116) + "; Header: 0,5\nsecond_id equ " +
      std::to_string(id + 1) + "\n\n\n" + "; Output headers set to off\n\n\n" +
      RawBlock("third", 1, 121) + "\n\n" + "; Output headers set to on\n\n\n" +
      RawBlock("fourth", 0, 125) + "; Header: 0,0\nfourth_id equ " + std::to_string(id + 2) +
      "\n\n\n" + Totals(16);
  EXPECT_EQ(run.listing, expected);

  const Bytes file10 = ReadBytes(RawPath(10));
  const Bytes file5 = ReadBytes(RawPath(5));
  const Bytes file1 = ReadBytes(RawPath(1));
  EXPECT_EQ(run.binary, Concat({{0, 10, 0}, file10, {0, 5, 0}, file5, file1, {0, 0, 0}}));
}

TEST_F(InterpreterTest, OrgRules) {
  // the second org replaces the first
  InProcessRun run = RunScriptText("org 100 org 200 headers off " + Raw("a", 1));
  ASSERT_TRUE(run.result);
  EXPECT_NE(run.listing.find("a_address equ 200\n"), std::string::npos);
  // org after an item of 0 bytes is accepted, after 1 byte it is not
  run = RunScriptText(Raw("a", 0) + "org 5 " + Raw("b", 1));
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_NE(run.listing.find("b_address equ 8\n"), std::string::npos);
  run = RunScriptText(Raw("a", 1) + "org 5");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Org command cannot be used after bytes have been output\n");
}

TEST_F(InterpreterTest, LimitIsComparedWithTheByteTotalWithoutHeaders) {
  InProcessRun run = RunScriptText("limit 10 " + Raw("a", 5) + Raw("b", 5));
  EXPECT_TRUE(run.result);
  EXPECT_EQ(run.output, "");
  EXPECT_NE(run.listing.find("; Total bytes written: 10\n;\n; Byte limit: 10\n; Bytes free: 0\n"),
            std::string::npos);

  run = RunScriptText(Raw("a", 11) + "limit 10");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Data is 1 bytes over the set limit of 10 bytes!\n");
  EXPECT_NE(run.listing.find("; Total bytes written: 11\n;\n; Byte limit: 10\n; Bytes free: -1\n"
                             "; ----------------------------------------\n"),
            std::string::npos);

  run = RunScriptText("limit 10 limit 10");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Limit command cannot be used more than once\n");
}

TEST_F(InterpreterTest, KeywordsInAnyCaseAndQuoted) {
  const InProcessRun run =
      RunScriptText("ORG 7 \"headers\" OfF \"Limit\" 100 Tag CompressNone \"RAW\" \"" + RawPath(1) + "\"");
  ASSERT_TRUE(run.result) << run.output;
  EXPECT_NE(run.listing.find("; Base address set to: 7\n"), std::string::npos);
  EXPECT_NE(run.listing.find("; Output headers set to off\n"), std::string::npos);
  EXPECT_NE(run.listing.find("Tag_address equ 7\n"), std::string::npos);
}

TEST_F(InterpreterTest, TagLengthLimit) {
  const std::string tag32(32, 't');
  InProcessRun run = RunScriptText("headers off " + Raw(tag32, 1));
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_NE(run.listing.find(tag32 + "_length equ 1\n"), std::string::npos);
  // 33 characters fail before the compression word is read
  run = RunScriptText(std::string(33, 't') + " 42");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Tag length must be <= 32 characters\n");
}

// Every fault ends the run with its message and nothing after it.
TEST_F(InterpreterTest, FailureMessages) {
  const struct {
    std::string script;
    std::string output;
  } cases[] = {
      {"1", "Unexpected token found\n"},
      {".", "Unexpected token found\n"},
      {"org", "Org command expects address\n"},
      {"org x", "Org command expects address\n"},
      {"limit", "Limit command expects address\n"},
      {"limit \"5\"", "Limit command expects address\n"},
      {"headers", "Headers command expects on or off\n"},
      {"headers 1", "Headers command expects on or off\n"},
      {"headers maybe", "Headers command expects on or off\n"},
      {"tag", "Expecting compression type\n"},
      {"tag 5", "Expecting compression type\n"},
      {"tag squash raw x", "Expecting compress type\n"},
      {"tag compressnone", "Unexpected token found\n"},
      {"tag compressnone 3", "Unexpected token found\n"},
      {"tag compressnone jpeg x", "Expecting data type\n"},
      {"tag compressnone raw", "process_raw expected filename\n"},
      {"tag compressnone raw 12", "process_raw expected filename\n"},
      {"tag compressnone raw \"/nonexistent/file\"",
       "process_raw couldn't open '/nonexistent/file'\n"},
  };
  for (const auto& c : cases) {
    const InProcessRun run = RunScriptText(c.script);
    EXPECT_FALSE(run.result) << c.script;
    EXPECT_EQ(run.output, c.output) << c.script;
    EXPECT_EQ(run.listing.find("Total bytes written"), std::string::npos) << c.script;
  }
}

TEST_F(InterpreterTest, FailureInThirdItemKeepsTheFirstTwo) {
  const InProcessRun run =
      RunScriptText("headers off " + Raw("a", 5) + Raw("b", 1) + "c compressnone raw \"/nonexistent\"" +
                    Raw("d", 10));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.binary, Concat({ReadBytes(RawPath(5)), ReadBytes(RawPath(1))}));
  EXPECT_EQ(run.listing, "; Output headers set to off\n\n\n" + RawBlock("a", 5, 0) + "\n\n" +
                             RawBlock("b", 1, 5) + "\n\n");
}

TEST_F(InterpreterTest, ItemCapacity) {
  InProcessRun run = RunScriptText("headers off " + Raw("full", 51200));
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.binary, ReadBytes(RawPath(51200)));

  run = RunScriptText(Raw("over", 51201));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output,
            "Item data is larger than the 51200 bytes an item can hold\n"
            "Error preparing outputting data\n");
  EXPECT_TRUE(run.binary.empty());
}

TEST_F(InterpreterTest, AddressLeavingThe32BitRangeFails) {
  // the header bytes would pass the largest address
  InProcessRun run = RunScriptText("org 2147483645 " + Raw("a", 0));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Address out of range\n");
  EXPECT_TRUE(run.binary.empty());

  run = RunScriptText("org 2147483642 " + Raw("a", 1) + Raw("b", 1));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Address out of range\n");

  // exactly reaching the largest address is fine
  run = RunScriptText("org 2147483639 " + Raw("a", 5));
  EXPECT_TRUE(run.result) << run.output;

  // saturated numbers are still numbers
  run = RunScriptText("org -99999999999 headers off " + Raw("a", 1));
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_NE(run.listing.find("; Base address set to: -2147483648\n"), std::string::npos);
}

TEST_F(InterpreterTest, LimitDifferencesBeyond32Bits) {
  const InProcessRun run = RunScriptText("limit -2147483648 " + Raw("a", 10));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output, "Data is 2147483658 bytes over the set limit of -2147483648 bytes!\n");
  EXPECT_NE(run.listing.find("; Bytes free: -2147483658\n"), std::string::npos);
}

}  // namespace
