#include "writers/bin_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

// Runs `Output` into temporary files and returns what reached them.
struct Written {
  bool result;
  std::string binary;
  std::string listing;
};

std::string Contents(FILE* file) {
  const std::string text = ReadAll(file);
  fclose(file);
  return text;
}

Written CallOutput(cBinWriter& writer) {
  FILE* binary = tmpfile();
  TempListing listing;
  const bool result = writer.Output("tag", binary, listing);
  const std::string binaryText = Contents(binary);
  return {result, binaryText, listing.Text()};
}

TEST(BinWriterTest, EmptyItemWritesNothingButItsLines) {
  cBinWriter writer;
  writer.Init();
  ASSERT_TRUE(writer.Prepare());
  EXPECT_EQ(writer.GetOutputSize(), 0);
  const Written written = CallOutput(writer);
  EXPECT_TRUE(written.result);
  EXPECT_EQ(written.binary, "");
  EXPECT_EQ(written.listing, "; 0 bytes written\n; no compression used\n");
}

TEST(BinWriterTest, SizesBeforeAndAfterPrepare) {
  cBinWriter writer;
  writer.Init();
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writer.AddByte(static_cast<uint8_t>(i)));
  EXPECT_EQ(writer.GetSize(), 300);
  testing::internal::CaptureStdout();
  EXPECT_EQ(writer.GetOutputSize(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writer hadn't been prepared for output!\n");
  ASSERT_TRUE(writer.Prepare());
  EXPECT_EQ(writer.GetSize(), 300);
  EXPECT_EQ(writer.GetOutputSize(), 300);
  EXPECT_EQ(writer.GetType(), 0);
}

TEST(BinWriterTest, OutputBeforePrepareFails) {
  cBinWriter writer;
  writer.Init();
  writer.AddByte(1);
  testing::internal::CaptureStdout();
  const Written written = CallOutput(writer);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writer hadn't been prepared for output!\n");
  EXPECT_FALSE(written.result);
  EXPECT_EQ(written.binary, "");
  EXPECT_EQ(written.listing, "");
}

TEST(BinWriterTest, SecondPrepareFailsButOutputStillWorks) {
  cBinWriter writer;
  writer.Init();
  const uint8_t bytes[] = {'a', 'b', 'c'};
  ASSERT_TRUE(writer.AddBytes(bytes, 3));
  ASSERT_TRUE(writer.AddBytes(bytes, 0));
  ASSERT_TRUE(writer.Prepare());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer data has already been prepared for output!\n");
  const Written written = CallOutput(writer);
  EXPECT_TRUE(written.result);
  EXPECT_EQ(written.binary, "abc");
  EXPECT_EQ(written.listing, "; 3 bytes written\n; no compression used\n");
}

TEST(BinWriterTest, FullBufferRefusesBytesAndPrepareReportsIt) {
  cBinWriter writer;
  writer.Init();
  const Bytes full(cBinWriter::kCapacity, 0x5A);
  ASSERT_TRUE(writer.AddBytes(full.data(), static_cast<int>(full.size())));
  EXPECT_EQ(writer.GetSize(), 51200);
  EXPECT_FALSE(writer.AddByte(1));
  const uint8_t more[] = {1, 2};
  EXPECT_FALSE(writer.AddBytes(more, 2));
  EXPECT_EQ(writer.GetSize(), 51200);

  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Item data is larger than the 51200 bytes an item can hold\n");
}

TEST(BinWriterTest, PrepareChecksAlreadyPreparedBeforeOverflow) {
  cBinWriter writer;
  writer.Init();
  ASSERT_TRUE(writer.Prepare());
  const Bytes full(cBinWriter::kCapacity + 1, 0);
  writer.AddBytes(full.data(), static_cast<int>(full.size()));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer data has already been prepared for output!\n");
}

TEST(BinWriterTest, ShortWriteFailsWithoutListingLines) {
  cBinWriter writer;
  writer.Init();
  writer.AddByte(7);
  ASSERT_TRUE(writer.Prepare());
  FILE* readOnly = fopen("/dev/null", "rb");  // every write to it fails
  TempListing listing;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer.Output("tag", readOnly, listing));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error writing binary data\n");
  EXPECT_EQ(listing.Text(), "");
  fclose(readOnly);
}

}  // namespace
