// The LZ stream (writers/lz_stream.h): hand-worked streams that pin the
// format, streams the decoder must refuse, round trips of random and
// adversarial data and of every item of the bundled example, and the
// "compresslz" writer's listing lines.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "writers/bin_writer.h"
#include "writers/compressed_lz.h"
#include "writers/lz_stream.h"

namespace {

// A plain reference for writing streams by hand: '0' and '1' are bits, and
// [41 42] are bytes, laid out as the format says (a bit byte is taken where
// the first of its bits is written; bytes follow in order).
Bytes Assemble(const std::string& text) {
  Bytes stream;
  size_t bitByte = 0;
  int used = 8;
  bool inBytes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '[' || c == ']') {
      inBytes = c == '[';
    } else if (inBytes && isxdigit(static_cast<unsigned char>(c))) {
      stream.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
      ++i;
    } else if (c == '0' || c == '1') {
      if (used == 8) {
        bitByte = stream.size();
        stream.push_back(0);
        used = 0;
      }
      if (c == '1') stream[bitByte] = static_cast<uint8_t>(stream[bitByte] | (0x80 >> used));
      ++used;
    }
  }
  return stream;
}

const char kEnd[] = " 1 0000000000000000 1";  // a new match with h = 256

// gamma(value) as Assemble's text: a 0 and each bit below the leading 1,
// then a 1.
std::string Gamma(unsigned value) {
  std::string text;
  int top = 31;
  while (!(value >> top & 1)) --top;
  for (int bit = top - 1; bit >= 0; --bit) text += (value >> bit & 1) ? "01" : "00";
  return text + "1 ";
}

Bytes Encode(const Bytes& item) {
  Bytes stream(static_cast<size_t>(LzStreamBound(static_cast<int>(item.size()))));
  const int length = EncodeLz(item.data(), static_cast<int>(item.size()), stream.data());
  EXPECT_GE(length, 1);
  EXPECT_LE(length, static_cast<int>(stream.size()));
  stream.resize(static_cast<size_t>(length));
  return stream;
}

// Decodes a stream that must be valid and be read to its last byte.
Bytes Decode(const Bytes& stream) {
  Bytes out;
  size_t consumed = 0;
  EXPECT_TRUE(DecodeLzStream(stream.data(), stream.size(), out, &consumed));
  EXPECT_EQ(consumed, stream.size());
  return out;
}

Bytes Text(const char* text) { return Bytes(text, text + strlen(text)); }

// ---------------------------------------------------------------------------
// Hand-worked streams: what the encoder writes for small items.

struct Worked {
  const char* name;
  Bytes item;
  std::string stream;  // for Assemble
};

TEST(LzStreamTest, HandWorkedStreams) {
  const std::vector<Worked> table = {
      {"empty", {}, kEnd},
      {"one byte", {0x41}, std::string("0 1 [41]") + kEnd},
      // A run: one literal, then the repeat match at the first distance, 1.
      {"ten 07", Repeat(0x07, 10), std::string("0 1 [07] 0 0000001") + kEnd},
      // A new match of 6 at distance 2: h 1, -d lo FE, gamma(5) = 00011.
      {"ABABABAB!", Text("ABABABAB!"),
       std::string("0 001 [41 42] 1 1 [FE] 00011 0 1 [21]") + kEnd},
      // After a literal run the repeat match reuses distance 4.
      {"repeat after a run", Text("abcXabcYabc"),
       "0 " + Gamma(4) + "[61 62 63 58] 1 1 [FC] " + Gamma(2) + "0 1 [59] 0 " + Gamma(2) + kEnd},
  };
  for (const Worked& row : table) {
    EXPECT_EQ(Encode(row.item), Assemble(row.stream)) << row.name;
    EXPECT_EQ(Decode(Assemble(row.stream)), row.item) << row.name;
  }
}

// The parse weighs decoding time: a 2-byte match 257 back in the middle of
// literals would save 1 bit (13 bits, and 2 for the literal run after it,
// against 16 literal bits) but cost the target's decoder some 200 T-states,
// so the item goes as one literal run. The filler steps by 3, so no other
// pair of bytes repeats.
TEST(LzStreamTest, AMatchThatSavesABitGivesWayToLiterals) {
  Bytes item = Text("AB");
  for (int j = 1; j <= 255; ++j) item.push_back(static_cast<uint8_t>(3 * j));
  item = Concat({item, Text("AB"), {0x00}});
  std::string text = "0 " + Gamma(static_cast<unsigned>(item.size())) + "[";
  for (uint8_t byte : item) {
    char hex[4];
    snprintf(hex, sizeof hex, " %02X", byte);
    text += hex;
  }
  EXPECT_EQ(Encode(item), Assemble(text + "]" + kEnd));
}

