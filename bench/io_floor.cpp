// kestrip-io-floor: the I/O a kestrip run cannot avoid, and nothing else.
// It opens and reads whole every file that the run reads (listed in a
// manifest, one name a line) and writes as many bytes to its two output
// files as the run wrote to its binary and listing files, as the tool
// writes them: over the previous file, cut to the new length (an output
// emptied at open may be pushed to the disk when closed). The benchmark
// compares the tool's time with this program's.
//
//   kestrip-io-floor MANIFEST BINARY BINARY_BYTES LISTING LISTING_BYTES
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t kBlockSize = 64 * 1024;
unsigned char g_block[kBlockSize];

// Reads the file to its end; returns the bytes read, or -1 when it can't be opened.
long long ReadWhole(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return -1;
  long long total = 0;
  size_t count;
  while ((count = fread(g_block, 1, kBlockSize, file)) > 0) total += static_cast<long long>(count);
  fclose(file);
  return total;
}

bool WriteBytes(const char* path, long long count) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (!file) return false;
  memset(g_block, ';', kBlockSize);
  const long long length = count;
  bool written = true;
  while (count > 0 && written) {
    const size_t block =
        count < static_cast<long long>(kBlockSize) ? static_cast<size_t>(count) : kBlockSize;
    written = fwrite(g_block, 1, block, file) == block;
    count -= static_cast<long long>(block);
  }
  written = fflush(file) == 0 && written && ftruncate(fd, length) == 0;
  return fclose(file) == 0 && written;
}

bool ParseCount(const char* text, long long& count) {
  char* end = nullptr;
  count = strtoll(text, &end, 10);
  return *text != '\0' && *end == '\0' && count >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  long long binaryBytes = 0;
  long long listingBytes = 0;
  if (argc != 6 || !ParseCount(argv[3], binaryBytes) || !ParseCount(argv[5], listingBytes)) {
    fprintf(stderr, "usage: kestrip-io-floor MANIFEST BINARY BINARY_BYTES LISTING LISTING_BYTES\n");
    return 2;
  }
  FILE* manifest = fopen(argv[1], "r");
  if (!manifest) {
    fprintf(stderr, "kestrip-io-floor: couldn't open %s\n", argv[1]);
    return 1;
  }
  char line[4096];
  long long files = 0;
  long long bytes = 0;
  while (fgets(line, sizeof line, manifest)) {
    line[strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0') continue;
    const long long read = ReadWhole(line);
    if (read < 0) {
      fprintf(stderr, "kestrip-io-floor: couldn't open %s\n", line);
      fclose(manifest);
      return 1;
    }
    ++files;
    bytes += read;
  }
  fclose(manifest);
  if (!WriteBytes(argv[2], binaryBytes) || !WriteBytes(argv[4], listingBytes)) {
    fprintf(stderr, "kestrip-io-floor: couldn't write the output files\n");
    return 1;
  }
  printf("read %lld files, %lld bytes; wrote %lld + %lld bytes\n", files, bytes, binaryBytes,
         listingBytes);
  return 0;
}
