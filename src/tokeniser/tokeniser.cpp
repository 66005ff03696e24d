#include "tokeniser/tokeniser.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "io/input_file.h"

namespace {

// Character classes look at bytes 0..127 only: bytes 128..255 belong to none.
bool IsWhiteSpace(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsWordChar(int c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

int ToLower(int c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

}  // namespace

bool EqualsIgnoringCase(const char* text, const char* word) {
  for (; *text && *word; ++text, ++word) {
    if (*text != *word &&  // most scripts spell words as the tables do
        ToLower(static_cast<unsigned char>(*text)) != ToLower(static_cast<unsigned char>(*word)))
      return false;
  }
  return *text == *word;
}

bool CTokeniser::Start() {
  charPutBack_ = false;
  tokenPutBack_ = false;
  next_ = SourcePosition();
  last_ = SourcePosition{1, 0};
  tokenPosition_ = SourcePosition();
  return true;
}

void CTokeniser::Stop() {}

void CTokeniser::PutBack() { tokenPutBack_ = true; }
bool CTokeniser::IsPutBack() { return tokenPutBack_; }
const char* CTokeniser::GetString() { return text_; }
int CTokeniser::GetNumber() { return number_; }

int CTokeniser::ReadScannedChar() {
  if (charPutBack_) {
    charPutBack_ = false;
    last_ = putBackPosition_;
    return putBackChar_;
  }
  const int c = ReadChar();
  if (c == -1) return c;
  last_ = next_;
  if (c == '\n') {
    ++next_.line;
    next_.column = 1;
  } else {
    ++next_.column;
  }
  return c;
}

void CTokeniser::PutBackChar(int c) {
  charPutBack_ = true;
  putBackChar_ = c;
  putBackPosition_ = last_;
}

// The character just read begins the token (or is the end of input).
void CTokeniser::MarkTokenStart() { tokenPosition_ = last_.column == 0 ? SourcePosition() : last_; }

void CTokeniser::BeginScan() {
  text_[0] = '\0';
  length_ = 0;
  truncated_ = false;
  holdsNul_ = false;
  invalidReason_ = InvalidReason::kNone;
  number_ = 0;
}

// Characters past kMaxTokenLength are consumed but not stored.
void CTokeniser::Append(int c) {
  if (length_ >= kMaxTokenLength) {
    truncated_ = true;
    return;
  }
  text_[length_++] = static_cast<char>(c);  // ended by NextToken
}

// An optional "-" then decimal digits; values outside 32 bits saturate.
int CTokeniser::ScanNumberValue() const {
  const bool negative = text_[0] == '-';
  int64_t value = 0;
  for (int i = negative ? 1 : 0; i < length_; ++i) {
    value = value * 10 + (text_[i] - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) break;  // saturated either way
  }
  if (negative) value = -value;
  if (value < INT_MIN) return INT_MIN;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

int CTokeniser::NextToken() {
  if (tokenPutBack_) {
    tokenPutBack_ = false;
    return kind_;
  }
  BeginScan();
  int kind = ScanToken();
  text_[length_] = '\0';
  if (truncated_ || holdsNul_) {
    if (kind != kTokenInvalid) {
      invalidReason_ = truncated_ ? InvalidReason::kTooLong : InvalidReason::kNulInQuote;
    }
    kind = kTokenInvalid;
  } else if (kind == kTokenNumber) {
    number_ = ScanNumberValue();
  }
  kind_ = kind;
  return kind;
}

// The first character of the next token (-1 at the end of input), past
// white space and comments, which run from "#" to the end of the line.
int CTokeniser::SkipSpaceAndComments() {
  for (;;) {
    int c = ReadScannedChar();
    if (c == '#') {
      do c = ReadScannedChar();
      while (c != '\n' && c != -1);
      if (c == -1) return c;
    } else if (c == -1 || !IsWhiteSpace(c)) {
      return c;
    }
  }
}

// One loop a kind of token, each character read once.
int CTokeniser::ScanToken() {
  const int c = SkipSpaceAndComments();
  MarkTokenStart();
  if (c == -1) return kTokenEnd;
  if (IsLetter(c)) {
    Append(c);
    return ScanRest(IsWordChar, kTokenWord);
  }
  if (c == '"') return ScanQuoted();
  if (IsDigit(c) || c == '-') {
    Append(c);
    return ScanRest(IsDigit, kTokenNumber);
  }
  invalidReason_ = InvalidReason::kCharacter;
  invalidCharacter_ = c;
  return kTokenInvalid;
}

// The token's characters while `belongs` holds; the first other one (or
// the end of input) is put back for the next scan.
int CTokeniser::ScanRest(bool (*belongs)(int), int kind) {
  int c;
  while ((c = ReadScannedChar()) != -1 && belongs(c)) Append(c);
  PutBackChar(c);
  return kind;
}

// A quoted string, its opening quote read: up to the closing quote.
int CTokeniser::ScanQuoted() {
  for (;;) {
    const int c = ReadScannedChar();
    if (c == -1) {
      invalidReason_ = InvalidReason::kUnclosedQuote;
      return kTokenInvalid;
    }
    if (c == '"') return kTokenWord;
    // A NUL would cut the text short where C strings meet it.
    if (c == 0) holdsNul_ = true;
    Append(c);
  }
}

CFileTokeniser::~CFileTokeniser() { Stop(); }

bool CFileTokeniser::Open(const char* path) {
  Stop();
  const InputStatus status = ReadInputFile(path, kMaxScriptSize, text_);
  readFailed_ = status == InputStatus::kReadError || status == InputStatus::kTooLarge;
  open_ = status == InputStatus::kRead;
  if (!open_) text_.clear();
  // Some editors begin a UTF-8 file with a byte order mark, which no script
  // can begin with otherwise: the script starts after it.
  static const uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
  if (text_.size() >= 3 && std::equal(kByteOrderMark, kByteOrderMark + 3, text_.begin()))
    position_ = 3;
  return open_;
}

bool CFileTokeniser::Start() { return CTokeniser::Start() && open_; }

void CFileTokeniser::Stop() {
  open_ = false;
  text_.clear();
  position_ = 0;
  CTokeniser::Stop();
}

// Once the script is at its end every call returns -1.
int CFileTokeniser::ReadChar() {
  if (!open_ || position_ >= text_.size()) return -1;
  return text_[position_++];
}

int CMemoryTokeniser::ReadChar() {
  if (position_ >= size_) return -1;
  return static_cast<unsigned char>(data_[position_++]);
}
