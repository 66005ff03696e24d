// Sets of generated files: the bundled example's images, the benchmark
// corpus, and the folder the script fuzzer runs in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imagegen {

struct GeneratedFile {
  std::string name;  // relative to the folder it is written to; may hold "/"
  std::vector<uint8_t> bytes;
};

// Writes the files under `folder`, making subfolders as needed. False, with
// the reason in `error`, when a file can't be written.
bool WriteFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                std::string& error);

// The images that examples/demo.kst names, one or more per data type.
std::vector<GeneratedFile> ExampleImages();

// One item of the benchmark corpus: its script line's data type, argument
// and input files. Item n has the data type of row n mod T of the core's
// data type table (T rows) and the compression word of row (n / T) mod C of
// its compression table (C rows), so every T * C items cover every pair; its size cycles
// through the data type's sizes, the largest (256 x 192 where the type
// allows) first. Every item's size suits word compression (it is even).
struct CorpusItem {
  std::string tag;
  std::string compression;
  std::string dataType;
  std::string argument;  // as written in the script: a quoted file or base name
  std::vector<GeneratedFile> inputs;
};
CorpusItem MakeCorpusItem(int number);

// Writes the inputs of `items` corpus items under `folder` (in images/),
// with two scripts and their manifests: items<N>.kst over all items and
// items<M>.kst over the first M = min(10, N). A manifest lists, one per
// line, every file the script's run reads: the script, then each item's
// inputs.
bool WriteBenchCorpus(const std::string& folder, int items, std::string& error);

// Files of the script fuzzer's folder: valid images of every data type,
// three animation frames, and broken or odd files, under names its
// dictionary knows.
std::vector<GeneratedFile> ScriptFuzzFolder();

}  // namespace imagegen
