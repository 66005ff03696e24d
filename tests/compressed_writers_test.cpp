// The byte and word compressing writers: the worked examples byte for
// byte, the listing lines, the failures and their order, round trips through
// the decoders, and compressed items run through scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "writers/bin_writer.h"
#include "writers/compressed_byte.h"
#include "writers/compressed_word.h"
#include "writers/decoders.h"
#include "writers/run_length.h"

namespace {

Bytes Seq(int first, int count) {
  Bytes bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(first + i));
  return bytes;
}

Bytes Words(std::initializer_list<std::pair<uint16_t, int>> runs) {
  Bytes bytes;
  for (const auto& [word, count] : runs) {
    for (int i = 0; i < count; ++i) {
      bytes.push_back(static_cast<uint8_t>(word & 0xFF));
      bytes.push_back(static_cast<uint8_t>(word >> 8));
    }
  }
  return bytes;
}

enum class Kind { kByte, kWord };

std::unique_ptr<cBinWriter> MakeWriter(Kind kind) {
  std::unique_ptr<cBinWriter> writer;
  if (kind == Kind::kByte)
    writer = std::make_unique<cBinWriter_CompressedByte>();
  else
    writer = std::make_unique<cBinWriter_CompressedWord>();
  writer->Init();
  return writer;
}

// One item through a writer, as the interpreter drives it.
struct WriterRun {
  bool prepared = false;
  bool output = false;
  int outputSize = -1;
  int size = -1;
  Bytes stream;         // what Output wrote to the binary file
  std::string listing;  // the writer's listing lines
  std::string stdout_;  // messages
};

WriterRun RunWriter(Kind kind, const Bytes& item, const char* tag = "demo") {
  WriterRun run;
  std::unique_ptr<cBinWriter> writer = MakeWriter(kind);
  EXPECT_TRUE(writer->AddBytes(item.data(), static_cast<int>(item.size())));
  FILE* binary = tmpfile();
  TempListing listing;
  testing::internal::CaptureStdout();
  run.prepared = writer->Prepare();
  if (run.prepared) {
    run.outputSize = writer->GetOutputSize();
    run.output = writer->Output(tag, binary, listing);
  }
  run.size = writer->GetSize();
  fflush(stdout);
  run.stdout_ = testing::internal::GetCapturedStdout();
  const std::string bytes = ReadAll(binary);
  run.stream.assign(bytes.begin(), bytes.end());
  run.listing = listing.Text();
  fclose(binary);
  return run;
}

Bytes Compress(Kind kind, const Bytes& item) {
  const WriterRun run = RunWriter(kind, item);
  EXPECT_TRUE(run.prepared && run.output) << run.stdout_;
  EXPECT_EQ(run.stdout_, "");
  EXPECT_EQ(run.outputSize, static_cast<int>(run.stream.size()));
  return run.stream;
}

std::string Lines(const char* method, int compressed, int size, const char* percent,
                  const char* tag = "demo") {
  char text[512];
  snprintf(text, sizeof text,
           "%s_compressed_size equ %d\n; %d bytes written\n"
           "; %s compression used saving %d bytes\n; data now at %s%% original size\n",
           tag, compressed, compressed, method, size - compressed, percent);
  return text;
}

// ---------------------------------------------------------------------------
// Byte compression: worked examples.

struct Example {
  const char* name;
  Bytes item;
  Bytes stream;
};

void PrintTo(const Example& example, std::ostream* out) { *out << example.name; }

