// The stream decoders (writers/decoders.h), against the run-length formats
// drawn in writers/run_length.h: every record kind, the worked examples, and
// strict refusal of malformed streams.
#include "writers/decoders.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using Decoder = bool (*)(const uint8_t*, size_t, std::vector<uint8_t>&, size_t*);

struct Decoded {
  bool ok = false;
  Bytes out;
  size_t consumed = 12345;  // untouched unless the stream is good
};

Decoded Decode(Decoder decoder, const Bytes& stream, const Bytes& before = {}) {
  Decoded result;
  result.out = before;
  result.ok = decoder(stream.data(), stream.size(), result.out, &result.consumed);
  return result;
}

Bytes Seq(int first, int count) {
  Bytes bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(first + i));
  return bytes;
}

Bytes RepeatPair(uint8_t low, uint8_t high, size_t count) {
  Bytes bytes;
  for (size_t i = 0; i < count; ++i) {
    bytes.push_back(low);
    bytes.push_back(high);
  }
  return bytes;
}

// --- Byte streams ---------------------------------------------

TEST(DecodeByteStream, WorkedExamples) {
  const struct {
    Bytes stream;
    Bytes item;
  } cases[] = {
      {{0x8A, 0x41, 0x03, 0x42, 0x43, 0x44, 0x00}, Concat({Repeat(0x41, 10), {0x42, 0x43, 0x44}})},
      {{0x03, 0x01, 0x02, 0x02, 0x83, 0x03, 0x01, 0x04, 0x00},
       {0x01, 0x02, 0x02, 0x03, 0x03, 0x03, 0x04}},
      {{0xFE, 0x07, 0xCA, 0x07, 0x00}, Repeat(0x07, 200)},
      {{0xFE, 0x07, 0x01, 0x07, 0x00}, Repeat(0x07, 127)},
      {Concat({{0x7E}, Seq(0, 126), {0x04, 0x7E, 0x7F, 0x80, 0x81, 0x00}}), Seq(0, 130)},
      {{0x01, 0x01, 0x00}, {0x01}},
      {{0x02, 0x01, 0x01, 0x00}, {0x01, 0x01}},
      {{0x83, 0x01, 0x00}, {0x01, 0x01, 0x01}},
      {{0x00}, {}},
      {{0xFE, 0x09, 0xFE, 0x09, 0x00}, Repeat(0x09, 252)},
      {{0xFE, 0x09, 0xFE, 0x09, 0x01, 0x09, 0x00}, Repeat(0x09, 253)},
      {{0xFE, 0x09, 0xFE, 0x09, 0x02, 0x09, 0x09, 0x00}, Repeat(0x09, 254)},
      {{0xFE, 0x09, 0xFE, 0x09, 0x83, 0x09, 0x00}, Repeat(0x09, 255)},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(DecodeByteStream, c.stream);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.out, c.item);
    EXPECT_EQ(d.consumed, c.stream.size());
  }
}

TEST(DecodeByteStream, EveryValidControlByte) {
  for (int control = 0x01; control <= 0x7E; ++control) {
    const Decoded d = Decode(DecodeByteStream, Concat({{uint8_t(control)}, Seq(3, control), {0}}));
    EXPECT_TRUE(d.ok) << control;
    EXPECT_EQ(d.out, Seq(3, control));
  }
  for (int control = 0x83; control <= 0xFE; ++control) {
    const Decoded d = Decode(DecodeByteStream, {uint8_t(control), 0x5A, 0x00});
    EXPECT_TRUE(d.ok) << control;
    EXPECT_EQ(d.out, Repeat(0x5A, control - 0x80));
  }
}

TEST(DecodeByteStream, AppendsAndStopsAtTheTerminator) {
  // What follows the terminator (the next item's header, say) is not read.
  const Decoded d = Decode(DecodeByteStream, {0x01, 0xAA, 0x00, 0x02, 0x03}, {0x11, 0x22});
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.out, Bytes({0x11, 0x22, 0xAA}));
  EXPECT_EQ(d.consumed, 3u);
  Bytes out;
  EXPECT_TRUE(DecodeByteStream(Bytes{0x00}.data(), 1, out));  // consumed is optional
}

TEST(DecodeByteStream, RejectsControlBytesThatNeverOccur) {
  for (uint8_t control : {0x7F, 0x80, 0x81, 0x82, 0xFF}) {
    for (const Bytes& stream : {Bytes{control, 0x01, 0x00}, Bytes{0x01, 0x05, control, 0x01, 0x00},
                                Bytes{0x83, 0x05, control, 0x01, 0x01, 0x00}}) {
      const Decoded d = Decode(DecodeByteStream, stream, {0x99});
      EXPECT_FALSE(d.ok) << int(control);
      EXPECT_EQ(d.out, Bytes({0x99})) << "left as it was";
      EXPECT_EQ(d.consumed, 12345u);
    }
  }
}

TEST(DecodeByteStream, RejectsTruncationAndMissingTerminator) {
  const Bytes malformed[] = {
      {},                             // nothing at all
      {0x01, 0xAA},                   // no terminator
      {0x83, 0xAA},                   // no terminator after a run
      {0x03, 0x01, 0x02},             // literal record cut short
      {0x03, 0x01, 0x02, 0x00},       // ... the "terminator" is the third literal
      {0x83},                         // run record without its byte
      {0x02, 0x01, 0x02, 0x85},       // ditto, after a literal record
      Concat({{0x7E}, Seq(0, 125)}),  // one byte short of 126
  };
  for (const Bytes& stream : malformed) {
    const Decoded d = Decode(DecodeByteStream, stream, {0x99});
    EXPECT_FALSE(d.ok) << testing::PrintToString(stream);
    EXPECT_EQ(d.out, Bytes({0x99}));
  }
}

