// Reading listings back: tags of any characters, the headers and address
// frame lines, and builds that are unusual but valid.
#include <gtest/gtest.h>

#include <cstring>

#include "viewer/build_reader.h"
#include "viewer_test_support.h"

namespace {

using namespace viewer_test;

struct ReadBack {
  bool ok = false;
  std::string error;
  Build build;
};

ReadBack BuildAndRead(const TempDir& dir, const std::string& script) {
  const ScriptRun run = RunScriptFile(dir, script);
  EXPECT_EQ(run.run.status, 0) << run.run.output;
  ReadBack result;
  result.ok = ReadBuild(run.binary, run.listing, result.build, result.error);
  return result;
}

struct ItemFacts {
  const char* tag;
  int address;
  bool hasHeader;
  int size;
};

struct ListingCase {
  const char* what;
  const char* script;
  std::vector<ItemFacts> items;
};

const ListingCase kCases[] = {
    {"no items at all", "org 100\n", {}},
    {"quoted tags with spaces and the word equ",
     "\"my tag\" compressnone raw \"four.dat\"\n\"x equ y\" compressbyte raw \"four.dat\"\n",
     {{"my tag", 3, true, 4}, {"x equ y", 10, true, 4}}},
    {"a tag that ends like a symbol",
     "a_address compressnone raw \"four.dat\"\n",
     {{"a_address", 3, true, 4}}},
    {"the last org before the first bytes wins",
     "org 5\norg 1000\na compressnone raw \"four.dat\"\n",
     {{"a", 1003, true, 4}}},
    {"org again after an empty item",
     "e compressnone raw \"empty.dat\"\norg 500\nheaders off\na compressword raw \"four.dat\"\n",
     {{"e", 3, true, 0}, {"a", 500, false, 4}}},
    {"headers switched back and forth",
     "headers off\na compressnone raw \"four.dat\"\nheaders on\nb compressnone raw \"four.dat\"\n"
     "headers off\nc compressbyte raw \"four.dat\"\n",
     {{"a", 0, false, 4}, {"b", 7, true, 4}, {"c", 11, false, 4}}},
    {"empty compressed items",
     "e compressbyte raw \"empty.dat\"\nf compressword raw \"empty.dat\"\n",
     {{"e", 3, true, 0}, {"f", 7, true, 0}}},
};

TEST(ViewerListing, ValidBuildsReadBack) {
  for (const ListingCase& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "four.dat", Bytes{1, 2, 3, 4});
    WriteFile(dir / "empty.dat", Bytes{});
    const ReadBack result = BuildAndRead(dir, c.script);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.build.items.size(), c.items.size());
    for (size_t i = 0; i < c.items.size(); ++i) {
      const BuildItem& item = result.build.items[i];
      EXPECT_EQ(item.listing.tag, c.items[i].tag);
      EXPECT_EQ(item.address, c.items[i].address);
      EXPECT_EQ(item.hasHeader, c.items[i].hasHeader);
      EXPECT_EQ(item.data.size(), static_cast<size_t>(c.items[i].size));
      if (c.items[i].size == 4) {
        EXPECT_EQ(item.data, (Bytes{1, 2, 3, 4}));
      }
    }
  }
}

TEST(ViewerListing, GfxBlockCommentIsToldApartBySize) {
  // Both converters write "; Data type: gfx block"; a full screen with its
  // attributes is a title screen, a screen-wide bitmap of 192 rows is not.
  TempDir dir;
  WriteBmp(dir / "screen.bmp", BlockyImage(256, 192, 8, {0, 2, 7, 10}, 1));
  const ReadBack result = BuildAndRead(dir,
                                       "a compressnone gfxblock \"screen.bmp\"\n"
                                       "b compressnone titlescreen \"screen.bmp\"\n");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.build.items[0].layout.type->id, DataTypeId::kGfxBlock);
  EXPECT_EQ(result.build.items[1].layout.type->id, DataTypeId::kTitleScreen);
}

TEST(ViewerListing, CarriageReturnsAreAccepted) {
  TempDir dir;
  WriteFile(dir / "four.dat", Bytes{1, 2, 3, 4});
  const ScriptRun run = RunScriptFile(dir, "a compressnone raw \"four.dat\"\n");
  std::string crlf;
  for (char c : run.listing) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Build build;
  std::string error;
  EXPECT_TRUE(ReadBuild(run.binary, crlf, build, error)) << error;
}

