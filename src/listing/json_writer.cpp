#include "listing/json_writer.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at `text[i]`, or 0.
size_t Utf8Length(const std::string& text, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t point;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    point = point << 6 | (next & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not valid.
  const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < least[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) return 0;
  return length;
}

void AppendEscape(std::string& out, unsigned value) {
  char escape[8];
  snprintf(escape, sizeof escape, "\\u%04x", value);
  out += escape;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      AppendEscape(out, c);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t length = Utf8Length(text, i)) {
      out.append(text, i, length);
      i += length;
    } else {
      AppendEscape(out, c);  // a stray byte: the code point of its value
      ++i;
    }
  }
  return out + "\"";
}

void cJsonWriter::NewLine() { text_ += "\n" + std::string(2 * open_.size(), ' '); }

void cJsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (open_.empty()) return;
  if (open_.back()) text_ += ",";
  open_.back() = true;
  NewLine();
}

void cJsonWriter::Open(char bracket) {
  BeforeValue();
  text_ += bracket;
  open_.push_back(false);
}

void cJsonWriter::Close(char bracket) {
  const bool holdsMembers = open_.back();
  open_.pop_back();
  if (holdsMembers) NewLine();
  text_ += bracket;
  if (open_.empty()) text_ += "\n";
}

void cJsonWriter::BeginObject() { Open('{'); }
void cJsonWriter::EndObject() { Close('}'); }
void cJsonWriter::BeginArray() { Open('['); }
void cJsonWriter::EndArray() { Close(']'); }

void cJsonWriter::Key(const std::string& name) {
  BeforeValue();
  text_ += JsonString(name) + ": ";
  afterKey_ = true;
}

void cJsonWriter::String(const std::string& text) {
  BeforeValue();
  text_ += JsonString(text);
}

void cJsonWriter::Integer(int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void cJsonWriter::Null() {
  BeforeValue();
  text_ += "null";
}

std::string cJsonWriter::TakeText() {
  std::string taken;
  taken.swap(text_);
  return taken;
}
