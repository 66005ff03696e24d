// A small JSON writer: objects, arrays, strings, integers and null, written
// in order with commas and indentation handled here. Strings are escaped so
// that any bytes give valid JSON: quotes, backslashes and control characters
// as escapes, valid UTF-8 as it is, and any other byte as the code point of
// the same value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cJsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The next member's name, inside an object.
  void Key(const std::string& name);
  void String(const std::string& text);
  void Integer(int64_t value);
  void Null();

  const std::string& text() const { return text_; }
  // The text so far, handed over and cleared: a long document can go out
  // piece by piece.
  std::string TakeText();

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void NewLine();

  std::string text_;
  // One entry per open object or array: whether it holds a member yet.
  std::vector<bool> open_;
  bool afterKey_ = false;
};

// `text` as a JSON string, quotes included.
std::string JsonString(const std::string& text);