// A distance with a high part over 1, decoded from a stream written by
// hand: 300 literals, then 4 bytes from 300 back (h = 2: gamma 001; -d lo
// = (65536 - 300) & 0xFF = D4).
TEST(LzStreamTest, FarDistanceDecodes) {
  Bytes literals;
  for (int i = 0; i < 300; ++i) literals.push_back(static_cast<uint8_t>(i * 7 + i / 256));
  std::string text = "0 " + Gamma(300) + "[";
  for (uint8_t byte : literals) {
    char hex[4];
    snprintf(hex, sizeof hex, " %02X", byte);
    text += hex;
  }
  text += "] 1 001 [D4] " + Gamma(3) + kEnd;  // m - 1 = 3
  EXPECT_EQ(Decode(Assemble(text)), Concat({literals, Bytes(literals.begin(), literals.begin() + 4)}));
}

// ---------------------------------------------------------------------------
// Streams the decoder refuses, leaving its output as it was.

TEST(LzStreamTest, MalformedStreamsAreRefused) {
  struct Bad {
    const char* name;
    Bytes stream;
  };
  const std::vector<Bad> table = {
      {"nothing", {}},
      {"no terminator", Assemble("0 1 [41]")},
      {"terminator cut short", Assemble("1 00000000 00000000")},
      {"a match first", Assemble(std::string("1 1 [FF] 1") + kEnd)},
      {"distance past the start", Assemble(std::string("0 1 [41] 1 1 [FE] 1") + kEnd)},
      {"high part over 256", Assemble("0 1 [41] 1 00000000000000 01 1")},
      {"gamma over 16 bits", Assemble("0 00000000000000000000000000000000000 1")},
      {"literal bytes missing", Assemble("0 001 [41]")},
      {"match past the capacity", Assemble("0 1 [41] 0 " + Gamma(65535) + kEnd)},
      {"run past the capacity", Assemble("0 " + Gamma(cBinWriter::kCapacity + 1) + "[41]")},
      {"padding not zero", Bytes{0x80, 0x00, 0x41}},
  };
  for (const Bad& row : table) {
    Bytes out = {0xAA};
    EXPECT_FALSE(DecodeLzStream(row.stream.data(), row.stream.size(), out)) << row.name;
    EXPECT_EQ(out, Bytes{0xAA}) << row.name;
  }
  // Every cut of a valid stream is refused.
  const Bytes stream = Encode(Text("ABABABAB! abcabcXabc 0000000000"));
  for (size_t cut = 0; cut < stream.size(); ++cut) {
    Bytes out;
    EXPECT_FALSE(DecodeLzStream(stream.data(), cut, out)) << cut;
  }
}

// ---------------------------------------------------------------------------
// Round trips.

// Items of `size` bytes that stress the parse: noise, one value, short
// periods, runs broken by single bytes, a slow ramp, repeats at far
// distances.
std::vector<Bytes> Patterns(size_t size, std::mt19937& random) {
  std::vector<Bytes> items(7, Bytes(size));
  for (size_t i = 0; i < size; ++i) {
    items[0][i] = static_cast<uint8_t>(random());
    items[1][i] = 0xFF;
    items[2][i] = static_cast<uint8_t>(i % 3 == 0 ? 0x55 : i % 2);
    items[3][i] = static_cast<uint8_t>(i % 9 == 8 ? random() : 7);
    items[4][i] = static_cast<uint8_t>(i / 5);
    items[5][i] = static_cast<uint8_t>(i < 258 ? random() : items[5][i - 257 - i % 2]);
    items[6][i] = static_cast<uint8_t>(random() % 3);
  }
  return items;
}

void ExpectRoundTrip(const Bytes& item, const char* what) {
  const Bytes stream = Encode(item);
  EXPECT_EQ(Decode(stream), item) << what << ", " << item.size() << " bytes";
}

TEST(LzStreamTest, EverySizeUpTo300RoundTrips) {
  std::mt19937 random(13);
  for (size_t size = 0; size <= 300; ++size) {
    for (const Bytes& item : Patterns(size, random)) ExpectRoundTrip(item, "pattern");
  }
}

TEST(LzStreamTest, LargestItemRoundTripsWithinItsBound) {
  std::mt19937 random(51);
  const std::vector<Bytes> items = Patterns(cBinWriter::kCapacity, random);
  for (size_t pattern : {1, 3, 5}) ExpectRoundTrip(items[pattern], "largest");
  // Noise can't shrink: its stream is the bound, one literal run.
  const Bytes noise = Encode(items[0]);
  EXPECT_EQ(static_cast<int>(noise.size()), LzStreamBound(cBinWriter::kCapacity));
  EXPECT_EQ(Decode(noise), items[0]);
  EXPECT_EQ(LzStreamBound(0), 3);
  EXPECT_EQ(LzStreamBound(1), 4);  // 2 + 18 bits in 3 bit bytes, and the literal
}

