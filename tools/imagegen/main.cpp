// kestrip-imagegen: paints the project's test and example images.
//
//   kestrip-imagegen examples FOLDER       the images of examples/demo.kst
//   kestrip-imagegen corpus FOLDER ITEMS   the benchmark corpus and scripts
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "collections.h"

namespace {

int Usage() {
  fprintf(stderr,
          "usage: kestrip-imagegen examples FOLDER\n"
          "       kestrip-imagegen corpus FOLDER ITEMS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string mode = argv[1];
  const std::string folder = argv[2];
  std::string error;
  if (mode == "examples" && argc == 3) {
    if (!imagegen::WriteFiles(folder, imagegen::ExampleImages(), error)) {
      fprintf(stderr, "kestrip-imagegen: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (mode == "corpus" && argc == 4) {
    char* end = nullptr;
    const long items = strtol(argv[3], &end, 10);
    if (*argv[3] == '\0' || *end != '\0' || items < 1 || items > 9999) {
      fprintf(stderr, "kestrip-imagegen: ITEMS must be a number from 1 to 9999\n");
      return 2;
    }
    if (!imagegen::WriteBenchCorpus(folder, static_cast<int>(items), error)) {
      fprintf(stderr, "kestrip-imagegen: %s\n", error.c_str());
      return 1;
    }
    printf("wrote %ld corpus items to %s\n", items, folder.c_str());
    return 0;
  }
  return Usage();
}
