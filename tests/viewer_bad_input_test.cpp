// The viewer as a second, independent reader of kestrip's formats: every
// disagreement between the binary file and the listing, and every damaged
// stream, is a one-line message naming the item and a non-zero exit, never
// a crash. The cases start from real builds and damage one thing each.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "viewer/build_reader.h"
#include "viewer/text.h"
#include "viewer_test_support.h"

namespace {

using namespace viewer_test;

// A small build of raw items with known offsets:
//
//   offset  0  a: header 00 0A 00, 10 bytes "0123456789"      (address 103)
//   offset 13  b: header 01 0E 00, 14-byte byte stream          (address 116)
//              9E 11 | 0A 01..0A | 00  for 30 x 11 then 01..0A
//   offset 30  c: (headers off) 10-byte word stream            (address 130)
//              04 01 02 03 04 05 06 07 08 | 00
const char kSmallScript[] =
    "org 100\n"
    "a compressnone raw \"a.dat\"\n"
    "b compressbyte raw \"b.dat\"\n"
    "headers off\n"
    "c compressword raw \"c.dat\"\n";

struct SmallBuild {
  Bytes binary;
  std::string listing;
};

SmallBuild MakeSmallBuild(const TempDir& dir) {
  WriteFile(dir / "a.dat", std::string("0123456789"));
  Bytes b(30, 0x11);
  for (uint8_t i = 1; i <= 10; ++i) b.push_back(i);
  WriteFile(dir / "b.dat", b);
  WriteFile(dir / "c.dat", Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  const ScriptRun run = RunScriptFile(dir, kSmallScript);
  EXPECT_EQ(run.run.status, 0) << run.run.output;
  EXPECT_EQ(run.binary.size(), 40u);
  return {run.binary, run.listing};
}

void ReplaceLine(std::string& listing, const std::string& line, const std::string& with) {
  const size_t at = listing.find(line + "\n");
  ASSERT_NE(at, std::string::npos) << line;
  listing.replace(at, line.size() + 1, with.empty() ? "" : with + "\n");
}

struct Damage {
  const char* what;
  std::function<void(Bytes& binary, std::string& listing)> apply;
  const char* message;
};

const Damage kDamages[] = {
    // The binary file.
    {"binary cut inside the last item", [](Bytes& bin, std::string&) { bin.resize(35); },
     "item 3 'c' (raw): truncated binary file: the item's 10 bytes at offset 30 run past its end at 35"},
    {"binary cut inside a header", [](Bytes& bin, std::string&) { bin.resize(14); },
     "item 2 'b' (raw): truncated binary file: no room for the item's header at offset 13 of 14"},
    {"empty binary", [](Bytes& bin, std::string&) { bin.clear(); },
     "item 1 'a' (raw): truncated binary file: no room for the item's header at offset 0 of 0"},
    {"header length past the end", [](Bytes& bin, std::string&) { bin[14] = 0xFF; },
     "item 2 'b' (raw): the header's length 255 at offset 13 runs past the end of the binary file "
     "(24 bytes left)"},
    {"header length disagrees", [](Bytes& bin, std::string&) { bin[14] = 13; },
     "item 2 'b' (raw): the binary file's header 1,13 disagrees with the listing's header line 1,14"},
    {"header type disagrees", [](Bytes& bin, std::string&) { bin[0] = 2; },
     "item 1 'a' (raw): the binary file's header 2,10 disagrees with the listing's header line 0,10"},
    {"bad control byte in a byte stream", [](Bytes& bin, std::string&) { bin[16] = 0x7F; },
     "item 2 'b' (raw): corrupt byte-compressed stream"},
    {"byte stream ends early", [](Bytes& bin, std::string&) { bin[16] = 0x00; },
     "item 2 'b' (raw): the byte-compressed stream ends after 1 of its 14 bytes"},
    {"byte stream decodes short", [](Bytes& bin, std::string&) { bin[16] = 0x9D; },
     "item 2 'b' (raw): the byte-compressed stream decodes to 39 bytes, the listing says 40"},
    {"word stream without terminator", [](Bytes& bin, std::string&) { bin[39] = 0x01; },
     "item 3 'c' (raw): corrupt word-compressed stream"},
    {"bytes after the last item", [](Bytes& bin, std::string&) { bin.push_back(0); bin.push_back(0); },
     "the binary file has 2 bytes after the last item"},
    // The listing.
    {"listing missing a size symbol",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "b_length equ 40", ""); },
     "item 2 'b' (raw): the listing has no b_length symbol"},
    {"listing missing the compressed size",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "c_compressed_size equ 10", ""); },
     "item 3 'c' (raw): the listing has no c_compressed_size symbol"},
    {"listing missing the address",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "a_address equ 103", ""); },
     "listing line 12: item 1 (raw): symbol a_length comes before the item's _address symbol"},
    {"listing missing a header line",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "; Header: 0,10", ""); },
     "item 1 'a' (raw): no header line in the listing although headers are on"},
    {"listing with a wrong address",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "b_address equ 116", "b_address equ 117"); },
     "item 2 'b' (raw): the listing gives address 117, but the items before it end at 116"},
    {"listing with a wrong uncompressed size",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "c_length equ 8", "c_length equ 10"); },
     "item 3 'c' (raw): the word-compressed stream decodes to 8 bytes, the listing says 10"},
    {"listing with wrong totals",
     [](Bytes&, std::string& lst) {
       ReplaceLine(lst, "; Total bytes written: 34", "; Total bytes written: 35");
     },
     "the listing's totals say 35 bytes written, its items add up to 34"},
    {"listing of a build that stopped",
     [](Bytes&, std::string& lst) { lst.resize(lst.find("; ------", 100)); },
     "the listing has no totals block: the build did not finish"},
    {"listing cut inside an item",
     [](Bytes&, std::string& lst) { lst.resize(lst.find("; no compression used")); },
     "item 1 'a' (raw): the listing ends inside the item's block"},
    {"listing with an unknown data type",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "; Data type: raw", "; Data type: hologram"); },
     "listing line 10: item 1 (hologram): unknown data type 'hologram'"},
    {"listing with a foreign symbol",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "b_length equ 40", "x_length equ 40"); },
     "listing line 23: item 2 'b' (raw): symbol x_length does not begin with the item's tag"},
    {"listing with a bad number",
     [](Bytes&, std::string& lst) { ReplaceLine(lst, "a_length equ 10", "a_length equ 99999999999"); },
     "listing line 13: item 1 'a' (raw): symbol a_length has the bad value '99999999999'"},
    {"listing with a stray line",
     [](Bytes&, std::string& lst) { lst.insert(0, "hello\n"); },
     "listing line 1: unexpected line 'hello'"},
};