std::vector<Example> ByteExamples() {
  const uint8_t v = 0x07;
  return {
      {"ten_41_then_3", Concat({Repeat(0x41, 10), {0x42, 0x43, 0x44}}),
       {0x8A, 0x41, 0x03, 0x42, 0x43, 0x44, 0x00}},
      {"runs_of_1_2_3_1", {0x01, 0x02, 0x02, 0x03, 0x03, 0x03, 0x04},
       {0x03, 0x01, 0x02, 0x02, 0x83, 0x03, 0x01, 0x04, 0x00}},
      {"run_200", Repeat(v, 200), {0xFE, v, 0xCA, v, 0x00}},
      {"run_127", Repeat(v, 127), {0xFE, v, 0x01, v, 0x00}},
      {"literals_130", Seq(0x00, 130),
       Concat({{0x7E}, Seq(0x00, 126), {0x04, 0x7E, 0x7F, 0x80, 0x81, 0x00}})},
      {"one_byte", {0x01}, {0x01, 0x01, 0x00}},
      {"two_equal", {0x01, 0x01}, {0x02, 0x01, 0x01, 0x00}},
      {"three_equal", {0x01, 0x01, 0x01}, {0x83, 0x01, 0x00}},
      {"empty", {}, {0x00}},
      // Run boundaries.
      {"run_126", Repeat(v, 126), {0xFE, v, 0x00}},
      {"run_128", Repeat(v, 128), {0xFE, v, 0x02, v, v, 0x00}},
      {"run_129", Repeat(v, 129), {0xFE, v, 0x83, v, 0x00}},
      {"run_252", Repeat(v, 252), {0xFE, v, 0xFE, v, 0x00}},
      {"run_253", Repeat(v, 253), {0xFE, v, 0xFE, v, 0x01, v, 0x00}},
      {"run_254", Repeat(v, 254), {0xFE, v, 0xFE, v, 0x02, v, v, 0x00}},
      {"run_255", Repeat(v, 255), {0xFE, v, 0xFE, v, 0x83, v, 0x00}},
      // The 126-literal cut.
      {"literals_126", Seq(0, 126), Concat({{0x7E}, Seq(0, 126), {0x00}})},
      {"literals_127", Seq(0, 127), Concat({{0x7E}, Seq(0, 126), {0x01, 0x7E, 0x00}})},
      {"literals_126_then_run", Concat({Seq(0, 126), Repeat(0xEE, 3)}),
       Concat({{0x7E}, Seq(0, 126), {0x83, 0xEE, 0x00}})},
      {"literals_126_then_pair", Concat({Seq(0, 126), Repeat(0xEE, 2)}),
       Concat({{0x7E}, Seq(0, 126), {0x02, 0xEE, 0xEE, 0x00}})},
      {"literals_125_then_run", Concat({Seq(0, 125), Repeat(0xEE, 4)}),
       Concat({{0x7D}, Seq(0, 125), {0x84, 0xEE, 0x00}})},
      // The cut happens at the byte after the 126th, even when that byte and
      // the one before it are equal: a pair never becomes a run.
      {"cut_inside_a_pair", Concat({Seq(0, 125), {0xC0, 0xC0}, {0x01}}),
       Concat({{0x7E}, Seq(0, 125), {0xC0}, {0x02, 0xC0, 0x01, 0x00}})},
      {"run_ends_item", Concat({{0x01, 0x02}, Repeat(0x09, 5)}),
       {0x02, 0x01, 0x02, 0x85, 0x09, 0x00}},
      {"negative_saving", Seq(0x30, 13), Concat({{0x0D}, Seq(0x30, 13), {0x00}})},
  };
}

class ByteExampleTest : public testing::TestWithParam<Example> {};

TEST_P(ByteExampleTest, StreamIsExact) {
  const Example& example = GetParam();
  EXPECT_EQ(Compress(Kind::kByte, example.item), example.stream);
  Bytes decoded;
  ASSERT_TRUE(DecodeByteStream(example.stream.data(), example.stream.size(), decoded));
  EXPECT_EQ(decoded, example.item);
}

INSTANTIATE_TEST_SUITE_P(Part42, ByteExampleTest, testing::ValuesIn(ByteExamples()),
                         [](const testing::TestParamInfo<Example>& info) {
                           return std::string(info.param.name);
                         });

TEST(CompressedByteWriter, DemoListingLines) {
  const WriterRun run = RunWriter(Kind::kByte, Concat({Repeat(0x41, 10), {0x42, 0x43, 0x44}}));
  EXPECT_TRUE(run.output);
  EXPECT_EQ(run.listing,
            "demo_compressed_size equ 7\n"
            "; 7 bytes written\n"
            "; byte compression used saving 6 bytes\n"
            "; data now at 53.8% original size\n");
}

TEST(CompressedByteWriter, NegativeSaving) {
  const WriterRun run = RunWriter(Kind::kByte, Seq(0x30, 13));
  EXPECT_EQ(run.stream.size(), 15u);
  EXPECT_EQ(run.listing, Lines("byte", 15, 13, "115.4"));
  EXPECT_NE(run.listing.find("saving -2 bytes"), std::string::npos);
}

