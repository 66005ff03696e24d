// The Z80 routines of target/, run on an emulated Z80 (bench/target's
// harness) against kestrip's own writers: every worked example of the four
// stream formats, every item size 0..300 of random and adversarial
// patterns, the largest items that fit, real items of every data type, and
// the README's example program. Each run checks the bytes, that nothing
// else was written (but the stack the routine's head allows), the
// registers the head promises, and that it returns within a step limit.
#include <gtest/gtest.h>

#ifndef KESTRIP_HAVE_Z80EX

TEST(TargetRoutinesTest, NeedTheEmulator) {
  GTEST_SKIP() << "z80ex (Debian's libz80ex-dev) was not found when this was built: "
                  "the target routines are not tested";
}

#else

#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <string>

#include "converters/fullscreenmask.h"
#include "target_streams.h"
#include "test_support.h"
#include "z80_harness.h"

namespace {

const std::string kTargetFolder = std::string(KESTRIP_SOURCE_DIR) + "/target";

std::string RoutinePath(const std::string& name) { return kTargetFolder + "/" + name + ".asm"; }

// Each routine assembled once, at origin 0.
const z80::Assembly& Routine(const std::string& name) {
  static std::map<std::string, z80::Assembly> assembled;
  auto found = assembled.find(name);
  if (found == assembled.end()) found = assembled.emplace(name, z80::AssembleRoutine(RoutinePath(name))).first;
  return found->second;
}

#define SKIP_WITHOUT_PASMO() \
  if (!z80::PasmoFound()) GTEST_SKIP() << "pasmo is not installed: the target routines are not assembled"

// What the routine's head promises: B = 0 on return; the registers it
// destroys (its "Destroys:" line up to the first full stop); the bytes of
// stack it uses below the return address (its "Stack:" line, 0 without).
bool LeavesBZero(const std::string& name) {
  return ReadText(RoutinePath(name)).find(";            B = 0\n") != std::string::npos;
}
std::string DestroyedRegisters(const std::string& name) {
  std::smatch destroyed;
  const std::string head = ReadText(RoutinePath(name));
  return std::regex_search(head, destroyed, std::regex("; Destroys: +([^.]*)\\.")) ? destroyed[1].str()
                                                                                  : "";
}
int StackBytes(const std::string& name) {
  std::smatch stack;
  const std::string head = ReadText(RoutinePath(name));
  return std::regex_search(head, stack, std::regex("; Stack: +([0-9]+) bytes below the return address"))
             ? std::stoi(stack[1])
             : 0;
}

// Two layouts of code, stream, destination and stack, so that every routine
// runs at two load addresses and with its stream below and above its output.
struct Layout {
  int code, stream, output, stack;
};
const Layout kLayouts[] = {{0x0100, 0x1000, 0x8000, 0x0100}, {0xE000, 0x9000, 0x2000, 0xF000}};

// Registers every routine leaves alone, with values to recognise them by.
z80::Registers EntryRegisters() {
  z80::Registers r;
  r.af = 0x1234, r.bc = 0x5678;
  r.ix = 0xA1A2, r.iy = 0xB1B2;
  r.afAlternate = 0xC1C2, r.bcAlternate = 0xC3C4, r.deAlternate = 0xC5C6, r.hlAlternate = 0xC7C8;
  r.i = 0x3F, r.iff1 = true, r.iff2 = true;
  return r;
}

void ExpectLeftAlone(const z80::Registers& in, const z80::Registers& out, const std::string& what,
                     bool keepsIx = true) {
  if (keepsIx) {
    EXPECT_EQ(out.ix, in.ix) << what;
  }
  EXPECT_EQ(out.iy, in.iy) << what;
  EXPECT_EQ(out.sp, in.sp) << what;
  EXPECT_EQ(out.afAlternate, in.afAlternate) << what;
  EXPECT_EQ(out.bcAlternate, in.bcAlternate) << what;
  EXPECT_EQ(out.deAlternate, in.deAlternate) << what;
  EXPECT_EQ(out.hlAlternate, in.hlAlternate) << what;
  EXPECT_EQ(out.i, in.i) << what;
  EXPECT_EQ(out.iff1, in.iff1) << what;
  EXPECT_EQ(out.iff2, in.iff2) << what;
}

// Enough instructions for any valid stream: a few per output byte, and per
// stream byte a few for each of the 8 bits it may hold. A routine that runs
// past it has lost its way.
uint64_t StepLimit(size_t streamSize, size_t outputSize) {
  return 100 + 3 * outputSize + 48 * streamSize;
}

// The addresses written outside [first, first + count) and outside the
// `stackBytes` below the return address (which lies just below `stack`).
std::vector<int> WrittenElsewhere(const z80::Outcome& outcome, int first, size_t count, int stack,
                                  int stackBytes) {
  std::vector<int> elsewhere;
  for (int address : outcome.WrittenOutside(first, static_cast<int>(count))) {
    if (address < stack - 2 - stackBytes || address >= stack - 2) elsewhere.push_back(address);
  }
  return elsewhere;
}

// Unpacks `stream` with the routine and checks it gave `item`.
void ExpectUnpacks(const std::string& routine, const Bytes& stream, const Bytes& item,
                   const Layout& layout, const std::string& what) {
  z80::Call call;
  call.loads = {{layout.code, Routine(routine).code}, {layout.stream, stream}};
  call.fill = 0xC9;
  call.entry = layout.code;
  call.registers = EntryRegisters();
  call.registers.sp = static_cast<uint16_t>(layout.stack);
  call.registers.hl = static_cast<uint16_t>(layout.stream);
  call.registers.de = static_cast<uint16_t>(layout.output);
  call.stepLimit = StepLimit(stream.size(), item.size());
  const z80::Outcome outcome = z80::Run(call);

  const std::string where = routine + ", " + what;
  ASSERT_TRUE(outcome.returned) << where << ": no RET within " << call.stepLimit << " steps";
  const auto first = outcome.memory.begin() + layout.output;
  EXPECT_TRUE(Bytes(first, first + static_cast<std::ptrdiff_t>(item.size())) == item) << where;
  EXPECT_EQ(WrittenElsewhere(outcome, layout.output, item.size(), layout.stack, StackBytes(routine)),
            std::vector<int>())
      << where;
  EXPECT_EQ(outcome.registers.hl, layout.stream + stream.size()) << where;
  EXPECT_EQ(outcome.registers.de, layout.output + item.size()) << where;
  if (LeavesBZero(routine)) {
    EXPECT_EQ(outcome.registers.bc >> 8, 0) << where;
  }
  ExpectLeftAlone(call.registers, outcome.registers, where,
                  DestroyedRegisters(routine).find("IX") == std::string::npos);
}

constexpr int kLzType = 3;

struct Unpacker {
  const char* routine;
  Bytes (*stream)(const Bytes& item);
  int unitSize;
  int headerType;
};
const Unpacker kUnpackers[] = {
    {"kestrip_unpack_bytes", target::ByteStream, 1, 1},
    {"kestrip_unpack_bytes_fast", target::ByteStream, 1, 1},
    {"kestrip_unpack_words", target::WordStream, 2, 2},
    {"kestrip_unpack_words_fast", target::WordStream, 2, 2},
    {"kestrip_unpack_lz", target::LzStream, 1, kLzType},
    {"kestrip_unpack_lz_fast", target::LzStream, 1, kLzType},
};
const char* const kMaskRoutines[] = {"kestrip_apply_mask", "kestrip_apply_mask_fast"};

// ---------------------------------------------------------------------------
// Every routine assembles cleanly, to the same bytes at any origin (nothing
// absolute inside), starts at its label and is as large as its head says.

TEST(TargetRoutinesTest, AssembleAliketAnyOriginAtTheSizeTheirHeadsGive) {
  SKIP_WITHOUT_PASMO();
  const char* const routines[] = {"kestrip_find_item",         "kestrip_unpack_bytes",
                                  "kestrip_unpack_bytes_fast", "kestrip_unpack_words",
                                  "kestrip_unpack_words_fast", "kestrip_unpack_lz",
                                  "kestrip_unpack_lz_fast",    "kestrip_apply_mask",
                                  "kestrip_apply_mask_fast"};
  for (const char* name : routines) {
    const z80::Assembly& atZero = Routine(name);
    ASSERT_TRUE(atZero.ok) << name << ": " << atZero.messages;
    EXPECT_EQ(atZero.messages, "") << name;
    EXPECT_EQ(atZero.symbols.at(name), 0) << name;
    const z80::Assembly elsewhere = z80::AssembleRoutine(RoutinePath(name), 0x6543);
    EXPECT_TRUE(elsewhere.code == atZero.code) << name << " holds an absolute address";

    std::smatch size;
    const std::string head = ReadText(RoutinePath(name));
    ASSERT_TRUE(std::regex_search(head, size, std::regex("; Size: +([0-9]+) bytes"))) << name;
    EXPECT_EQ(std::stoul(size[1]), atZero.code.size()) << name;
  }
  const z80::Assembly all = z80::AssembleRoutine(kTargetFolder + "/kestrip.asm");
  EXPECT_TRUE(all.ok && all.messages.empty()) << all.messages;
  for (const char* name : routines) EXPECT_EQ(all.symbols.count(name), 1u) << name;
}

// ---------------------------------------------------------------------------
// The worked examples of the byte and word streams.

TEST(TargetRoutinesTest, UnpackTheWorkedExamples) {
  SKIP_WITHOUT_PASMO();
  Bytes counting;
  for (int i = 0; i < 130; ++i) counting.push_back(static_cast<uint8_t>(i));
  const std::vector<Bytes> byteItems = {
      Concat({Repeat(0x41, 10), {0x42, 0x43, 0x44}}),
      {0x01, 0x02, 0x02, 0x03, 0x03, 0x03, 0x04},
      Repeat(0x07, 200), Repeat(0x07, 127), counting, {0x01}, {0x01, 0x01}, {0x01, 0x01, 0x01},
      Repeat(0x09, 252), Repeat(0x09, 253), Repeat(0x09, 254), Repeat(0x09, 255), {}};
  const std::vector<Bytes> wordItems = {
      {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x01, 0x00, 0x02, 0x00},
      {0xAA, 0xBB, 0xAA, 0xBB}, Repeat(0x00, 400), {0x11, 0x22, 0x33, 0x44}, Repeat(0x00, 6),
      {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}, {0x12, 0x34}, {}};
  // The LZ stream's worked examples (lz_stream.h, lz_stream_test.cpp), after the byte stream's.
  std::vector<Bytes> lzItems = byteItems;
  for (const char* text : {"ABABABAB!", "abcXabcYabc", "ABABABAB! abcabcXabc 0000000000"})
    lzItems.push_back(Bytes(text, text + strlen(text)));
  for (const Unpacker& unpacker : kUnpackers) {
    const std::vector<Bytes>& items =
        unpacker.headerType == kLzType ? lzItems : unpacker.unitSize == 1 ? byteItems : wordItems;
    for (size_t i = 0; i < items.size(); ++i) {
      for (const Layout& layout : kLayouts)
        ExpectUnpacks(unpacker.routine, unpacker.stream(items[i]), items[i], layout,
                      "example " + std::to_string(i));
    }
  }
}

// ---------------------------------------------------------------------------
// Every item of 0..300 units of each pattern: random data, and the record
// boundaries a decoder can get wrong (runs cut at 126, literals cut at 126).

using UnitPattern = uint16_t (*)(size_t unit, std::mt19937& random);

// The value of the run that unit `unit` falls in, runs cycling through `lengths`.
uint16_t RunValue(size_t unit, std::initializer_list<size_t> lengths) {
  size_t cycle = 0;
  for (size_t length : lengths) cycle += length;
  size_t run = unit / cycle * lengths.size();
  size_t offset = unit % cycle;
  for (size_t length : lengths) {
    if (offset < length) break;
    offset -= length;
    ++run;
  }
  return static_cast<uint16_t>(0x0101 * (run % 200 + 1));
}

// Literal stretches of `length` units (no two alike in a row) between runs of 3.
uint16_t LiteralsThenRun(size_t unit, size_t length) {
  const size_t offset = unit % (length + 3);
  return offset < length ? static_cast<uint16_t>(0x0100 * (unit % 7) + unit % 251 + 1) : 0xEEEE;
}

struct NamedPattern {
  const char* name;
  UnitPattern unit;
};
const NamedPattern kPatterns[] = {
    {"random", [](size_t, std::mt19937& random) { return static_cast<uint16_t>(random()); }},
    {"short runs", [](size_t unit, std::mt19937&) { return RunValue(unit, {1, 3, 2, 4, 3, 5, 1}); }},
    {"runs of 125..127", [](size_t unit, std::mt19937&) { return RunValue(unit, {125, 126, 127}); }},
    {"runs of 252..255",
     [](size_t unit, std::mt19937&) { return RunValue(unit, {252, 253, 254, 255}); }},
    {"literals of 126", [](size_t unit, std::mt19937&) { return LiteralsThenRun(unit, 126); }},
    {"literals of 127", [](size_t unit, std::mt19937&) { return LiteralsThenRun(unit, 127); }},
    {"one value", [](size_t, std::mt19937&) { return static_cast<uint16_t>(0xA55A); }},
};

Bytes PatternItem(const NamedPattern& pattern, size_t units, int unitSize, std::mt19937& random) {
  Bytes item;
  for (size_t unit = 0; unit < units; ++unit) {
    const uint16_t value = pattern.unit(unit, random);
    item.push_back(static_cast<uint8_t>(value));
    if (unitSize == 2) item.push_back(static_cast<uint8_t>(value >> 8));
  }
  return item;
}

TEST(TargetRoutinesTest, UnpackEveryItemSizeOfEveryPattern) {
  SKIP_WITHOUT_PASMO();
  constexpr size_t kMostUnits = 300;
  for (const Unpacker& unpacker : kUnpackers) {
    std::mt19937 random(11);
    for (const NamedPattern& pattern : kPatterns) {
      for (size_t units = 0; units <= kMostUnits; ++units) {
        const Bytes item = PatternItem(pattern, units, unpacker.unitSize, random);
        ExpectUnpacks(unpacker.routine, unpacker.stream(item), item, kLayouts[units % 2],
                      std::string(pattern.name) + ", " + std::to_string(units) + " units");
        if (HasFatalFailure()) return;
      }
    }
  }
}

// LZ items of every size 0..300 that an LZ decoder can get wrong: literal
// runs and matches of every gamma code length around its boundaries,
// distances either side of the high part's first boundary (256, 257),
// repeat matches, overlapping copies, and noise full of 2-byte matches.
struct LzPattern {
  const char* name;
  Bytes (*make)(size_t size, std::mt19937& random);
};

// Random bytes, each replaced by the byte `distance(i)` back where there is one.
Bytes CopiesFrom(size_t size, std::mt19937& random, size_t (*distance)(size_t i)) {
  Bytes item;
  for (size_t i = 0; i < size; ++i) {
    const size_t back = distance(i);
    item.push_back(back > 0 && back <= i ? item[i - back] : static_cast<uint8_t>(random()));
  }
  return item;
}

// Random stretches and runs of one byte, their lengths cycling through the
// gamma codes' boundaries (a run of n bytes is a literal and a repeat match
// of n - 1 at distance 1, whose code is gamma(n - 2)).
Bytes LiteralsAndRuns(size_t size, std::mt19937& random) {
  static const size_t kLengths[] = {1,  2,  3,  4,  5,   7,   8,   9,   15,  16,  17, 31,
                                    32, 33, 63, 64, 65, 127, 128, 129, 255, 256, 257};
  Bytes item;
  for (size_t k = 0; item.size() < size; ++k) {
    const size_t length = kLengths[k / 2 % std::size(kLengths)];
    if (k % 2 == 0) {
      for (size_t i = 0; i < length; ++i) item.push_back(static_cast<uint8_t>(random()));
    } else {
      item.insert(item.end(), length + 2, static_cast<uint8_t>(k * 37));
    }
  }
  item.resize(size);
  return item;
}

const LzPattern kLzPatterns[] = {
    {"literals and runs of every code length", LiteralsAndRuns},
    {"copies from 256 and 257 back",
     [](size_t size, std::mt19937& random) {
       return CopiesFrom(size, random, [](size_t i) -> size_t { return i < 257 ? 0 : 256 + i / 8 % 2; });
     }},
    {"repeat matches after one literal",
     [](size_t size, std::mt19937& random) {
       return CopiesFrom(size, random, [](size_t i) -> size_t { return i % 8 == 7 ? 0 : 8; });
     }},
    {"overlapping copies",
     [](size_t size, std::mt19937& random) {
       return CopiesFrom(size, random, [](size_t i) -> size_t { return 1 + i / 16 % 4; });
     }},
    {"noise of 2-byte matches",
     [](size_t size, std::mt19937& random) {
       Bytes item;
       for (size_t i = 0; i < size; ++i) item.push_back(static_cast<uint8_t>(100 + i / 64 + random() % 7));
       return item;
     }},
};

TEST(TargetRoutinesTest, UnpackEveryLzItemSizeOfEveryLzPattern) {
  SKIP_WITHOUT_PASMO();
  for (const Unpacker& unpacker : kUnpackers) {
    if (unpacker.headerType != kLzType) continue;
    std::mt19937 random(17);
    for (const LzPattern& pattern : kLzPatterns) {
      for (size_t size = 0; size <= 300; ++size) {
        const Bytes item = pattern.make(size, random);
        ExpectUnpacks(unpacker.routine, unpacker.stream(item), item, kLayouts[size % 2],
                      std::string(pattern.name) + ", " + std::to_string(size) + " bytes");
        if (HasFatalFailure()) return;
      }
    }
  }
}

// The largest item kestrip writes (51200 bytes) where its stream fits
// beside it, and the largest random item whose stream and output both fit
// in the 64 KiB.
TEST(TargetRoutinesTest, UnpackTheLargestItemsThatFit) {
  SKIP_WITHOUT_PASMO();
  constexpr size_t kLargestItem = 51200;
  constexpr size_t kLargestRandomItem = 31744;
  const Layout layout = {0xFE00, 0xC800, 0x0000, 0xFE00};
  const Layout randomLayout = {0xFE00, 0x7C00, 0x0000, 0xFE00};
  std::mt19937 random(5);
  for (const Unpacker& unpacker : kUnpackers) {
    const Bytes item =
        PatternItem(kPatterns[3], kLargestItem / unpacker.unitSize, unpacker.unitSize, random);
    ExpectUnpacks(unpacker.routine, unpacker.stream(item), item, layout, "the largest item");
    const Bytes noise =
        PatternItem(kPatterns[0], kLargestRandomItem / unpacker.unitSize, unpacker.unitSize, random);
    const Bytes stream = unpacker.stream(noise);
    ASSERT_LE(randomLayout.stream + stream.size(), static_cast<size_t>(randomLayout.code));
    ExpectUnpacks(unpacker.routine, stream, noise, randomLayout, "the largest random item");
  }
}

// ---------------------------------------------------------------------------
// In place: the stream's last byte at the end of a buffer of the item's size
// and the least margin the stream needs, the output from the buffer's first
// byte (target_streams.h draws it). No routine may write over a stream byte
// it has not read, and no stream needs more margin than the heads promise.

TEST(TargetRoutinesTest, InPlaceMarginsOfHandWorkedStreams) {
  struct MarginCase {
    Bytes stream;
    int headerType;
    size_t margin;
  };
  const MarginCase cases[] = {
      // LZ streams (lz_stream.h): the terminator's bits follow the last write.
      {{0x80, 0x00, 0x40}, kLzType, 3},                    // the empty item
      {{0x60, 0x41, 0x00, 0x10}, kLzType, 3},              // one literal: the bound's overhead
      {{0x40, 0x07, 0x60, 0x00, 0x10}, kLzType, 2},        // ten 07: the repeat writes up to its codes
      {{0x1C, 0x41, 0x42, 0xFE, 0x6C, 0x21, 0x00, 0x02}, kLzType, 2},  // ABABABAB!
      // Run-length streams.
      {{0x00}, 1, 1},                                  // the empty item: room for the terminator
      {{0x01, 0x41, 0x00}, 1, 2},                      // a stream longer than its item
      {{0x85, 0x41, 0x00}, 1, 1},                      // a run: the terminator after it
      {{0x83, 0x41, 0x01, 0x42, 0x00}, 1, 2},          // after the run, 01 42 00 for one byte
      {{0x02, 0x41, 0x42, 0x83, 0x43, 0x00}, 1, 1},    // a literal, then a run
      {{0x83, 0x41, 0x42, 0x00}, 2, 1},                // a word run
      {{0x83, 0x41, 0x42, 0x01, 0x43, 0x44, 0x00}, 2, 2},
  };
  for (const MarginCase& c : cases) {
    EXPECT_EQ(target::InPlaceMargin(c.stream, c.headerType), c.margin)
        << ::testing::PrintToString(c.stream);
    Bytes item;
    EXPECT_TRUE(target::DecodeItem({c.headerType, 0, c.stream, ""}, item)) << ::testing::PrintToString(c.stream);
  }
}

TEST(TargetRoutinesTest, UnpackInPlaceWithTheLeastMargin) {
  SKIP_WITHOUT_PASMO();
  constexpr int kBuffer = 0x0100, kCode = 0xF000;  // the return address just below the buffer
  constexpr size_t kLargestInPlace = 49152;  // a greyscale picture of noise: 48 KiB and its stream
  for (const Unpacker& unpacker : kUnpackers) {
    std::mt19937 random(7);
    std::vector<std::pair<std::string, Bytes>> items;
    for (const NamedPattern& pattern : kPatterns) {
      for (size_t units : {1, 2, 3, 4, 126, 127, 128, 253, 300, 1000})
        items.push_back({std::string(pattern.name) + ", " + std::to_string(units) + " units",
                         PatternItem(pattern, units, unpacker.unitSize, random)});
    }
    const size_t largestUnits = kLargestInPlace / unpacker.unitSize;
    items.push_back({"the largest random item",
                     PatternItem(kPatterns[0], largestUnits, unpacker.unitSize, random)});
    if (unpacker.headerType == kLzType) {
      for (const LzPattern& pattern : kLzPatterns) {
        for (size_t size : {1, 2, 3, 15, 16, 255, 256, 1000, 4096})
          items.push_back({std::string(pattern.name) + ", " + std::to_string(size) + " bytes",
                           pattern.make(size, random)});
      }
      // The largest item kestrip writes, with copies from as far back as it reaches.
      items.push_back({"the largest item, copies from far back",
                       CopiesFrom(51200, random, [](size_t i) -> size_t {
                         return i < 20000 ? 0 : i < 40000 ? 20000 - i / 4096 % 2 : i - 1 - i % 256;
                       })});
    }
    for (const auto& named : items) {
      const Bytes& item = named.second;
      const Bytes stream = unpacker.stream(item);
      const size_t margin = target::InPlaceMargin(stream, unpacker.headerType);
      EXPECT_LE(margin, target::InPlaceMarginBound(item.size(), unpacker.headerType)) << named.first;
      const int streamAddress = kBuffer + static_cast<int>(item.size() + margin - stream.size());
      ASSERT_LT(kBuffer + item.size() + margin, static_cast<size_t>(kCode));
      ExpectUnpacks(unpacker.routine, stream, item, {kCode, streamAddress, kBuffer, kBuffer},
                    "in place, " + named.first);
      if (HasFatalFailure()) return;
    }
  }
}

// ---------------------------------------------------------------------------
// Full-screen masks: the worked examples and pair patterns of every height.

void ExpectMaskApplied(const std::string& routine, const Bytes& pairs, const Layout& layout,
                       const std::string& what) {
  const Bytes stream = target::MaskStream(pairs);
  ASSERT_FALSE(stream.empty()) << what;
  std::mt19937 random(static_cast<unsigned>(pairs.size()));
  Bytes screen(pairs.size() / 2);
  for (uint8_t& byte : screen) byte = static_cast<uint8_t>(random());

  z80::Call call;
  call.loads = {{layout.code, Routine(routine).code}, {layout.stream, stream}, {layout.output, screen}};
  call.entry = layout.code;
  call.registers = EntryRegisters();
  call.registers.sp = static_cast<uint16_t>(layout.stack);
  call.registers.hl = static_cast<uint16_t>(layout.stream);
  call.registers.de = static_cast<uint16_t>(layout.output);
  call.stepLimit = StepLimit(stream.size(), screen.size());
  const z80::Outcome outcome = z80::Run(call);

  const std::string where = routine + ", " + what;
  ASSERT_TRUE(outcome.returned) << where << ": no RET within " << call.stepLimit << " steps";
  const auto first = outcome.memory.begin() + layout.output;
  EXPECT_TRUE(Bytes(first, first + static_cast<std::ptrdiff_t>(screen.size())) ==
              target::ApplyMask(screen, pairs))
      << where;
  // Only the bytes of pairs whose mask byte is not FF are written.
  for (int address : outcome.WrittenOutside(0, 0)) {
    const int pair = address - layout.output;
    ASSERT_TRUE(pair >= 0 && pair < static_cast<int>(screen.size()) && pairs[2 * pair] != 0xFF)
        << where << ": wrote " << address;
  }
  EXPECT_EQ(outcome.registers.hl, layout.stream + stream.size()) << where;
  EXPECT_EQ(outcome.registers.de, layout.output + screen.size()) << where;
  if (LeavesBZero(routine)) {
    EXPECT_EQ(outcome.registers.bc >> 8, 0) << where;
  }
  ExpectLeftAlone(call.registers, outcome.registers, where);
}

uint8_t AnyByte(std::mt19937& random) { return static_cast<uint8_t>(random()); }
uint8_t AnyKey(std::mt19937& random) { return static_cast<uint8_t>(1 + random() % 254); }

void AddPairs(Bytes& pairs, uint8_t mask, int count, std::mt19937& random) {
  for (int i = 0; i < count; ++i) pairs.insert(pairs.end(), {mask, mask == 0xFF ? uint8_t{0} : AnyByte(random)});
}

// Each case makes the `count` pairs of a screen.
struct MaskCase {
  const char* name;
  Bytes (*pairs)(int count, std::mt19937& random);
};
const MaskCase kMaskCases[] = {
    // The worked example, then mask bytes FF.
    {"worked example",
     [](int count, std::mt19937&) {
       Bytes pairs = {0x00, 0x3C, 0x00, 0x18, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x81, 0x24, 0x81, 0x42};
       while (pairs.size() < 2u * count) pairs.insert(pairs.end(), {0xFF, 0x00});
       return pairs;
     }},
    {"all mask colour",
     [](int count, std::mt19937& random) {
       Bytes pairs;
       AddPairs(pairs, 0xFF, count, random);
       return pairs;
     }},
    {"all black", [](int count, std::mt19937&) { return Bytes(2u * count, 0x00); }},
    {"random pairs",
     [](int count, std::mt19937& random) {
       // As the converter makes them: no pixel both masked and drawn.
       Bytes pairs;
       for (int i = 0; i < count; ++i) {
         const uint8_t mask = AnyByte(random);
         pairs.insert(pairs.end(), {mask, static_cast<uint8_t>(AnyByte(random) & ~mask)});
       }
       return pairs;
     }},
    // The longest stream: lone 00-key pairs between key pairs.
    {"alternating",
     [](int count, std::mt19937& random) {
       Bytes pairs;
       for (int i = 0; i < count; ++i) AddPairs(pairs, i % 2 ? AnyKey(random) : 0x00, 1, random);
       return pairs;
     }},
    // Runs of 00 and of FF of every length 1..300 (255 and 256 among them), a key between.
    {"runs of every length",
     [](int count, std::mt19937& random) {
       Bytes pairs;
       for (int length = 1; pairs.size() < 2u * count; length = length % 300 + 1) {
         AddPairs(pairs, length % 2 ? 0x00 : 0xFF, length, random);
         AddPairs(pairs, AnyKey(random), 1, random);
       }
       pairs.resize(2u * count);
       return pairs;
     }},
};

TEST(TargetRoutinesTest, ApplyMasksOfEveryHeight) {
  SKIP_WITHOUT_PASMO();
  const Layout layouts[] = {{0x0100, 0x8000, 0x4000, 0x0100}, {0xF000, 0x0200, 0x6000, 0xF000}};
  for (const char* routine : kMaskRoutines) {
    for (const MaskCase& maskCase : kMaskCases) {
      for (int height : {64, 128, 192}) {
        std::mt19937 random(static_cast<unsigned>(height));
        const Bytes pairs = maskCase.pairs(32 * height, random);
        ExpectMaskApplied(routine, pairs, layouts[height / 64 % 2],
                          std::string(maskCase.name) + ", " + std::to_string(height) + " rows");
      }
    }
  }
}

// Runs of exactly 255 and 256 like pairs, the lengths where a record is cut.
TEST(TargetRoutinesTest, ApplyMasksWithRunsCutAtTheCountLimit) {
  SKIP_WITHOUT_PASMO();
  const Layout layout = {0xC000, 0x8000, 0x4000, 0xC000};
  for (const char* routine : kMaskRoutines) {
    for (uint8_t mask : {uint8_t{0x00}, uint8_t{0xFF}}) {
      for (int run : {254, 255, 256, 510, 511}) {
        Bytes pairs;
        for (int pair = 0; pair < 2048; ++pair) {
          const bool inRun = pair >= 100 && pair < 100 + run;
          const uint8_t key = inRun ? mask : static_cast<uint8_t>(0x80 | (pair & 0x7F));
          pairs.insert(pairs.end(), {key, key == 0xFF ? uint8_t{0} : static_cast<uint8_t>(pair)});
        }
        ExpectMaskApplied(routine, pairs, layout,
                          "a run of " + std::to_string(run) + " of mask " + std::to_string(mask));
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Real items: every data type of the bundled example with every compression
// word, built by the real program, found with kestrip_find_item and unpacked.

const char* const kExampleItems[][2] = {
    {"raw", "\"table.bin\""},           {"maskedsprite", "\"sprite.bmp\""},
    {"unmaskedsprite", "\"ship.bmp\""},   {"gfxblock", "\"logo.bmp\""},
    {"titlescreen", "\"title.bmp\""},     {"fullscreenmask", "\"window.bmp\""},
    {"lineanim", "spin"},                 {"colourblock", "\"colours.bmp\""},
    {"colourtile", "\"tiles.bmp\""},      {"tilepicture", "\"level.bmp\""},
    {"greyscale", "\"face.bmp\""}};
const char* const kCompressionWords[] = {"compressnone", "compressbyte", "compressword", "compresslz"};
constexpr size_t kWords = std::size(kCompressionWords);

void CopyExampleFiles(const TempDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(std::string(KESTRIP_SOURCE_DIR) + "/examples"))
    std::filesystem::copy_file(entry.path(), dir / entry.path().filename().string());
}

struct ExampleBuild {
  Bytes binary;
  std::vector<target::BuildItem> items;  // item kWords k + c: data type k, compression word c
};

ExampleBuild BuildEveryExampleItem(const TempDir& dir) {
  std::string script = "org 32768\n";
  for (const auto& item : kExampleItems) {
    for (const char* compression : kCompressionWords)
      script += std::string(item[0]) + "_" + compression + " " + compression + " " + item[0] + " " + item[1] + "\n";
  }
  ExampleBuild build;
  const ScriptRun run = RunScriptFile(dir, script);
  EXPECT_EQ(run.run.status, 0) << run.run.output;
  build.binary = run.binary;
  EXPECT_TRUE(target::ReadBuildItems(run.binary, run.listing, build.items));
  return build;
}

TEST(TargetRoutinesTest, FindAndUnpackRealItemsOfEveryDataType) {
  SKIP_WITHOUT_PASMO();
  TempDir dir;
  CopyExampleFiles(dir);
  const ExampleBuild build = BuildEveryExampleItem(dir);
  ASSERT_EQ(build.items.size(), kWords * std::size(kExampleItems));

  // The binary at 0x4000 (it is under 32 KiB), unpacked items from 0xC000.
  constexpr int kBinaryAddress = 0x4000, kCodeAddress = 0x0100, kOutputAddress = 0xC000;
  ASSERT_LT(kBinaryAddress + build.binary.size(), static_cast<size_t>(kOutputAddress));
  for (size_t id = 0; id < build.items.size(); ++id) {
    const target::BuildItem& item = build.items[id];
    const std::string what =
        std::string(kExampleItems[id / kWords][0]) + " " + kCompressionWords[id % kWords];
    z80::Call find;
    find.loads = {{kCodeAddress, Routine("kestrip_find_item").code}, {kBinaryAddress, build.binary}};
    find.entry = kCodeAddress;
    find.registers = EntryRegisters();
    find.registers.sp = kCodeAddress;
    find.registers.hl = kBinaryAddress;
    find.registers.af = static_cast<uint16_t>(id << 8);
    find.stepLimit = 20 * (id + 1);
    const z80::Outcome found = z80::Run(find);
    ASSERT_TRUE(found.returned) << what;
    EXPECT_EQ(found.registers.hl, kBinaryAddress + item.headerOffset + 3) << what;
    EXPECT_EQ(found.registers.bc, item.data.size()) << what;
    EXPECT_EQ(found.registers.a(), item.type) << what;
    EXPECT_TRUE(found.WrittenOutside(0, 0).empty()) << what;
    ExpectLeftAlone(find.registers, found.registers, what);

    // Its bytes as the uncompressed twin of the item holds them.
    const Bytes& original = build.items[id / kWords * kWords].data;
    for (const Unpacker& unpacker : kUnpackers) {
      if (unpacker.headerType != item.type) continue;
      const Layout layout = {kCodeAddress, found.registers.hl, kOutputAddress, kCodeAddress};
      ExpectUnpacks(unpacker.routine, item.data, original, layout, what);
    }
    if (std::string(kExampleItems[id / kWords][0]) == "fullscreenmask" && item.type == 0) {
      Bytes pairs;
      ASSERT_TRUE(DecodeMaskStream(item.data.data(), item.data.size(), pairs));
      for (const char* routine : kMaskRoutines)
        ExpectMaskApplied(routine, pairs, {0xF000, 0x8000, 0x4000, 0xF000}, what);
    }
  }
}

// ---------------------------------------------------------------------------
// The README's example program, as printed there, on the build of its script.

// The fenced block of README.md whose first line is `firstLine`.
std::string ReadmeBlock(const std::string& firstLine) {
  const std::string readme = ReadText(std::string(KESTRIP_SOURCE_DIR) + "/README.md");
  const size_t start = readme.find("```\n" + firstLine + "\n");
  if (start == std::string::npos) return "";
  const size_t end = readme.find("```\n", start + 4);
  return readme.substr(start + 4, end == std::string::npos ? std::string::npos : end - start - 4);
}

TEST(TargetRoutinesTest, TheReadmeExampleDrawsTheTitleUnderTheCockpit) {
  SKIP_WITHOUT_PASMO();
  TempDir dir;
  CopyExampleFiles(dir);
  const std::string script = ReadmeBlock("# game.kst: the two items the program shows");
  const std::string program = ReadmeBlock("; show_title.asm: the title screen under the cockpit");
  ASSERT_FALSE(script.empty());
  ASSERT_FALSE(program.empty());
  WriteFile(dir / "game.kst", script);
  const RunResult built = RunKestrip(dir.path(), {"game.kst", "game.bin", "game.lst"});
  ASSERT_EQ(built.status, 0) << built.output;
  const z80::Assembly assembly = z80::AssembleSource(program, {kTargetFolder, dir.path()});
  ASSERT_TRUE(assembly.ok && assembly.messages.empty()) << assembly.messages;

  std::vector<target::BuildItem> items;
  ASSERT_TRUE(target::ReadBuildItems(ReadBytes(dir / "game.bin"), ReadText(dir / "game.lst"), items));
  ASSERT_EQ(items.size(), 2u);
  Bytes title, pairs;
  ASSERT_TRUE(target::DecodeItem(items[0], title));
  ASSERT_TRUE(DecodeMaskStream(items[1].data.data(), items[1].data.size(), pairs));
  Bytes display = target::ApplyMask(title, pairs);

  constexpr int kDisplay = 0x4000, kStack = 0x8000;
  z80::Call call;
  call.loads = {{assembly.symbols.at("show_title"), assembly.code}};
  call.fill = 0x55;
  call.entry = assembly.symbols.at("show_title");
  call.registers = EntryRegisters();
  call.registers.sp = kStack;
  const z80::Outcome outcome = z80::Run(call);
  ASSERT_TRUE(outcome.returned);
  const auto first = outcome.memory.begin() + kDisplay;
  EXPECT_TRUE(Bytes(first, first + static_cast<std::ptrdiff_t>(display.size())) == display);
  // The display and the calls' return addresses below the stack: nothing else.
  for (int address : outcome.WrittenOutside(kDisplay, static_cast<int>(display.size())))
    EXPECT_TRUE(address >= kStack - 8 && address < kStack) << address;
}

}  // namespace

#endif  // KESTRIP_HAVE_Z80EX
