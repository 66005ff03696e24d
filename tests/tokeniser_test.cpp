#include "tokeniser/tokeniser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct Token {
  int kind;
  std::string text;
  int number;
  bool operator==(const Token& other) const {
    return kind == other.kind && text == other.text && number == other.number;
  }
};

std::ostream& operator<<(std::ostream& out, const Token& token) {
  return out << "{" << token.kind << ", \"" << token.text << "\", " << token.number << "}";
}

// Scans the whole input, the final end token included.
std::vector<Token> Scan(const std::string& input) {
  CMemoryTokeniser tokeniser(input.data(), input.size());
  EXPECT_TRUE(tokeniser.Start());
  std::vector<Token> tokens;
  for (;;) {
    const int kind = tokeniser.NextToken();
    tokens.push_back({kind, tokeniser.GetString(), tokeniser.GetNumber()});
    if (kind == kTokenEnd || tokens.size() > 100) return tokens;
  }
}

Token W(const std::string& text) { return {kTokenWord, text, 0}; }
Token N(const std::string& text, int value) { return {kTokenNumber, text, value}; }
Token I(const std::string& text = "") { return {kTokenInvalid, text, 0}; }
const Token E{kTokenEnd, "", 0};

struct ScanCase {
  const char* name;
  std::string input;
  std::vector<Token> expected;
};

TEST(TokeniserTest, ScannerTable) {
  const ScanCase cases[] = {
      // Words and keywords
      {"empty input", "", {E}},
      {"word then number", "org 1000", {W("org"), N("1000", 1000), E}},
      {"letters and digits are one word", "org1000", {W("org1000"), E}},
      {"underscore inside word", "abc_def9", {W("abc_def9"), E}},
      {"case is kept", "ABC abc", {W("ABC"), W("abc"), E}},
      {"word cannot begin with underscore", "_abc", {I(), W("abc"), E}},
      // Numbers
      {"digits end a number, letters follow", "12ab", {N("12", 12), W("ab"), E}},
      {"minus begins a number after a word", "a-1", {W("a"), N("-1", -1), E}},
      {"minus begins a second number", "5-3", {N("5", 5), N("-3", -3), E}},
      {"minus alone is zero", "- x", {N("-", 0), W("x"), E}},
      {"double minus", "--5", {N("-", 0), N("-5", -5), E}},
      {"minus zero", "-0", {N("-0", 0), E}},
      {"leading zeros", "007", {N("007", 7), E}},
      {"negative", "-25", {N("-25", -25), E}},
      {"largest int", "2147483647", {N("2147483647", 2147483647), E}},
      {"smallest int", "-2147483648", {N("-2147483648", -2147483647 - 1), E}},
      {"above int saturates", "2147483648", {N("2147483648", 2147483647), E}},
      {"far above int saturates",
       "99999999999999999999999",
       {N("99999999999999999999999", 2147483647), E}},
      {"below int saturates", "-2147483649", {N("-2147483649", -2147483647 - 1), E}},
      // Quoted strings
      {"quoted with space and point", "\"a b.bmp\"", {W("a b.bmp"), E}},
      {"empty quoted", "\"\"", {W(""), E}},
      {"quoted holds hash and newline", "\"x#y\nz\"", {W("x#y\nz"), E}},
      {"unclosed quoted", "\"abc", {I("abc"), E}},
      {"quoted holds high bytes", "\"\xC3\xA9\"", {W("\xC3\xA9"), E}},
      // Comments and white space
      {"comment after word", "tile#note\nx", {W("tile"), W("x"), E}},
      {"comment to end of file", "a # no newline", {W("a"), E}},
      {"comment only", "# just a comment\n", {E}},
      {"CRLF lines", "a\r\nb\r\n", {W("a"), W("b"), E}},
      {"tabs", "\ta\tb", {W("a"), W("b"), E}},
      // Invalid characters
      {"form feed", "\f", {I(), E}},
      {"vertical tab", "\v", {I(), E}},
      {"NUL", std::string("\0", 1), {I(), E}},
      {"high byte", "\x80\xff", {I(), I(), E}},
      {"punctuation", "a.b", {W("a"), I(), W("b"), E}},
  };
  for (const ScanCase& c : cases) {
    EXPECT_EQ(Scan(c.input), c.expected) << c.name;
  }
}

TEST(TokeniserTest, EndKindRepeats) {
  const std::string input = "x";
  CMemoryTokeniser tokeniser(input.data(), input.size());
  tokeniser.Start();
  EXPECT_EQ(tokeniser.NextToken(), kTokenWord);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tokeniser.NextToken(), kTokenEnd);
}

