// The diagnostics of script faults: beside the fault's message on standard
// output (unchanged), one line on standard error that points at the token
// at fault, quotes it and, for a misspelt word, suggests the nearest one.
#include "driver/diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using namespace std::string_literals;

struct FaultCase {
  std::string script;
  const char* output;  // standard output before "Failed!"
  const char* errors;  // standard error
};

TEST(DiagnosticsTest, EveryScriptFaultPointsAtItsToken) {
  const FaultCase cases[] = {
      // Misspelt words: the nearest valid word.
      {"\n\nhero compressnone maskedsprit \"h.bmp\"\n", "Expecting data type\n",
       "script.kst:3:19: error: unknown data type 'maskedsprit'; did you mean 'maskedsprite'?\n"},
      {"a compresbyte raw \"hello.txt\"\n", "Expecting compress type\n",
       "script.kst:1:3: error: unknown compression 'compresbyte'; did you mean 'compressbyte'?\n"},
      {"orgg 32768\n", "Expecting compression type\n",
       "script.kst:1:1: error: unknown statement 'orgg'; did you mean 'org'?\n"},
      {"hedaers off\n", "Expecting compress type\n",
       "script.kst:1:1: error: unknown statement 'hedaers'; did you mean 'headers'?\n"},
      {"headers of\n", "Headers command expects on or off\n",
       "script.kst:1:9: error: 'headers' expects 'on' or 'off', found 'of'; did you mean 'off'?\n"},
      {"a compressnone spritely \"h.bmp\"\n", "Expecting data type\n",
       "script.kst:1:16: error: unknown data type 'spritely'\n"},
      // Commands.
      {"org 1\norg x\n", "Org command expects address\n",
       "script.kst:2:5: error: 'org' expects a number, found 'x'\n"},
      {"a compressnone raw \"hello.txt\"\norg 5\n",
       "Org command cannot be used after bytes have been output\n",
       "script.kst:2:1: error: 'org' after 6 bytes have been output\n"},
      {"limit 5\nlimit 6\n", "Limit command cannot be used more than once\n",
       "script.kst:2:1: error: a second 'limit'; the first is on line 1\n"},
      {"limit 2\na compressnone raw \"hello.txt\"\n",
       "Data is 4 bytes over the set limit of 2 bytes!\n",
       "script.kst:1:7: error: the items' 6 bytes are 4 over the limit of 2\n"},
      // Tokens where a statement or a word must stand; the end of the script
      // is its last character.
      {"12 compressnone raw \"hello.txt\"\n", "Unexpected token found\n",
       "script.kst:1:1: error: expected a statement, found '12'\n"},
      {"# note\n\n  %\n", "Unexpected token found\n",
       "script.kst:3:3: error: expected a statement, found the invalid character '%'\n"},
      {"a compressnone\n", "Unexpected token found\n",
       "script.kst:1:15: error: expected a data type, found the end of the script\n"},
      {"a", "Expecting compression type\n",
       "script.kst:1:1: error: expected a compression word after the tag 'a', found the end of "
       "the script\n"},
      // Tags and file names.
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa compressnone raw \"h\"\n",
       "Tag length must be <= 32 characters\n",
       "script.kst:1:1: error: tag 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' is 33 characters long, more "
       "than 32\n"},
      {"\"a\nb\" compressnone raw \"hello.txt\"\n", "Tag must not contain control characters\n",
       "script.kst:1:1: error: tag 'a\\nb' holds a control character\n"},
      {"a compressnone raw \"hel\tlo.txt\"\n", "File name must not contain control characters\n",
       "script.kst:1:20: error: 'hel\\tlo.txt': File name must not contain control characters\n"},
      {"a compressnone raw \"hello\0.txt\"\n"s, "process_raw expected filename\n",
       "script.kst:1:20: error: process_raw expected filename, found a quoted string holding a "
       "NUL byte\n"},
      {"a compressnone raw\n", "process_raw expected filename\n",
       "script.kst:1:19: error: process_raw expected filename, found the end of the script\n"},
      // A converter's fault names its input file; the writer's, its item.
      {"a compressnone raw \"gone.txt\"\n", "process_raw couldn't open 'gone.txt'\n",
       "script.kst:1:20: error: process_raw couldn't open 'gone.txt'\n"},
      {"a compressnone colourblock \"odd.bmp\"\n",
       "process_colourblock image height must be a multiple of 2\n",
       "script.kst:1:28: error: 'odd.bmp': process_colourblock image height must be a multiple of "
       "2\n"},
      {"w compressword raw \"odd.txt\"\n",
       "Word compression needs an even number of bytes, item has 3\n"
       "Error preparing outputting data\n",
       "script.kst:1:1: error: item 'w': Word compression needs an even number of bytes, item has "
       "3\n"},
  };
  TempDir dir;
  WriteFile(dir / "hello.txt", "hello\n");
  WriteFile(dir / "odd.txt", "abc");
  WriteBmp(dir / "odd.bmp", ImageFromRows({"012"}, {{'0', 0}, {'1', 1}, {'2', 2}}, GreyPalette()));
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.script);
    const ScriptRun run = RunScriptFile(dir, c.script);
    EXPECT_EQ(run.run.status, 255);
    const std::string output = run.run.output;
    const size_t progress = output.find("Loaded bitmap ok!\n");
    EXPECT_EQ(output.substr(progress == std::string::npos ? 0 : progress + 18),
              std::string(c.output) + "Failed!\n");
    EXPECT_EQ(run.run.errors, c.errors);
  }
}

TEST(DiagnosticsTest, NearestWordAllowsOneEditInThreeLettersAndTwoAtMost) {
  const std::vector<const char*> words = {"org", "limit", "headers", "maskedsprite", "colourtile"};
  const struct {
    const char* word;
    const char* nearest;  // null: none close enough
  } cases[] = {
      {"ORG", nullptr},  // the word itself, in other case: nothing to suggest
      {"orgg", "org"},
      {"or", "org"},
      {"ogr", "org"},  // a swap is one edit
      {"logo", nullptr},
      {"limti", "limit"},
      {"lmt", nullptr},
      {"maskdsprit", "maskedsprite"},
      {"mskdsprit", nullptr},  // three edits
      {"colortile", "colourtile"},
      {"HEADRS", "headers"},
  };
  for (const auto& c : cases) {
    const char* nearest = NearestWord(c.word, words);
    EXPECT_STREQ(nearest, c.nearest) << c.word;
  }
}

}  // namespace