TEST(CompressedByteWriter, EmptyItemPercentageIsInf) {
  const WriterRun run = RunWriter(Kind::kByte, {}, "e");
  EXPECT_TRUE(run.output);
  EXPECT_EQ(run.stream, Bytes({0x00}));
  EXPECT_EQ(run.outputSize, 1);
  EXPECT_EQ(run.listing,
            "e_compressed_size equ 1\n"
            "; 1 bytes written\n"
            "; byte compression used saving -1 bytes\n"
            "; data now at inf% original size\n");
}

// ---------------------------------------------------------------------------
// Word compression: worked examples.

std::vector<Example> WordExamples() {
  return {
      {"five_words_then_2", {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x01,
                             0x00, 0x02, 0x00},
       {0x85, 0x34, 0x12, 0x02, 0x01, 0x00, 0x02, 0x00, 0x00}},
      {"two_equal_words", {0xAA, 0xBB, 0xAA, 0xBB}, {0x02, 0xAA, 0xBB, 0xAA, 0xBB, 0x00}},
      {"zero_words_200", Repeat(0x00, 400), {0xFE, 0x00, 0x00, 0xCA, 0x00, 0x00, 0x00}},
      {"two_words", {0x11, 0x22, 0x33, 0x44}, {0x02, 0x11, 0x22, 0x33, 0x44, 0x00}},
      {"three_zero_words", Repeat(0x00, 6), {0x83, 0x00, 0x00, 0x00}},
      {"zero_bytes_off_word_boundary", {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02},
       {0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}},
      {"one_word", {0xAB, 0xCD}, {0x01, 0xAB, 0xCD, 0x00}},
      {"empty", {}, {0x00}},
      {"words_252", Words({{0x3412, 252}}), {0xFE, 0x12, 0x34, 0xFE, 0x12, 0x34, 0x00}},
      {"words_126", Words({{0x3412, 126}}), {0xFE, 0x12, 0x34, 0x00}},
      {"words_127", Words({{0x3412, 127}}), {0xFE, 0x12, 0x34, 0x01, 0x12, 0x34, 0x00}},
      {"words_253", Words({{0x3412, 253}}),
       {0xFE, 0x12, 0x34, 0xFE, 0x12, 0x34, 0x01, 0x12, 0x34, 0x00}},
      {"words_254", Words({{0x3412, 254}}),
       {0xFE, 0x12, 0x34, 0xFE, 0x12, 0x34, 0x02, 0x12, 0x34, 0x12, 0x34, 0x00}},
      {"words_255", Words({{0x3412, 255}}),
       {0xFE, 0x12, 0x34, 0xFE, 0x12, 0x34, 0x83, 0x12, 0x34, 0x00}},
      // Bytes alternate, so the words are all equal.
      {"alternating_bytes", Concat({Seq(0xAA, 2), Seq(0xAA, 2), Seq(0xAA, 2)}),
       {0x83, 0xAA, 0xAB, 0x00}},
      // Equal low bytes do not make equal words.
      {"equal_low_bytes", Words({{0x0001, 1}, {0x0101, 1}, {0x0201, 1}}),
       {0x03, 0x01, 0x00, 0x01, 0x01, 0x01, 0x02, 0x00}},
      {"word_literals_130", Seq(0, 260),
       Concat({{0x7E}, Seq(0, 252), {0x04}, Seq(252, 8), {0x00}})},
      {"word_literals_126_then_run", Concat({Seq(0, 252), Words({{0xEEEE, 3}})}),
       Concat({{0x7E}, Seq(0, 252), {0x83, 0xEE, 0xEE, 0x00}})},
  };
}

class WordExampleTest : public testing::TestWithParam<Example> {};

TEST_P(WordExampleTest, StreamIsExact) {
  const Example& example = GetParam();
  EXPECT_EQ(Compress(Kind::kWord, example.item), example.stream);
  Bytes decoded;
  ASSERT_TRUE(DecodeWordStream(example.stream.data(), example.stream.size(), decoded));
  EXPECT_EQ(decoded, example.item);
}

INSTANTIATE_TEST_SUITE_P(Part43, WordExampleTest, testing::ValuesIn(WordExamples()),
                         [](const testing::TestParamInfo<Example>& info) {
                           return std::string(info.param.name);
                         });

TEST(CompressedWordWriter, DemoListingLines) {
  const WriterRun run = RunWriter(
      Kind::kWord, {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x01, 0x00, 0x02,
                    0x00});
  EXPECT_TRUE(run.output);
  EXPECT_EQ(run.listing,
            "demo_compressed_size equ 9\n"
            "; 9 bytes written\n"
            "; word compression used saving 5 bytes\n"
            "; data now at 64.3% original size\n");
}

