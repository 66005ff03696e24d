// Fuzz target 2: a fuzzed BMP file given to every image data type in turn,
// through a one-item script, with each of the three compression words.
//
// Besides the sanitizers, it checks that the three writers agree: for each
// data type the uncompressed item's bytes X decide the other two runs.
//   - compressbyte succeeds exactly when compressnone does, and its stream
//     decodes to X within the stream bound |X| + ceil(|X| / 126) + 1;
//   - compressword succeeds exactly when compressnone does and |X| is even,
//     and its stream decodes to X within 2m + ceil(m / 126) + 1, m = |X| / 2;
//   - each item's header carries the writer's type and the length of what
//     follows it.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "writers/decoders.h"

namespace {

fuzz::ScratchFile* g_binary = nullptr;
fuzz::ScratchFile* g_listing = nullptr;

const char* const kImageTypes[] = {"maskedsprite",   "unmaskedsprite", "gfxblock",    "titlescreen",
                                   "fullscreenmask", "lineanim",       "colourblock", "colourtile",
                                   "tilepicture",    "greyscale"};

struct Item {
  bool built = false;
  int type = -1;
  std::vector<uint8_t> data;  // what follows the header
};

Item Build(const std::string& dataType, const char* compression) {
  // The line animation reads fuzz001.bmp, fuzz002.bmp, ...; the others fuzz.bmp.
  const std::string argument = dataType == "lineanim" ? "fuzz" : "\"fuzz.bmp\"";
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

size_t StreamBound(size_t units, size_t unitSize) {
  return units * unitSize + (units + 125) / 126 + 1;
}

void CheckStream(const Item& item, int type, const std::vector<uint8_t>& expected,
                 size_t unitSize) {
  if (item.type != type) fuzz::Fail("wrong header type");
  if (item.data.size() > StreamBound(expected.size() / unitSize, unitSize))
    fuzz::Fail("stream over its bound");
  std::vector<uint8_t> decoded;
  size_t consumed = 0;
  const bool decodedOk =
      unitSize == 1 ? DecodeByteStream(item.data.data(), item.data.size(), decoded, &consumed)
                    : DecodeWordStream(item.data.data(), item.data.size(), decoded, &consumed);
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

  for (const char* dataType : kImageTypes) {
    const Item none = Build(dataType, "compressnone");
    const Item byte = Build(dataType, "compressbyte");
    const Item word = Build(dataType, "compressword");
    if (byte.built != none.built) fuzz::Fail("compressbyte and compressnone disagree");
    if (word.built != (none.built && none.data.size() % 2 == 0))
      fuzz::Fail("compressword and compressnone disagree");
    if (!none.built) continue;
    if (none.type != 0) fuzz::Fail("wrong header type");
    CheckStream(byte, 1, none.data, 1);
    if (word.built) CheckStream(word, 2, none.data, 2);
  }
  return 0;
}
