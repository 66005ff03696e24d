// Fuzz target 1: a whole run from a fuzzed script. The script is read by a
// memory tokeniser and run by process_script in a temporary folder that
// holds valid and broken images of every data type, animation frames and
// raw files (names in script.dict), writing to two scratch output files.
//
// Scripts holding "/" are skipped: they could name files outside the
// folder (a terminal, a pipe) and make the run wait for input.
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"

namespace {

fuzz::ScratchFile* g_binary = nullptr;
fuzz::ScratchFile* g_listing = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  fuzz::EnterTemporaryFolder(imagegen::ScriptFuzzFolder());
  g_binary = new fuzz::ScratchFile("out.bin", "wb");
  g_listing = new fuzz::ScratchFile("out.lst", "w");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (memchr(data, '/', size)) return -1;  // keep it out of the corpus
  fuzz::RunScript(reinterpret_cast<const char*>(data), size, *g_binary, *g_listing);
  return 0;
}
