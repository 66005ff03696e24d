// The manifest's JSON writer: strings of any bytes come out as valid JSON,
// and members and elements are separated and nested as JSON wants.
#include "listing/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(JsonWriterTest, AnyBytesMakeAValidString) {
  const struct {
    std::string text;
    const char* json;
  } cases[] = {
      {"logo", "\"logo\""},
      {"", "\"\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"line\nbreak\ttab\r", "\"line\\u000abreak\\u0009tab\\u000d\""},
      {"nul\0here"s, "\"nul\\u0000here\""},
      {"del\x7F", "\"del\\u007f\""},
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},  // valid UTF-8 kept
      {"\xE2\x82\xAC \xF0\x9F\x98\x80", "\"\xE2\x82\xAC \xF0\x9F\x98\x80\""},
      {"\xE9t\xE9", "\"\\u00e9t\\u00e9\""},           // a lone Latin-1 byte
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},             // overlong
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},  // a surrogate
      {"\xE2\x82", "\"\\u00e2\\u0082\""},             // cut short
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(JsonWriterTest, MembersAndElementsNest) {
  cJsonWriter json;
  json.BeginObject();
  json.Key("items");
  json.BeginArray();
  json.Integer(-1);
  json.Null();
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  json.Key("tag");
  json.String("a\"b");
  json.EndObject();
  std::string compact;
  for (char c : json.text()) {
    if (c != '\n' && c != ' ') compact += c;
  }
  EXPECT_EQ(compact, "{\"items\":[-1,null,{}],\"tag\":\"a\\\"b\"}");
}

}  // namespace