// --- Word streams ---------------------------------------------

TEST(DecodeWordStream, WorkedExamples) {
  const struct {
    Bytes stream;
    Bytes item;
  } cases[] = {
      {{0x85, 0x34, 0x12, 0x02, 0x01, 0x00, 0x02, 0x00, 0x00},
       {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x01, 0x00, 0x02, 0x00}},
      {{0x02, 0xAA, 0xBB, 0xAA, 0xBB, 0x00}, {0xAA, 0xBB, 0xAA, 0xBB}},
      {{0xFE, 0x00, 0x00, 0xCA, 0x00, 0x00, 0x00}, Repeat(0x00, 400)},
      {{0x02, 0x11, 0x22, 0x33, 0x44, 0x00}, {0x11, 0x22, 0x33, 0x44}},
      {{0x83, 0x00, 0x00, 0x00}, Repeat(0x00, 6)},
      {{0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00},
       {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}},
      {{0x01, 0xAB, 0xCD, 0x00}, {0xAB, 0xCD}},
      {{0xFE, 0x12, 0x34, 0xFE, 0x12, 0x34, 0x00}, RepeatPair(0x12, 0x34, 252)},
      {{0x00}, {}},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(DecodeWordStream, c.stream);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.out, c.item);
    EXPECT_EQ(d.consumed, c.stream.size());
  }
}

TEST(DecodeWordStream, EveryValidControlByte) {
  for (int control = 0x01; control <= 0x7E; ++control) {
    const Decoded d =
        Decode(DecodeWordStream, Concat({{uint8_t(control)}, Seq(7, 2 * control), {0}}));
    EXPECT_TRUE(d.ok) << control;
    EXPECT_EQ(d.out, Seq(7, 2 * control));
  }
  for (int control = 0x83; control <= 0xFE; ++control) {
    const Decoded d = Decode(DecodeWordStream, {uint8_t(control), 0x5A, 0xA5, 0x00});
    EXPECT_TRUE(d.ok) << control;
    EXPECT_EQ(d.out, RepeatPair(0x5A, 0xA5, control - 0x80));
  }
}

TEST(DecodeWordStream, AppendsAndStopsAtTheTerminator) {
  const Decoded d = Decode(DecodeWordStream, {0x01, 0xAA, 0xBB, 0x00, 0x7F}, {0x11});
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.out, Bytes({0x11, 0xAA, 0xBB}));
  EXPECT_EQ(d.consumed, 4u);
}

TEST(DecodeWordStream, RejectsControlBytesThatNeverOccur) {
  for (uint8_t control : {0x7F, 0x80, 0x81, 0x82, 0xFF}) {
    for (const Bytes& stream :
         {Bytes{control, 0x01, 0x02, 0x00}, Bytes{0x01, 0x05, 0x06, control, 0x01, 0x02, 0x00}}) {
      const Decoded d = Decode(DecodeWordStream, stream, {0x99});
      EXPECT_FALSE(d.ok) << int(control);
      EXPECT_EQ(d.out, Bytes({0x99}));
    }
  }
}

TEST(DecodeWordStream, RejectsTruncationAndMissingTerminator) {
  const Bytes malformed[] = {
      {},                              // nothing at all
      {0x01, 0xAA, 0xBB},              // no terminator
      {0x01, 0xAA},                    // literal word cut in half
      {0x02, 0xAA, 0xBB, 0xCC},        // second literal word cut in half
      {0x02, 0xAA, 0xBB, 0xCC, 0x00},  // ... its high byte is not a terminator
      {0x83, 0xAA},                    // run word cut in half
      {0x83, 0xAA, 0x00},              // ... and the terminator is its high byte
      Concat({{0x7E}, Seq(0, 251)}),   // one byte short of 126 words
  };
  for (const Bytes& stream : malformed) {
    const Decoded d = Decode(DecodeWordStream, stream, {0x99});
    EXPECT_FALSE(d.ok) << testing::PrintToString(stream);
    EXPECT_EQ(d.out, Bytes({0x99}));
  }
}

// The two formats differ only in the unit: the same stream decodes to
// different lengths, or is good in one and truncated in the other.
TEST(Decoders, UnitSizeMatters) {
  const Bytes stream = {0x02, 0x01, 0x02, 0x00, 0x04, 0x00};
  const Decoded asBytes = Decode(DecodeByteStream, stream);
  EXPECT_TRUE(asBytes.ok);
  EXPECT_EQ(asBytes.out, Bytes({0x01, 0x02}));
  EXPECT_EQ(asBytes.consumed, 4u);
  const Decoded asWords = Decode(DecodeWordStream, stream);
  EXPECT_TRUE(asWords.ok);
  EXPECT_EQ(asWords.out, Bytes({0x01, 0x02, 0x00, 0x04}));
  EXPECT_EQ(asWords.consumed, 6u);
  EXPECT_TRUE(Decode(DecodeByteStream, {0x83, 0x01, 0x00}).ok);
  EXPECT_FALSE(Decode(DecodeWordStream, {0x83, 0x01, 0x00}).ok);
}

}  // namespace
