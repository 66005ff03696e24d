// Fuzz target 2: a fuzzed picture file given to every picture data type in
// turn, through a one-item script, with every compression word (the rows of
// the core's tables).
//
// Besides the sanitizers, it checks that the writers agree: for each data
// type the uncompressed item's bytes X decide the other runs. A compressing
// mode succeeds exactly when compressnone does and X is a whole number of
// its units, and its stream decodes to X within the mode's stream bound;
// each item's header carries the mode's type and the length of what follows.
// LZ items are built only up to fuzz::kLzFuzzBytes (fuzz_streams covers the
// LZ writer).
#include <cstdint>
#include <string>
#include <vector>

#include "formats/compression_modes.h"
#include "formats/data_types.h"
#include "fuzz_support.h"
#include "writers/lz_stream.h"

namespace {

fuzz::ScratchFile* g_binary = nullptr;
fuzz::ScratchFile* g_listing = nullptr;

struct Item {
  bool built = false;
  int type = -1;
  std::vector<uint8_t> data;  // what follows the header
};

Item Build(const DataTypeInfo& type, const char* compression) {
  // The line animation reads fuzz001.bmp, fuzz002.bmp, ...; the others fuzz.bmp.
  const std::string dataType = type.word;
  const std::string argument = type.id == DataTypeId::kLineAnim ? "fuzz" : "\"fuzz.bmp\"";
  const std::string script = "t " + std::string(compression) + " " + dataType + " " + argument;
  Item item;
  item.built = fuzz::RunScript(script.data(), script.size(), *g_binary, *g_listing);
  const std::vector<uint8_t> binary = g_binary->Contents();
  if (!item.built) {
    if (!binary.empty()) fuzz::Fail("a failed item reached the binary file");
    return item;
  }
  if (binary.size() < 3) fuzz::Fail("an item without its header");
  const size_t length = binary[1] | binary[2] << 8;
  if (length != binary.size() - 3) fuzz::Fail("the header length differs from the item's bytes");
  item.type = binary[0];
  item.data.assign(binary.begin() + 3, binary.end());
  return item;
}

void CheckStream(const Item& item, const CompressionInfo& mode,
                 const std::vector<uint8_t>& expected) {
  if (item.type != mode.headerType) fuzz::Fail("wrong header type");
  if (item.data.size() > static_cast<size_t>(mode.streamBound(static_cast<int>(expected.size()))))
    fuzz::Fail("stream over its bound");
  std::vector<uint8_t> decoded;
  size_t consumed = 0;
  const bool decodedOk = mode.decode(item.data.data(), item.data.size(), decoded, &consumed);
  if (!decodedOk || consumed != item.data.size()) fuzz::Fail("stream doesn't decode");
  if (decoded != expected) fuzz::Fail("stream decodes to other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  fuzz::EnterTemporaryFolder({});
  g_binary = new fuzz::ScratchFile("out.bin", "wb");
  g_listing = new fuzz::ScratchFile("out.lst", "w");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A series of two equal frames: the second passes the size check.
  fuzz::WriteWholeFile("fuzz.bmp", data, size);
  fuzz::WriteWholeFile("fuzz001.bmp", data, size);
  fuzz::WriteWholeFile("fuzz002.bmp", data, size);

  for (const DataTypeInfo& type : DataTypes()) {
    if (!type.readsPicture) continue;
    const Item none = Build(type, "compressnone");
    if (none.built && none.type != 0) fuzz::Fail("wrong header type");
    for (const CompressionInfo& mode : CompressionModes()) {
      if (!mode.method) continue;
      if (mode.encode == EncodeLz && none.data.size() > fuzz::kLzFuzzBytes) continue;
      const Item compressed = Build(type, mode.word);
      const bool whole = none.data.size() % static_cast<size_t>(mode.unitSize) == 0;
      if (compressed.built != (none.built && whole))
        fuzz::Fail("a compression and compressnone disagree");
      if (compressed.built) CheckStream(compressed, mode, none.data);
    }
  }
  return 0;
}