// Symbols no converter writes, or writes otherwise: each one line naming the item.
TEST(ViewerListing, InconsistentSymbolsAreNamed) {
  const struct {
    const char* line;
    const char* replacement;
    const char* message;
  } kRows[] = {
      {"s_charwidth equ 3", "s_charwidth equ 2",
       "item 1 's' (unmaskedsprite): inconsistent listing: width is not 8 * charwidth"},
      {"s_size equ 30", "s_size equ 31",
       "item 1 's' (unmaskedsprite): inconsistent listing: size 31 is not charwidth * height = 30"},
      {"s_height equ 10", "s_height equ -10", "item 1 's' (unmaskedsprite): s_height is negative"},
      {"s_height equ 10", "s_height equ 2000000000",
       "item 1 's' (unmaskedsprite): s_height is larger than any item"},
      {"s_width equ 24", "s_width equ 24\ns_width equ 24",
       "listing line 11: item 1 's' (unmaskedsprite): symbol s_width defined twice"},
  };
  TempDir dir;
  WriteBmp(dir / "s.bmp", BlockyImage(24, 10, 2, {0, 255}, 1));
  const ScriptRun run = RunScriptFile(dir, "s compressnone unmaskedsprite \"s.bmp\"\n");
  ASSERT_EQ(run.run.status, 0) << run.run.output;
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.replacement);
    std::string listing = run.listing;
    const size_t at = listing.find(std::string(row.line) + "\n");
    ASSERT_NE(at, std::string::npos);
    listing.replace(at, strlen(row.line), row.replacement);
    Build build;
    std::string error;
    EXPECT_FALSE(ReadBuild(run.binary, listing, build, error));
    EXPECT_EQ(error, row.message);
  }
}

}  // namespace

namespace {

// Found by fuzzing: a comment that is only the end of a byte-count line.
TEST(ViewerListing, CommentLinesItDoesNotKnow) {
  const struct {
    const char* comment;
    const char* error;  // "" when the listing is still read
  } kRows[] = {
      {"; bytes written", ""},
      {"; Header", ""},
      {"; Data type: raw", ""},
      {";  bytes written", "listing line 11: item 1 'a' (raw): bad byte count ''"},
      {"; x bytes written", "listing line 11: item 1 'a' (raw): bad byte count 'x'"},
  };
  TempDir dir;
  WriteFile(dir / "four.dat", Bytes{1, 2, 3, 4});
  const ScriptRun run = RunScriptFile(dir, "a compressnone raw \"four.dat\"\n");
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.comment);
    std::string listing = run.listing;
    const size_t at = listing.find("; 4 bytes written\n");
    ASSERT_NE(at, std::string::npos);
    listing.insert(at, std::string(row.comment) + "\n");
    Build build;
    std::string error;
    EXPECT_EQ(ReadBuild(run.binary, listing, build, error), row.error[0] == 0);
    EXPECT_EQ(error, row.error);
  }
}

}  // namespace

namespace {

// The viewer reads a listing in every symbol form the tool writes: each
// form's build reads back to the very items of the default form.
TEST(ViewerListingTest, EverySymbolFormReadsBackAlike) {
  TempDir dir;
  WriteSampleInputs(dir);
  WriteFile(dir / "script.kst", SampleScript("compresslz", true));
  std::vector<std::string> summaries;
  for (const char* form : {"equ", "colon", "assign", "global"}) {
    SCOPED_TRACE(form);
    const RunResult run =
        RunKestrip(dir.path(), {"--symbols", form, "script.kst", "out.bin", "out.lst"});
    ASSERT_EQ(run.status, 0) << run.output;
    View view;
    std::string error;
    ASSERT_TRUE(ReadAndRender(SampleOptions(dir), view, error)) << error;
    std::string summary;
    for (const SheetItem& item : view.items) {
      summary += item.item->listing.tag + " " + item.item->layout.type->word + " " +
                 std::to_string(item.item->address) + " " + std::to_string(item.item->data.size()) +
                 "\n";
    }
    summaries.push_back(summary);
  }
  for (const std::string& summary : summaries) EXPECT_EQ(summary, summaries.front());
  EXPECT_NE(summaries.front().find("title titlescreen"), std::string::npos);
}

}  // namespace
