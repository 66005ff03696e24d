#include "listing/manifest.h"

#include "formats/compression_modes.h"
#include "formats/data_types.h"

cManifest::cManifest(FILE* file, const std::string& scriptPath) : file_(file) {
  json_.BeginObject();
  json_.Key("script");
  json_.String(scriptPath);
  json_.Key("items");
  json_.BeginArray();
  Flush();
}

void cManifest::Flush() {
  const std::string text = json_.TakeText();
  fwrite(text.data(), 1, text.size(), file_);
}

void cManifest::Item(const ItemFacts& item) {
  json_.BeginObject();
  json_.Key("tag");
  json_.String(item.tag);
  json_.Key("data_type");
  json_.String(item.dataType->word);
  json_.Key("compression");
  json_.String(item.compression->word);
  json_.Key("input_files");
  json_.BeginArray();
  for (const std::string& file : item.inputFiles) json_.String(file);
  json_.EndArray();
  json_.Key("address");
  json_.Integer(item.address);
  json_.Key("size");
  json_.Integer(item.size);
  json_.Key("compressed_size");
  if (item.compression->method) {
    json_.Integer(item.outputSize);
  } else {
    json_.Null();
  }
  json_.Key("header_type");
  item.hasHeader ? json_.Integer(item.headerType) : json_.Null();
  json_.Key("id");
  item.hasHeader ? json_.Integer(item.id) : json_.Null();
  json_.Key("symbols");
  json_.BeginObject();
  for (const SymbolFact& symbol : item.symbols) {
    json_.Key(symbol.name);
    json_.Integer(symbol.value);
  }
  json_.EndObject();
  json_.EndObject();
  Flush();
}

void cManifest::Totals(const BuildTotals& totals) {
  json_.EndArray();
  json_.Key("total_bytes");
  json_.Integer(totals.totalBytes);
  json_.Key("limit");
  totals.limitSet ? json_.Integer(totals.limit) : json_.Null();
  json_.Key("bytes_free");
  totals.limitSet ? json_.Integer(totals.bytesFree) : json_.Null();
  json_.EndObject();
  Flush();
}