TEST(CompressedWordWriter, TwoByteItemSavesMinusTwo) {
  const WriterRun run = RunWriter(Kind::kWord, {0xAB, 0xCD});
  EXPECT_EQ(run.listing, Lines("word", 4, 2, "200.0"));
}

TEST(CompressedWordWriter, EmptyItemPercentageIsInf) {
  const WriterRun run = RunWriter(Kind::kWord, {}, "e");
  EXPECT_TRUE(run.output);
  EXPECT_EQ(run.stream, Bytes({0x00}));
  EXPECT_EQ(run.listing,
            "e_compressed_size equ 1\n"
            "; 1 bytes written\n"
            "; word compression used saving -1 bytes\n"
            "; data now at inf% original size\n");
}

TEST(CompressedWordWriter, OddSizeIsRefused) {
  for (int size : {1, 3, 13, 301}) {
    cBinWriter_CompressedWord writer;
    writer.Init();
    const Bytes item = Seq(0, size);
    writer.AddBytes(item.data(), size);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writer.Prepare());
    EXPECT_EQ(writer.GetOutputSize(), 0);
    FILE* binary = tmpfile();
    TempListing listing;
    EXPECT_FALSE(writer.Output("t", binary, listing));
    EXPECT_EQ(ReadAll(binary), "");
    EXPECT_EQ(listing.Text(), "");
    fclose(binary);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Word compression needs an even number of bytes, item has " +
                  std::to_string(size) +
                  "\nWriter hadn't been prepared for output!\n"
                  "Writer hadn't been prepared for output!\n");
    EXPECT_EQ(writer.GetSize(), size);
  }
}

// ---------------------------------------------------------------------------
// Both writers: state, sizes, types and failures.

class BothWriters : public testing::TestWithParam<Kind> {};

INSTANTIATE_TEST_SUITE_P(Writers, BothWriters, testing::Values(Kind::kByte, Kind::kWord),
                         [](const testing::TestParamInfo<Kind>& info) {
                           return std::string(info.param == Kind::kByte ? "Byte" : "Word");
                         });

TEST_P(BothWriters, GetType) {
  EXPECT_EQ(MakeWriter(GetParam())->GetType(), GetParam() == Kind::kByte ? 1 : 2);
  cBinWriter plain;
  plain.Init();
  EXPECT_EQ(plain.GetType(), 0);
}

TEST_P(BothWriters, SizesBeforeAndAfterPrepare) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  const Bytes item = Repeat(0x55, 300);
  writer->AddBytes(item.data(), 300);
  testing::internal::CaptureStdout();
  EXPECT_EQ(writer->GetOutputSize(), 0);
  EXPECT_EQ(writer->GetSize(), 300);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writer hadn't been prepared for output!\n");

  testing::internal::CaptureStdout();
  ASSERT_TRUE(writer->Prepare());
  EXPECT_EQ(writer->GetSize(), 300);
  // 300 bytes: FE 55 FE 55 B0 55 00; 150 words: FE 55 55 98 55 55 00.
  EXPECT_EQ(writer->GetOutputSize(), 7);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_P(BothWriters, OutputBeforePrepare) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  writer->AddBytes(Repeat(1, 4).data(), 4);
  FILE* binary = tmpfile();
  TempListing listing;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer->Output("t", binary, listing));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writer hadn't been prepared for output!\n");
  EXPECT_EQ(ReadAll(binary), "");
  EXPECT_EQ(listing.Text(), "");
  // The state is unchanged: it can still be prepared and written.
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer->Prepare());
  EXPECT_TRUE(writer->Output("t", binary, listing));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  fclose(binary);
}

TEST_P(BothWriters, SecondPrepareFailsAndKeepsTheStream) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  const Bytes item = Seq(0, 10);
  writer->AddBytes(item.data(), 10);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer->Prepare());
  const int before = writer->GetOutputSize();
  EXPECT_FALSE(writer->Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer data has already been prepared for output!\n");
  EXPECT_EQ(writer->GetOutputSize(), before);
  FILE* binary = tmpfile();
  TempListing listing;
  EXPECT_TRUE(writer->Output("t", binary, listing));
  const std::string stream = ReadAll(binary);
  const Bytes expected = GetParam() == Kind::kByte ? Concat({{0x0A}, item, {0x00}})
                                                   : Concat({{0x05}, item, {0x00}});
  EXPECT_EQ(Bytes(stream.begin(), stream.end()), expected);
  fclose(binary);
}

