// Script tokeniser: splits a script into words, quoted strings, numbers,
// invalid characters and the end of input, dropping white space and
// "#" comments. CTokeniser holds the whole scanner and reads characters
// through ReadChar; subclasses supply them from a file or from memory.
#pragma once

#include <cstddef>
#include <cstdio>

// Kinds returned by NextToken.
enum TokenKind {
  kTokenWord = 0,     // a word, or a quoted string with its quotes removed
  kTokenNumber = 1,   // a digit or "-" followed by digits
  kTokenInvalid = 2,  // a character that cannot begin a token, an unclosed
                      // quoted string, or a token longer than the text holds
  kTokenEnd = 3,      // end of input outside a quoted string
};

// True when `text` equals `word` without regard to ASCII case.
bool EqualsIgnoringCase(const char* text, const char* word);

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
  // The next input byte (0..255), or -1 at the end of input.
  virtual int ReadChar() = 0;

 private:
  int ReadScannedChar();
  void PutBackChar(int c);
  void BeginScan();
  void Append(int c);
  int ScanNumberValue() const;

  bool charPutBack_ = false;
  int putBackChar_ = 0;
  bool tokenPutBack_ = false;
  char text_[kMaxTokenLength + 1] = {};
  int length_ = 0;
  bool truncated_ = false;  // the current token had more characters than fit
  int number_ = 0;
  int kind_ = kTokenEnd;
};

// Reads the script from a file opened by name.
class CFileTokeniser : public CTokeniser {
 public:
  CFileTokeniser() = default;
  ~CFileTokeniser() override;
  CFileTokeniser(const CFileTokeniser&) = delete;
  CFileTokeniser& operator=(const CFileTokeniser&) = delete;

  bool Open(const char* path);
  bool Start() override;
  void Stop() override;
  int ReadChar() override;

 private:
  FILE* file_ = nullptr;
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
