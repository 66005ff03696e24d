// Script tokeniser: splits a script into words, quoted strings, numbers,
// invalid characters and the end of input, dropping white space and
// "#" comments. CTokeniser holds the whole scanner and reads characters
// through ReadChar; subclasses supply them from a file or from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Kinds returned by NextToken.
enum TokenKind {
  kTokenWord = 0,     // a word, or a quoted string with its quotes removed
  kTokenNumber = 1,   // a digit or "-" followed by digits
  kTokenInvalid = 2,  // a character that cannot begin a token, an unclosed
                      // quoted string, a quoted string holding a NUL byte,
                      // or a token longer than the text holds
  kTokenEnd = 3,      // end of input outside a quoted string
};

// True when `text` equals `word` without regard to ASCII case.
bool EqualsIgnoringCase(const char* text, const char* word);

// Where a token begins in the script: line and column (a byte count), both
// from 1.
// Why the current token is of the invalid kind.
enum class InvalidReason { kNone, kCharacter, kUnclosedQuote, kNulInQuote, kTooLong };

struct SourcePosition {
  int line = 1;
  int column = 1;
};

class CTokeniser {
 public:
  // Longest token text kept; a longer token is read to its end and
  // returned as kTokenInvalid with its first kMaxTokenLength characters.
  static constexpr int kMaxTokenLength = 255;

  virtual ~CTokeniser() = default;

  virtual bool Start();
  virtual void Stop();
  virtual int NextToken();
  virtual void PutBack();
  virtual bool IsPutBack();
  virtual const char* GetString();
  virtual int GetNumber();
  // Where the current token begins. For the end of input: the script's last
  // character (1:1 for an empty script), so that a fault found at the end
  // points at the last line.
  SourcePosition GetPosition() const { return tokenPosition_; }
  // For an invalid token: why, and for kCharacter the character (0..255).
  InvalidReason GetInvalidReason() const { return invalidReason_; }
  int GetInvalidCharacter() const { return invalidCharacter_; }
  // The next input byte (0..255), or -1 at the end of input.
  virtual int ReadChar() = 0;

 private:
  int ReadScannedChar();
  void PutBackChar(int c);
  void BeginScan();
  void Append(int c);
  int ScanNumberValue() const;
  int SkipSpaceAndComments();
  int ScanToken();
  int ScanRest(bool (*belongs)(int), int kind);
  int ScanQuoted();
  void MarkTokenStart();

  bool charPutBack_ = false;
  int putBackChar_ = 0;
  // The position of the next character read, of the last one read and of
  // the one put back (which is read again).
  SourcePosition next_;
  SourcePosition last_{1, 0};
  SourcePosition putBackPosition_;
  SourcePosition tokenPosition_;
  bool tokenPutBack_ = false;
  char text_[kMaxTokenLength + 1] = {};
  int length_ = 0;
  bool truncated_ = false;  // the current token had more characters than fit
  bool holdsNul_ = false;   // the current quoted string holds a NUL byte
  InvalidReason invalidReason_ = InvalidReason::kNone;
  int invalidCharacter_ = 0;
  int number_ = 0;
  int kind_ = kTokenEnd;
};

// Reads the script from a file opened by name: the whole file is read at
// Open, so that a read error is told apart from the end of the script.
class CFileTokeniser : public CTokeniser {
 public:
  // Far beyond any script; a larger "script" (a device, a wrong file) is
  // refused instead of being read into memory.
  static constexpr size_t kMaxScriptSize = 64 * 1024 * 1024;

  CFileTokeniser() = default;
  ~CFileTokeniser() override;
  CFileTokeniser(const CFileTokeniser&) = delete;
  CFileTokeniser& operator=(const CFileTokeniser&) = delete;

  // False when the file can't be opened or read whole; ReadFailed then
  // tells a read error (or a file too large) from a file that can't be opened.
  bool Open(const char* path);
  bool ReadFailed() const { return readFailed_; }
  bool Start() override;
  void Stop() override;
  int ReadChar() override;

 private:
  bool open_ = false;
  bool readFailed_ = false;
  std::vector<uint8_t> text_;
  size_t position_ = 0;
};

// Reads the script from a buffer in memory; the buffer must outlive it.
class CMemoryTokeniser : public CTokeniser {
 public:
  CMemoryTokeniser(const char* data, size_t size) : data_(data), size_(size) {}
  int ReadChar() override;

 private:
  const char* data_;
  size_t size_;
  size_t position_ = 0;
};
