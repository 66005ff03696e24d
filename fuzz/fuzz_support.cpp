#include "fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "driver/interpreter.h"
#include "listing/listing.h"
#include "tokeniser/tokeniser.h"

namespace fuzz {

namespace {

std::string g_folder;

void RemoveFolder() {
  std::error_code ignored;
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ignored);
}

}  // namespace

void SilenceStandardOutput() {
  if (!freopen("/dev/null", "w", stdout)) Fail("can't send standard output to /dev/null");
}

void EnterTemporaryFolder(const std::vector<imagegen::GeneratedFile>& files) {
  char pattern[] = "/tmp/kestrip_fuzz_XXXXXX";
  if (!mkdtemp(pattern)) Fail("can't make a temporary folder");
  g_folder = pattern;
  atexit(RemoveFolder);
  std::string error;
  if (!imagegen::WriteFiles(g_folder, files, error)) Fail(error.c_str());
  if (chdir(g_folder.c_str()) != 0) Fail("can't enter the temporary folder");
}

void WriteWholeFile(const std::string& path, const uint8_t* bytes, size_t size) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) Fail("can't write an input file");
  const bool written = size == 0 || fwrite(bytes, 1, size, file) == size;
  if (fclose(file) != 0 || !written) Fail("can't write an input file");
}

ScratchFile::ScratchFile(const char* name, const char* mode) : name_(name), mode_(mode) {}

ScratchFile::~ScratchFile() {
  if (file_) fclose(file_);
}

FILE* ScratchFile::Reset() {
  if (file_) fclose(file_);
  file_ = fopen(name_.c_str(), mode_.c_str());
  if (!file_) Fail("can't open a scratch file");
  return file_;
}

std::vector<uint8_t> ScratchFile::Contents() {
  std::vector<uint8_t> bytes;
  if (!file_) return bytes;
  fflush(file_);
  FILE* reader = fopen(name_.c_str(), "rb");
  if (!reader) Fail("can't read a scratch file");
  uint8_t block[4096];
  size_t count;
  while ((count = fread(block, 1, sizeof block, reader)) > 0)
    bytes.insert(bytes.end(), block, block + count);
  fclose(reader);
  return bytes;
}

bool RunScript(const char* script, size_t size, ScratchFile& binary, ScratchFile& listing) {
  CMemoryTokeniser tokeniser(script, size);
  cListing listingWriter(listing.Reset());
  const bool built = process_script(tokeniser, binary.Reset(), listingWriter);
  listingWriter.Flush();  // as the program does before closing a failed run's listing
  return built;
}

void Fail(const char* what) {
  fprintf(stderr, "kestrip fuzzer: %s\n", what);
  abort();
}

}  // namespace fuzz