TEST_P(BothWriters, FullCapacityWorks) {
  // 51200 different-as-possible bytes: the longest stream of the largest
  // item (51608 bytes for bytes, 51405 for words), within 16 bits.
  Bytes item(cBinWriter::kCapacity);
  std::mt19937 random(7);
  for (uint8_t& byte : item) byte = static_cast<uint8_t>(random());
  for (size_t i = 2; i < item.size(); ++i) {
    while (item[i] == item[i - 1] || (i % 2 == 1 && item[i] == item[i - 2])) ++item[i];
  }
  const WriterRun run = RunWriter(GetParam(), item);
  ASSERT_TRUE(run.output) << run.stdout_;
  EXPECT_EQ(run.stream.size(), GetParam() == Kind::kByte ? 51608u : 51405u);
  Bytes decoded;
  const bool ok = GetParam() == Kind::kByte
                      ? DecodeByteStream(run.stream.data(), run.stream.size(), decoded)
                      : DecodeWordStream(run.stream.data(), run.stream.size(), decoded);
  ASSERT_TRUE(ok);
  EXPECT_EQ(decoded, item);
}

TEST_P(BothWriters, OverflowIsRefusedByPrepare) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  const Bytes item = Repeat(0x11, cBinWriter::kCapacity + 1);
  EXPECT_FALSE(writer->AddBytes(item.data(), static_cast<int>(item.size())));
  EXPECT_EQ(writer->GetSize(), cBinWriter::kCapacity);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer->Prepare());
  EXPECT_EQ(writer->GetOutputSize(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Item data is larger than the 51200 bytes an item can hold\n"
            "Writer hadn't been prepared for output!\n");
}

// Prepare checks: already prepared, then overflowed, then (words) odd size.
TEST_P(BothWriters, AlreadyPreparedIsCheckedFirst) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  const Bytes item = Repeat(0x11, cBinWriter::kCapacity);
  ASSERT_TRUE(writer->AddBytes(item.data(), static_cast<int>(item.size())));
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer->Prepare());
  EXPECT_FALSE(writer->AddByte(0x22));  // now overflowed too
  EXPECT_FALSE(writer->Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer data has already been prepared for output!\n");
}

TEST(CompressedWordWriter, AlreadyPreparedIsCheckedBeforeOddSize) {
  cBinWriter_CompressedWord writer;
  writer.Init();
  writer.AddBytes(Repeat(0x11, 4).data(), 4);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer.Prepare());
  writer.AddByte(0x22);  // odd now
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer data has already been prepared for output!\n");
}

TEST(CompressedWordWriter, OverflowIsCheckedBeforeOddSize) {
  // A full buffer holds an even number of bytes, so overflow and an odd size
  // cannot meet through AddByte; what can be checked is that an overflowed
  // writer reports the overflow, not the size.
  cBinWriter_CompressedWord writer;
  writer.Init();
  const Bytes item = Repeat(0x11, cBinWriter::kCapacity + 1);
  writer.AddBytes(item.data(), static_cast<int>(item.size()));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Item data is larger than the 51200 bytes an item can hold\n");
}

TEST_P(BothWriters, ShortWriteFails) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  writer->AddBytes(Seq(0, 6).data(), 6);
  TempDir dir;
  WriteFile(dir / "ro.bin", std::string());
  FILE* binary = fopen((dir / "ro.bin").c_str(), "rb");  // writes fail
  ASSERT_NE(binary, nullptr);
  TempListing listing;
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer->Prepare());
  EXPECT_FALSE(writer->Output("t", binary, listing));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error writing binary data\n");
  EXPECT_EQ(listing.Text(), "");
  fclose(binary);
}

