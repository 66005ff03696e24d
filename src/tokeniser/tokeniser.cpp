#include "tokeniser/tokeniser.h"

#include <climits>
#include <cstdint>

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
    return putBackChar_;
  }
  return ReadChar();
}

void CTokeniser::PutBackChar(int c) {
  charPutBack_ = true;
  putBackChar_ = c;
}

void CTokeniser::BeginScan() {
  text_[0] = '\0';
  length_ = 0;
  truncated_ = false;
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
        if (c == -1) {
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
          kind = kTokenInvalid;
        }
        break;
      case ScanState::kComment:
        if (c == '\n') {
          BeginScan();
          state = ScanState::kStart;
        } else if (c == -1) {
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
          kind = kTokenInvalid;
        } else if (c == '"') {
          kind = kTokenWord;
        } else {
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
  if (truncated_) {
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
  file_ = fopen(path, "rb");
  return file_ != nullptr;
}

bool CFileTokeniser::Start() { return CTokeniser::Start() && file_ != nullptr; }

void CFileTokeniser::Stop() {
  if (file_) {
    fclose(file_);
    file_ = nullptr;
  }
  CTokeniser::Stop();
}

// Once the file is at its end every call returns -1.
int CFileTokeniser::ReadChar() {
  if (!file_) return -1;
  const int c = fgetc(file_);
  return c == EOF ? -1 : c;
}

int CMemoryTokeniser::ReadChar() {
  if (position_ >= size_) return -1;
  return static_cast<unsigned char>(data_[position_++]);
}