TEST(TokeniserTest, PutBackReturnsSameTokenWithoutReading) {
  const std::string input = "-42 next";
  CMemoryTokeniser tokeniser(input.data(), input.size());
  tokeniser.Start();
  ASSERT_EQ(tokeniser.NextToken(), kTokenNumber);
  EXPECT_FALSE(tokeniser.IsPutBack());
  tokeniser.PutBack();
  EXPECT_TRUE(tokeniser.IsPutBack());
  EXPECT_EQ(tokeniser.NextToken(), kTokenNumber);
  EXPECT_FALSE(tokeniser.IsPutBack());
  EXPECT_STREQ(tokeniser.GetString(), "-42");
  EXPECT_EQ(tokeniser.GetNumber(), -42);
  EXPECT_EQ(tokeniser.NextToken(), kTokenWord);
  EXPECT_STREQ(tokeniser.GetString(), "next");
}

TEST(TokeniserTest, LongTokensAreInvalidAndCutToTheTextSize) {
  const std::string exact(255, 'a');
  const std::string longWord(300, 'b');
  const std::string longQuoted = "\"" + std::string(256, 'c') + "\"";
  const std::string longNumber(260, '7');
  EXPECT_EQ(Scan(exact), (std::vector<Token>{W(exact), E}));
  EXPECT_EQ(Scan(longWord + " x"), (std::vector<Token>{I(std::string(255, 'b')), W("x"), E}));
  EXPECT_EQ(Scan(longQuoted + " x"), (std::vector<Token>{I(std::string(255, 'c')), W("x"), E}));
  EXPECT_EQ(Scan(longNumber), (std::vector<Token>{I(std::string(255, '7')), E}));
}

TEST(TokeniserTest, EqualsIgnoringCase) {
  EXPECT_TRUE(EqualsIgnoringCase("CompressNone", "compressnone"));
  EXPECT_TRUE(EqualsIgnoringCase("", ""));
  EXPECT_FALSE(EqualsIgnoringCase("org", "orga"));
  EXPECT_FALSE(EqualsIgnoringCase("orga", "org"));
  EXPECT_FALSE(EqualsIgnoringCase("\xC3", "\xE3"));
}

TEST(FileTokeniserTest, StartFailsWithoutAFile) {
  CFileTokeniser tokeniser;
  EXPECT_FALSE(tokeniser.Start());
  EXPECT_FALSE(tokeniser.Open("/nonexistent/kestrip/script"));
  EXPECT_FALSE(tokeniser.Start());
  EXPECT_EQ(tokeniser.ReadChar(), -1);
}

// A byte order mark at the start of a file is no part of the script (and
// takes no column); a part of one is what it always was.
TEST(FileTokeniserTest, ScriptStartsAfterAByteOrderMark) {
  const struct {
    std::string text;
    int firstKind;
    int firstColumn;
  } cases[] = {
      {"\xEF\xBB\xBForg 5\n", kTokenWord, 1},
      {"\xEF\xBB\xBF", kTokenEnd, 1},
      {"\xEF\xBBorg", kTokenInvalid, 1},
  };
  TempDir dir;
  for (const auto& c : cases) {
    WriteFile(dir / "s.kst", c.text);
    CFileTokeniser tokeniser;
    ASSERT_TRUE(tokeniser.Open((dir / "s.kst").c_str()));
    ASSERT_TRUE(tokeniser.Start());
    EXPECT_EQ(tokeniser.NextToken(), c.firstKind) << c.text;
    EXPECT_EQ(tokeniser.GetPosition().column, c.firstColumn) << c.text;
    if (c.firstKind == kTokenWord) {
      EXPECT_EQ(tokeniser.GetString(), std::string("org"));
    }
  }
}

}  // namespace

namespace {

// Where each token begins, line and column from 1; the end of input is the
// script's last character, so that a fault found there points at its last line.
TEST(TokeniserTest, EveryTokenKnowsWhereItBegins) {
  const struct {
    const char* input;
    std::vector<std::pair<int, int>> positions;  // each token's, the end's last
  } cases[] = {
      {"", {{1, 1}}},
      {"org 100", {{1, 1}, {1, 5}, {1, 7}}},
      {"a\r\n  b\n", {{1, 1}, {2, 3}, {2, 4}}},
      {"# note\n\t\"x y\" 5", {{2, 2}, {2, 8}, {2, 8}}},
      {"ab#c\n-3", {{1, 1}, {2, 1}, {2, 2}}},
      {"\"two\nlines\" next\n\n", {{1, 1}, {2, 8}, {3, 1}}},
      {"x%y", {{1, 1}, {1, 2}, {1, 3}, {1, 3}}},
  };
  for (const auto& c : cases) {
    CMemoryTokeniser tokeniser(c.input, strlen(c.input));
    ASSERT_TRUE(tokeniser.Start());
    std::vector<std::pair<int, int>> positions;
    for (int kind = -1; kind != kTokenEnd && positions.size() < 10;) {
      kind = tokeniser.NextToken();
      positions.emplace_back(tokeniser.GetPosition().line, tokeniser.GetPosition().column);
    }
    EXPECT_EQ(positions, c.positions) << c.input;
  }
}

}  // namespace