TEST_P(BothWriters, InitResetsTheWriter) {
  std::unique_ptr<cBinWriter> writer = MakeWriter(GetParam());
  writer->AddBytes(Seq(0, 6).data(), 6);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(writer->Prepare());
  writer->Init();
  EXPECT_EQ(writer->GetSize(), 0);
  EXPECT_EQ(writer->GetOutputSize(), 0);
  EXPECT_TRUE(writer->Prepare());
  EXPECT_EQ(writer->GetOutputSize(), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writer hadn't been prepared for output!\n");
}

// ---------------------------------------------------------------------------
// Round trips on random and adversarial data, checked against a model of
// the encoder written from the rules the stream must follow.

// The stream the encoding rules give, built on a vector of units.
Bytes ModelStream(const Bytes& item, size_t unit) {
  const size_t units = item.size() / unit;
  auto same = [&](size_t a, size_t b) {
    return std::equal(item.begin() + a * unit, item.begin() + (a + 1) * unit,
                      item.begin() + b * unit);
  };
  Bytes stream;
  std::vector<size_t> pending;  // unit indices waiting as literals
  auto flush = [&] {
    if (pending.empty()) return;
    stream.push_back(static_cast<uint8_t>(pending.size()));
    for (size_t index : pending)
      stream.insert(stream.end(), item.begin() + index * unit, item.begin() + (index + 1) * unit);
    pending.clear();
  };
  size_t p = 0;
  while (p < units) {
    size_t run = 1;
    while (run < 126 && p + run < units && same(p, p + run)) ++run;
    if (run >= 3) {  // a run always cuts the literals in front of it
      flush();
      stream.push_back(static_cast<uint8_t>(0x80 + run));
      stream.insert(stream.end(), item.begin() + p * unit, item.begin() + (p + 1) * unit);
      p += run;
      continue;
    }
    if (pending.size() == 126) flush();  // at most 126 literals per record
    pending.push_back(p++);
  }
  flush();
  stream.push_back(0x00);
  return stream;
}

using Generator = std::function<Bytes(size_t size, std::mt19937& random)>;

struct Pattern {
  const char* name;
  Generator make;
};

// Each pattern makes `size` bytes.
std::vector<Pattern> Patterns() {
  auto fromFunction = [](std::function<uint8_t(size_t, std::mt19937&)> byte) {
    return [byte](size_t size, std::mt19937& random) {
      Bytes bytes(size);
      for (size_t i = 0; i < size; ++i) bytes[i] = byte(i, random);
      return bytes;
    };
  };
  return {
      {"random", fromFunction([](size_t, std::mt19937& r) { return uint8_t(r()); })},
      {"two_values", fromFunction([](size_t, std::mt19937& r) { return uint8_t(r() % 2); })},
      {"two_values_high_byte",
       fromFunction([](size_t i, std::mt19937& r) { return uint8_t(i % 2 ? r() % 2 : 0); })},
      {"all_equal", fromFunction([](size_t, std::mt19937&) { return uint8_t(0xA5); })},
      {"alternating", fromFunction([](size_t i, std::mt19937&) { return uint8_t(i % 2); })},
      {"runs_of_2", fromFunction([](size_t i, std::mt19937&) { return uint8_t(i / 2); })},
      {"runs_of_3", fromFunction([](size_t i, std::mt19937&) { return uint8_t(i / 3); })},
      {"word_runs_of_2", fromFunction([](size_t i, std::mt19937&) { return uint8_t(i / 4); })},
      {"long_runs", fromFunction([](size_t i, std::mt19937&) { return uint8_t(i / 131); })},
      {"growing_runs",
       [](size_t size, std::mt19937&) {
         Bytes bytes;
         for (int length = 1, value = 0; bytes.size() < size; length = length % 260 + 1, ++value)
           for (int i = 0; i < length && bytes.size() < size; ++i)
             bytes.push_back(static_cast<uint8_t>(value));
         return bytes;
       }},
      // Stretches of 124..128 different units, then a repeat of 1..4 units:
      // runs and pairs just before, at and over the 126-literal cut.
      {"over_literal_cut",
       [](size_t size, std::mt19937& random) {
         Bytes bytes;
         for (int round = 0; bytes.size() < size; ++round) {
           const int literals = 2 * (124 + round % 5);  // enough for words too
           for (int i = 0; i < literals; ++i) bytes.push_back(static_cast<uint8_t>(i + 1));
           const int repeat = 2 * (1 + (round / 5) % 4);
           const uint8_t value = static_cast<uint8_t>(random() % 2 ? 0 : bytes.back());
           for (int i = 0; i < repeat; ++i) bytes.push_back(value);
         }
         bytes.resize(size);
         return bytes;
       }},
      {"random_runs",
       [](size_t size, std::mt19937& random) {
         Bytes bytes;
         while (bytes.size() < size) {
           const uint8_t value = static_cast<uint8_t>(random() % 4);
           const size_t length = random() % 8 == 0 ? 100 + random() % 200 : 1 + random() % 4;
           bytes.insert(bytes.end(), length, value);
         }
         bytes.resize(size);
         return bytes;
       }},
  };
}

void CheckRoundTrip(Kind kind, const Bytes& item, const std::string& what) {
  SCOPED_TRACE(what + ", " + std::to_string(item.size()) + " bytes");
  const size_t unit = kind == Kind::kByte ? 1 : 2;
  const Bytes stream = Compress(kind, item);
  EXPECT_EQ(stream, ModelStream(item, unit));
  EXPECT_LE(stream.size(),
            static_cast<size_t>(RunLengthStreamBound(static_cast<int>(item.size() / unit),
                                                     static_cast<int>(unit))));
  Bytes decoded;
  size_t consumed = 0;
  const bool ok = kind == Kind::kByte
                      ? DecodeByteStream(stream.data(), stream.size(), decoded, &consumed)
                      : DecodeWordStream(stream.data(), stream.size(), decoded, &consumed);
  ASSERT_TRUE(ok);
  EXPECT_EQ(consumed, stream.size());
  ASSERT_EQ(decoded, item);
}

TEST_P(BothWriters, RoundTripEverySize) {
  const Kind kind = GetParam();
  const size_t step = kind == Kind::kByte ? 1 : 2;
  std::mt19937 random(12345);
  for (const Pattern& pattern : Patterns()) {
    for (size_t size = 0; size <= 300 * step; size += step) {
      CheckRoundTrip(kind, pattern.make(size, random), pattern.name);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_P(BothWriters, RoundTripAtCapacity) {
  std::mt19937 random(99);
  for (const Pattern& pattern : Patterns()) {
    CheckRoundTrip(GetParam(), pattern.make(cBinWriter::kCapacity, random), pattern.name);
  }
}

TEST(RunLengthStreamBound, Values) {
  EXPECT_EQ(RunLengthStreamBound(0, 1), 1);
  EXPECT_EQ(RunLengthStreamBound(1, 1), 3);
  EXPECT_EQ(RunLengthStreamBound(126, 1), 128);
  EXPECT_EQ(RunLengthStreamBound(127, 1), 130);
  EXPECT_EQ(RunLengthStreamBound(51200, 1), 51608);
  EXPECT_EQ(RunLengthStreamBound(0, 2), 1);
  EXPECT_EQ(RunLengthStreamBound(1, 2), 4);
  EXPECT_EQ(RunLengthStreamBound(25600, 2), 51405);
}

// ---------------------------------------------------------------------------
// Compressed items through scripts.

// The id counter is process-wide, so ids depend on the tests run before.
std::string WithoutIds(std::string listing) {
  const std::string key = "_id equ ";
  for (size_t at = listing.find(key); at != std::string::npos; at = listing.find(key, at)) {
    at += key.size();
    const size_t end = listing.find('\n', at);
    listing.replace(at, end - at, "N");
  }
  return listing;
}

TEST(CompressedItemsInScripts, HeaderTotalAndAddressUseTheCompressedSize) {
  TempDir dir;
  const Bytes a = Concat({Repeat(0x41, 10), {0x42, 0x43, 0x44}});
  const Bytes b = {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12,
                   0x34, 0x12, 0x01, 0x00, 0x02, 0x00};
  const Bytes c = {0x01, 0x01, 0x01};
  WriteFile(dir / "a.bin", a);
  WriteFile(dir / "b.bin", b);
  WriteFile(dir / "c.bin", c);
  const InProcessRun run = RunScriptText("org 32768\n"
                                         "a compressbyte raw \"" + dir / "a.bin" + "\"\n"
                                         "b CompressWord raw \"" + dir / "b.bin" + "\"\n"
                                         "headers off\n"
                                         "c COMPRESSBYTE raw \"" + dir / "c.bin" + "\"\n"
                                         "limit 19\n");
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.binary, Concat({{0x01, 0x07, 0x00},
                                {0x8A, 0x41, 0x03, 0x42, 0x43, 0x44, 0x00},
                                {0x02, 0x09, 0x00},
                                {0x85, 0x34, 0x12, 0x02, 0x01, 0x00, 0x02, 0x00, 0x00},
                                {0x83, 0x01, 0x00}}));
  EXPECT_EQ(WithoutIds(run.listing),
            "; Base address set to: 32768\n\n\n"
            "; Data type: raw\n"
            "; Input file: " + dir / "a.bin" + "\n"
            "a_address equ 32771\n"
            "a_length equ 13\n"
            "a_compressed_size equ 7\n"
            "; 7 bytes written\n"
            "; byte compression used saving 6 bytes\n"
            "; data now at 53.8% original size\n"
            "; Header: 1,7\n"
            "a_id equ N\n"
            "\n\n"
            "; Data type: raw\n"
            "; Input file: " + dir / "b.bin" + "\n"
            "b_address equ 32781\n"  // 32771 + 7 + 3
            "b_length equ 14\n"
            "b_compressed_size equ 9\n"
            "; 9 bytes written\n"
            "; word compression used saving 5 bytes\n"
            "; data now at 64.3% original size\n"
            "; Header: 2,9\n"
            "b_id equ N\n"
            "\n\n"
            "; Output headers set to off\n\n\n"
            "; Data type: raw\n"
            "; Input file: " + dir / "c.bin" + "\n"
            "c_address equ 32790\n"  // 32781 + 9
            "c_length equ 3\n"
            "c_compressed_size equ 3\n"
            "; 3 bytes written\n"
            "; byte compression used saving 0 bytes\n"
            "; data now at 100.0% original size\n"
            "\n\n"
            "; Output limit set to: 19\n\n\n"
            "; ----------------------------------------\n"
            "; Total bytes written: 19\n"
            ";\n"
            "; Byte limit: 19\n"
            "; Bytes free: 0\n"
            "; ----------------------------------------\n");
}

TEST(CompressedItemsInScripts, EmptyRawItem) {
  TempDir dir;
  WriteFile(dir / "empty.bin", Bytes());
  const InProcessRun run =
      RunScriptText("headers off e compressword raw \"" + dir / "empty.bin" + "\"\n");
  EXPECT_TRUE(run.result) << run.output;
  EXPECT_EQ(run.binary, Bytes({0x00}));
  EXPECT_NE(run.listing.find("e_length equ 0\n"
                             "e_compressed_size equ 1\n"
                             "; 1 bytes written\n"
                             "; word compression used saving -1 bytes\n"
                             "; data now at inf% original size\n"),
            std::string::npos)
      << run.listing;
  EXPECT_NE(run.listing.find("; Total bytes written: 1\n"), std::string::npos);
}

TEST(CompressedItemsInScripts, OddWordItemFailsTheRun) {
  TempDir dir;
  WriteFile(dir / "odd.bin", Bytes({1, 2, 3}));
  WriteFile(dir / "ok.bin", Bytes({1, 2}));
  const InProcessRun run = RunScriptText("ok compressword raw \"" + dir / "ok.bin" + "\"\n" +
                                         "odd compressword raw \"" + dir / "odd.bin" + "\"\n" +
                                         "never compressnone raw \"" + dir / "ok.bin" + "\"\n");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output,
            "Word compression needs an even number of bytes, item has 3\n"
            "Error preparing outputting data\n");
  // The first item is complete; nothing of the odd one reaches the binary file.
  EXPECT_EQ(run.binary, Bytes({0x02, 0x04, 0x00, 0x01, 0x01, 0x02, 0x00}));
  EXPECT_NE(run.listing.find("odd_length equ 3\n"), std::string::npos);
  EXPECT_EQ(run.listing.find("odd_compressed_size"), std::string::npos);
  EXPECT_EQ(run.listing.find("never"), std::string::npos);
  EXPECT_EQ(run.listing.find("Total bytes"), std::string::npos);
}

TEST(CompressedItemsInScripts, OverflowingItemFailsTheRun) {
  TempDir dir;
  WriteFile(dir / "big.bin", Repeat(0, cBinWriter::kCapacity + 1));
  WriteFile(dir / "full.bin", Repeat(0, cBinWriter::kCapacity));
  InProcessRun run = RunScriptText("big compressbyte raw \"" + dir / "big.bin" + "\"\n");
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.output,
            "Item data is larger than the 51200 bytes an item can hold\n"
            "Error preparing outputting data\n");
  EXPECT_EQ(run.binary, Bytes());

  run = RunScriptText("full compressbyte raw \"" + dir / "full.bin" + "\"\n");
  EXPECT_TRUE(run.result) << run.output;
  // 51200 zero bytes: 406 runs of 126 and one of 44.
  EXPECT_EQ(run.binary.size(), 3u + 406 * 2 + 2 + 1);
  EXPECT_EQ(run.binary[0], 0x01);
  EXPECT_EQ(run.binary[1] | run.binary[2] << 8, 815);
}

}  // namespace