// Every item of the bundled example, through the real program: a build with
// every item compressed by "compresslz" holds, item by item, streams that
// decode to the bytes of the same build uncompressed.
TEST(LzStreamTest, BundledExampleItemsRoundTripThroughTheProgram) {
  std::string script = ReadText(std::string(KESTRIP_SOURCE_DIR) + "/examples/demo.kst");
  auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (size_t at = script.find(from); at != std::string::npos; at = script.find(from, at + to.size()))
      script.replace(at, from.size(), to);
  };
  replaceAll("headers off", "headers on");
  replaceAll("limit 8192", "");
  for (const char* word : {"compressbyte", "compressword", "compresslz"}) replaceAll(word, "compressnone");
  const std::string plainScript = script;
  replaceAll("compressnone", "compresslz");
  const std::string lzScript = script;

  TempDir dir;
  const std::string examples = std::string(KESTRIP_SOURCE_DIR) + "/examples";
  WriteFile(dir / "plain.kst", plainScript);
  WriteFile(dir / "lz.kst", lzScript);
  ASSERT_EQ(RunKestrip(examples, {dir / "plain.kst", dir / "plain.bin", dir / "plain.lst"}).status, 0);
  ASSERT_EQ(RunKestrip(examples, {dir / "lz.kst", dir / "lz.bin", dir / "lz.lst"}).status, 0);
  const Bytes plain = ReadBytes(dir / "plain.bin");
  const Bytes lz = ReadBytes(dir / "lz.bin");

  size_t plainAt = 0, lzAt = 0;
  int items = 0;
  while (plainAt + 3 <= plain.size() && lzAt + 3 <= lz.size()) {
    const size_t plainLength = plain[plainAt + 1] | plain[plainAt + 2] << 8;
    const size_t lzLength = lz[lzAt + 1] | lz[lzAt + 2] << 8;
    EXPECT_EQ(plain[plainAt], 0);
    EXPECT_EQ(lz[lzAt], 3);  // the header type of "compresslz"
    ASSERT_LE(plainAt + 3 + plainLength, plain.size());
    ASSERT_LE(lzAt + 3 + lzLength, lz.size());
    const Bytes item(plain.begin() + plainAt + 3, plain.begin() + plainAt + 3 + plainLength);
    const Bytes stream(lz.begin() + lzAt + 3, lz.begin() + lzAt + 3 + lzLength);
    EXPECT_EQ(Decode(stream), item) << "item " << items;
    EXPECT_EQ(stream, Encode(item)) << "item " << items;
    plainAt += 3 + plainLength;
    lzAt += 3 + lzLength;
    ++items;
  }
  EXPECT_EQ(items, 12);
  EXPECT_EQ(plainAt, plain.size());
  EXPECT_EQ(lzAt, lz.size());
}

// ---------------------------------------------------------------------------
// The writer.

TEST(LzStreamTest, WriterListsItsStreamLikeTheOtherCompressedWriters) {
  TempDir dir;
  WriteFile(dir / "run.bin", Repeat(0x07, 10));
  WriteFile(dir / "empty.bin", Bytes());
  const InProcessRun run = RunScriptText("org 32768\nrun compresslz raw \"" + dir / "run.bin" +
                                         "\"\nnothing compresslz raw \"" + dir / "empty.bin" +
                                         "\"\n");
  ASSERT_TRUE(run.result) << run.output;
  const Bytes stream = Assemble(std::string("0 1 [07] 0 0000001") + kEnd);
  const Bytes empty = Assemble(kEnd);
  EXPECT_EQ(run.binary, Concat({{3, 5, 0}, stream, {3, 3, 0}, empty}));
  EXPECT_NE(run.listing.find("run_compressed_size equ 5\n; 5 bytes written\n"
                             "; lz compression used saving 5 bytes\n"
                             "; data now at 50.0% original size\n; Header: 3,5\n"),
            std::string::npos)
      << run.listing;
  EXPECT_NE(run.listing.find("nothing_compressed_size equ 3\n; 3 bytes written\n"
                             "; lz compression used saving -3 bytes\n"
                             "; data now at inf% original size\n"),
            std::string::npos)
      << run.listing;
}

TEST(LzStreamTest, WriterRefusesToPrepareTwiceOrOutputUnprepared) {
  cBinWriter_CompressedLz writer;
  writer.Init();
  writer.AddByte(1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(writer.GetOutputSize(), 0);
  EXPECT_TRUE(writer.Prepare());
  EXPECT_FALSE(writer.Prepare());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writer hadn't been prepared for output!\n"
            "Writer data has already been prepared for output!\n");
  EXPECT_EQ(writer.GetType(), 3);
}

}  // namespace
