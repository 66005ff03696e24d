// Fuzz target: the viewer's reader and renderers on a fuzzed build. The
// input is a listing and a binary file, split at the first NUL byte:
//
//   listing text | 00 | binary file bytes
//
// (a listing never holds a NUL byte). ReadBuild must accept or refuse with
// a message, and every item it accepts must render or be refused with a
// message; the sanitizers catch anything else. Seeds: the listing and
// binary of real builds, joined the same way.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "viewer/build_reader.h"
#include "viewer/renderers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* split = static_cast<const uint8_t*>(memchr(data, 0, size));
  if (!split) return -1;  // keep inputs without the separator out of the corpus
  const std::string listing(reinterpret_cast<const char*>(data), static_cast<size_t>(split - data));
  const std::vector<uint8_t> binary(split + 1, data + size);
  Build build;
  std::string error;
  if (!ReadBuild(binary, listing, build, error)) {
    if (error.empty()) abort();
    return 0;
  }
  for (const BuildItem& item : build.items) {
    Rendering rendering;
    if (!RenderItem(item, rendering, error) && error.empty()) abort();
    (void)ComposeRendering(rendering);
  }
  return 0;
}