TEST(ViewerBadInput, EachDamageIsNamedInOneLine) {
  TempDir dir;
  const SmallBuild good = MakeSmallBuild(dir);
  {
    Build build;
    std::string error;
    ASSERT_TRUE(ReadBuild(good.binary, good.listing, build, error)) << error;
  }
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.what);
    Bytes binary = good.binary;
    std::string listing = good.listing;
    damage.apply(binary, listing);
    Build build;
    std::string error;
    EXPECT_FALSE(ReadBuild(binary, listing, build, error));
    EXPECT_EQ(error, damage.message);
  }
}

// The four faults the real program must report: a message on one line and exit status 1.
TEST(ViewerBadInput, TheProgramReportsAndExitsNonZero) {
  const char* const kProgramCases[] = {"binary cut inside the last item",
                                       "listing missing a size symbol",
                                       "header length past the end",
                                       "bad control byte in a byte stream"};
  TempDir dir;
  const SmallBuild good = MakeSmallBuild(dir);
  for (const char* name : kProgramCases) {
    SCOPED_TRACE(name);
    const Damage* damage = nullptr;
    for (const Damage& candidate : kDamages) {
      if (std::string(candidate.what) == name) damage = &candidate;
    }
    ASSERT_NE(damage, nullptr);
    Bytes binary = good.binary;
    std::string listing = good.listing;
    damage->apply(binary, listing);
    WriteFile(dir / "bad.bin", binary);
    WriteFile(dir / "bad.lst", listing);
    const RunResult run = RunViewer(dir.path(), {"bad.bin", "bad.lst", "sheet"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "kestrip-view: " + std::string(damage->message) + "\n");
    EXPECT_FALSE(FileExists(dir / "sheet/index.html"));
  }
}

TEST(ViewerBadInput, MissingFilesAreNamed) {
  TempDir dir;
  MakeSmallBuild(dir);
  RunResult run = RunViewer(dir.path(), {"nothing.bin", "out.lst", "sheet"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "kestrip-view: couldn't open 'nothing.bin'\n");
  run = RunViewer(dir.path(), {"out.bin", "nothing.lst", "sheet"});
  EXPECT_EQ(run.output, "kestrip-view: couldn't open 'nothing.lst'\n");
  run = RunViewer(dir.path(), {".", "out.lst", "sheet"});
  EXPECT_EQ(run.output, "kestrip-view: couldn't open '.'\n");
  WriteFile(dir / "file", std::string("x"));
  run = RunViewer(dir.path(), {"out.bin", "out.lst", "file/sheet"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "kestrip-view: couldn't create the folder 'file/sheet'\n");
}

// ---------------------------------------------------------------------------
// Damage inside the data types' own formats, on the sample build.

struct SampleDamage {
  const char* what;
  const char* tag;
  std::function<void(Bytes& data)> apply;  // on the item's bytes
  const char* message;
};

const SampleDamage kSampleDamages[] = {
    {"mask stream without its end record", "curtain", [](Bytes& d) { d[d.size() - 1] = 0x01; },
     "item 6 'curtain' (fullscreenmask): corrupt mask stream (fault after"},
    {"mask stream ending early", "curtain", [](Bytes& d) { d[0] = 0xFF; d[1] = 0x00; },
     "item 6 'curtain' (fullscreenmask): the mask stream ends after 2 of its"},
    {"tile map naming a tile past the set", "map", [](Bytes& d) { d[5] = 0xFF; },
     "item 10 'map' (tilepicture): tile map entry 5 names tile 255, the tile set holds 4"},
};

TEST(ViewerBadInput, DataTypeFormatsAreCheckedToo) {
  TempDir dir;
  BuildSample(dir, "compressnone", true);
  const Bytes good = ReadBytes(dir / "out.bin");
  const std::string listing = ReadText(dir / "out.lst");
  Build build;
  std::string error;
  ASSERT_TRUE(ReadBuild(good, listing, build, error)) << error;
  for (const SampleDamage& damage : kSampleDamages) {
    SCOPED_TRACE(damage.what);
    const BuildItem* item = nullptr;
    for (const BuildItem& candidate : build.items) {
      if (candidate.listing.tag == damage.tag) item = &candidate;
    }
    ASSERT_NE(item, nullptr);
    BuildItem damaged = *item;
    damage.apply(damaged.data);
    Rendering rendering;
    EXPECT_FALSE(RenderItem(damaged, rendering, error));
    EXPECT_EQ(error.substr(0, strlen(damage.message)), damage.message) << error;
  }
}

// ---------------------------------------------------------------------------
// Sweeps: cut or damage the files everywhere; the viewer must answer every
// time, with a message when it refuses (the sanitizers catch any slip).

// Reads the build and draws the item that holds binary offset `damaged`.
bool ReadsOrRefusesCleanly(const Bytes& binary, const std::string& listing, size_t damaged = 0) {
  Build build;
  std::string error;
  if (!ReadBuild(binary, listing, build, error)) return !error.empty();
  for (size_t i = 0; i < build.items.size(); ++i) {
    const bool last = i + 1 == build.items.size();
    if (damaged < build.items[i].binaryOffset ||
        (!last && damaged >= build.items[i + 1].binaryOffset)) {
      continue;
    }
    Rendering rendering;
    if (!RenderItem(build.items[i], rendering, error)) return !error.empty();
  }
  return true;
}

TEST(ViewerBadInput, EveryCutOfTheBinaryIsRefused) {
  TempDir dir;
  BuildSample(dir, "compressbyte", true);
  const Bytes good = ReadBytes(dir / "out.bin");
  const std::string listing = ReadText(dir / "out.lst");
  for (size_t length = 0; length < good.size(); length += length < 64 ? 1 : 7) {
    Build build;
    std::string error;
    EXPECT_FALSE(ReadBuild(Bytes(good.begin(), good.begin() + length), listing, build, error))
        << length;
    EXPECT_FALSE(error.empty()) << length;
  }
}

TEST(ViewerBadInput, EveryCutOfTheListingIsRefused) {
  TempDir dir;
  BuildSample(dir, "compressword", false);
  const Bytes binary = ReadBytes(dir / "out.bin");
  const std::string good = ReadText(dir / "out.lst");
  for (size_t at = good.find('\n'); at != std::string::npos && at + 1 < good.size();
       at = good.find('\n', at + 1)) {
    Build build;
    std::string error;
    EXPECT_FALSE(ReadBuild(binary, good.substr(0, at + 1), build, error)) << at;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ViewerBadInput, DamagedBytesNeverCrashTheReader) {
  for (const char* compression : {"compressnone", "compressbyte", "compressword"}) {
    SCOPED_TRACE(compression);
    TempDir dir;
    BuildSample(dir, compression, true);
    const Bytes good = ReadBytes(dir / "out.bin");
    const std::string listing = ReadText(dir / "out.lst");
    Build build;
    std::string error;
    ASSERT_TRUE(ReadBuild(good, listing, build, error)) << error;
    // Every header byte and the first bytes of every item, then a spread.
    std::set<size_t> offsets;
    for (const BuildItem& item : build.items) {
      for (size_t i = 0; i < 8; ++i) offsets.insert(item.binaryOffset + i);
    }
    for (size_t at = 0; at < good.size(); at += 89) offsets.insert(at);
    for (size_t at : offsets) {
      if (at >= good.size()) continue;
      for (uint8_t value : {0x00, 0x7F, 0xFF}) {
        Bytes damaged = good;
        damaged[at] = value;
        ASSERT_TRUE(ReadsOrRefusesCleanly(damaged, listing, at)) << at << " " << int(value);
      }
    }
  }
}

TEST(ViewerBadInput, DeletingAnyListingLineNeverCrashesTheReader) {
  TempDir dir;
  BuildSample(dir, "compressbyte", true);
  const Bytes binary = ReadBytes(dir / "out.bin");
  const std::vector<std::string> lines = SplitLines(ReadText(dir / "out.lst"));
  for (size_t skip = 0; skip < lines.size(); ++skip) {
    std::string listing;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i != skip) listing += lines[i] + "\n";
    }
    ASSERT_TRUE(ReadsOrRefusesCleanly(binary, listing)) << "without line " << skip + 1;
  }
}

}  // namespace
