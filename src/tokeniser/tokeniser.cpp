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

enum class ScanState { kStart, kComment, kWord, kQuoted, kNumber };

}  // namespace

bool EqualsIgnoringCase(const char* text, const char* word) {
  for (; *text && *word; ++text, ++word) {
    if (ToLower(static_cast<unsigned char>(*text)) != ToLower(static_cast<unsigned char>(*word)))
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
  text_[length_++] = static_cast<char>(c);
  text_[length_] = '\0';
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
  ScanState state = ScanState::kStart;
  int kind = -1;
  while (kind < 0) {
    const int c = ReadScannedChar();
    switch (state) {
      case ScanState::kStart:
        if (c != -1 && !IsWhiteSpace(c) && c != '#') MarkTokenStart();
        if (c == -1) {
          MarkTokenStart();
          kind = kTokenEnd;
        } else if (c == '#') {
          state = ScanState::kComment;
        } else if (IsWhiteSpace(c)) {
          // dropped
        } else if (IsLetter(c)) {
          Append(c);
          state = ScanState::kWord;
        } else if (c == '"') {
          state = ScanState::kQuoted;
        } else if (IsDigit(c) || c == '-') {
          Append(c);
          state = ScanState::kNumber;
        } else {
          invalidReason_ = InvalidReason::kCharacter;
          invalidCharacter_ = c;
          kind = kTokenInvalid;
        }
        break;
      case ScanState::kComment:
        if (c == '\n') {
          BeginScan();
          state = ScanState::kStart;
        } else if (c == -1) {
          MarkTokenStart();
          kind = kTokenEnd;
        }
        break;
      case ScanState::kWord:
        if (c != -1 && IsWordChar(c)) {
          Append(c);
        } else {
          PutBackChar(c);
          kind = kTokenWord;
        }
        break;
      case ScanState::kQuoted:
        if (c == -1) {
          invalidReason_ = InvalidReason::kUnclosedQuote;
          kind = kTokenInvalid;
        } else if (c == '"') {
          kind = kTokenWord;
        } else {
          // A NUL would cut the text short where C strings meet it.
          if (c == 0) holdsNul_ = true;
          Append(c);
        }
        break;
      case ScanState::kNumber:
        if (c != -1 && IsDigit(c)) {
          Append(c);
        } else {
          PutBackChar(c);
          kind = kTokenNumber;
        }
        break;
    }
  }
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
