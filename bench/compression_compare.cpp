// kestrip-compare: compresses every item of a build, one by one, with byte
// run-length coding, the LZ stream, and (for comparison, where installed)
// `zstd -19` and `lz4 -12`, and prints the totals per data type.
//
//   kestrip-compare KESTRIP FOLDER SCRIPT    the items of SCRIPT, run in FOLDER
//   kestrip-compare KESTRIP FOLDER photos N  N generated photographs as title
//                                            screens and greyscale pictures
//                                            (written to FOLDER first)
//
// The items' bytes are read back from kestrip's own output through the
// viewer's build reader, so they are exactly what each converter stored.
// Every LZ stream is decoded again and compared, and the encoder is timed.
// The exit status is 0 when every stream decodes back and the LZ totals meet
// their goals (at most 1.05 x zstd's frames and 0.85 x lz4's), 1 when
// something fails, 2 when a goal is missed.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "palettes.h"
#include "viewer/build_reader.h"
#include "writers/lz_stream.h"
#include "writers/run_length.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr double kMaxOfZstd = 1.05;
constexpr double kMaxOfLz4 = 0.85;

struct Totals {
  int items = 0;
  long long bytes = 0, runLength = 0, lz = 0, zstd = 0, lz4 = 0;
  double lzSeconds = 0;
};

bool ReadFile(const std::string& path, Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  uint8_t block[65536];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + count);
  fclose(file);
  return true;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

// Runs a shell command; its exit status, or -1.
int Shell(const std::string& command) {
  const int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasTool(const char* name) {
  return Shell(std::string("command -v ") + name + " >/dev/null 2>&1") == 0;
}

// The size of one item's frame from a comparison tool, or -1.
long long ToolSize(const std::string& command, const Bytes& item) {
  if (!WriteFile("compare.item", item)) return -1;
  if (Shell(command + " < compare.item > compare.out 2>/dev/null") != 0) return -1;
  Bytes frame;
  if (!ReadFile("compare.out", frame)) return -1;
  return static_cast<long long>(frame.size());
}

// ---------------------------------------------------------------------------
// Generated photographs: smooth colour fields with noise, diffused into the
// display's fifteen colours, the way a photograph is made into a picture.

struct Colour {
  double r, g, b;
};

Colour Field(int x, int y, int seed) {
  const double u = x / 256.0, v = y / 192.0, s = seed * 1.7;
  return {128 + 100 * sin(3.1 * u + s) * cos(2.3 * v - s),
          128 + 110 * sin(1.7 * v + 2.9 * u * v + s * 0.5),
          128 + 90 * cos(4.3 * u * u - 1.1 * v + s * 1.3)};
}

BmpImage Photograph(int seed, bool grey) {
  const std::vector<Rgb> display = imagegen::DisplayPalette();
  BmpImage image;
  image.width = 256;
  image.height = 192;
  image.palette = display;
  if (grey) {
    image.palette.clear();
    for (int i = 0; i < 256; ++i)
      image.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});
  }
  std::vector<Colour> error(static_cast<size_t>(image.width) * 2, {0, 0, 0});
  uint32_t noise = 12345u + static_cast<uint32_t>(seed) * 977u;
  for (int y = 0; y < image.height; ++y) {
    std::vector<Colour> nextError(static_cast<size_t>(image.width) + 2, {0, 0, 0});
    for (int x = 0; x < image.width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double grain = static_cast<double>(noise >> 24) / 8.0 - 16.0;
      Colour c = Field(x, y, seed);
      c = {c.r + grain + error[static_cast<size_t>(x)].r, c.g + grain + error[static_cast<size_t>(x)].g,
           c.b + grain + error[static_cast<size_t>(x)].b};
      if (grey) {
        const double level = std::min(255.0, std::max(0.0, (c.r + c.g + c.b) / 3));
        image.indices.push_back(static_cast<uint8_t>(level));
        continue;
      }
      int best = 0;
      double bestDistance = 1e30;
      for (int i = 0; i < 16; ++i) {
        const Rgb& p = display[static_cast<size_t>(i)];
        const double d = (c.r - p.red) * (c.r - p.red) + (c.g - p.green) * (c.g - p.green) +
                         (c.b - p.blue) * (c.b - p.blue);
        if (d < bestDistance) bestDistance = d, best = i;
      }
      image.indices.push_back(static_cast<uint8_t>(best));
      const Rgb& p = display[static_cast<size_t>(best)];
      const Colour e = {(c.r - p.red) / 16, (c.g - p.green) / 16, (c.b - p.blue) / 16};
      auto spread = [](Colour& to, const Colour& by, double weight) {
        to.r += by.r * weight, to.g += by.g * weight, to.b += by.b * weight;
      };
      if (x + 1 < image.width) spread(error[static_cast<size_t>(x + 1)], e, 7);
      spread(nextError[static_cast<size_t>(x)], e, 5);
      if (x > 0) spread(nextError[static_cast<size_t>(x - 1)], e, 3);
      spread(nextError[static_cast<size_t>(x + 1)], e, 1);
    }
    error.assign(nextError.begin(), nextError.begin() + image.width);
    error.resize(static_cast<size_t>(image.width) * 2, {0, 0, 0});
  }
  return image;
}

bool WritePhotographs(int count, std::string& script) {
  script = "# Generated photographs.\norg 32768\n";
  for (int i = 0; i < count; ++i) {
    const std::string colour = "photo" + std::to_string(i) + ".bmp";
    const std::string grey = "grey" + std::to_string(i) + ".bmp";
    if (!WriteBmp(colour, Photograph(i, false)) || !WriteBmp(grey, Photograph(i, true))) return false;
    script += "photo" + std::to_string(i) + " compressnone titlescreen \"" + colour + "\"\n";
    script += "grey" + std::to_string(i) + " compressnone greyscale \"" + grey + "\"\n";
  }
  return true;
}

// ---------------------------------------------------------------------------

const char* TypeName(const BuildItem& item) {
  const DataTypeInfo* type = item.layout.type ? item.layout.type : item.listing.type;
  return type ? type->word : "unknown";
}

bool Measure(const Bytes& item, bool withZstd, bool withLz4, Totals& totals, double& slowest) {
  const int size = static_cast<int>(item.size());
  Bytes stream(static_cast<size_t>(std::max(RunLengthStreamBound(size, 1), LzStreamBound(size))));
  totals.items += 1;
  totals.bytes += size;
  totals.runLength += EncodeRunLength(item.data(), size, 1, stream.data());

  const auto start = std::chrono::steady_clock::now();
  const int lzLength = EncodeLz(item.data(), size, stream.data());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  totals.lzSeconds += seconds;
  slowest = std::max(slowest, seconds);
  totals.lz += lzLength;
  Bytes decoded;
  size_t consumed = 0;
  if (!DecodeLzStream(stream.data(), static_cast<size_t>(lzLength), decoded, &consumed) ||
      consumed != static_cast<size_t>(lzLength) || decoded != item) {
    fprintf(stderr, "kestrip-compare: an LZ stream of %d bytes doesn't decode back\n", size);
    return false;
  }
  if (withZstd) totals.zstd += ToolSize("zstd -19 -q -c", item);
  if (withLz4) totals.lz4 += ToolSize("lz4 -12 -q -c", item);
  return true;
}

void PrintRow(const char* name, const Totals& t, bool withZstd, bool withLz4) {
  auto percent = [&](long long bytes) { return t.bytes ? 100.0 * bytes / t.bytes : 0.0; };
  printf("%-15s %5d %9lld %7.1f%% %7.1f%%", name, t.items, t.bytes, percent(t.runLength),
         percent(t.lz));
  if (withZstd) printf(" %7.1f%%", percent(t.zstd));
  if (withLz4) printf(" %7.1f%%", percent(t.lz4));
  printf("\n");
}

bool ReadItems(const std::string& tool, const std::string& script, std::vector<BuildItem>& items) {
  const std::string command =
      "'" + tool + "' '" + script + "' compare.bin compare.lst > compare.log 2>&1";
  Bytes binary, listing;
  if (Shell(command) != 0 || !ReadFile("compare.bin", binary) || !ReadFile("compare.lst", listing)) {
    fprintf(stderr, "kestrip-compare: kestrip failed on %s; see compare.log\n", script.c_str());
    return false;
  }
  Build build;
  std::string error;
  if (!ReadBuild(binary, std::string(listing.begin(), listing.end()), build, error)) {
    fprintf(stderr, "kestrip-compare: %s\n", error.c_str());
    return false;
  }
  items = build.items;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: kestrip-compare KESTRIP FOLDER SCRIPT\n"
                    "       kestrip-compare KESTRIP FOLDER photos N\n");
    return 1;
  }
  char* toolPath = realpath(argv[1], nullptr);
  if (!toolPath || chdir(argv[2]) != 0) {
    fprintf(stderr, "kestrip-compare: can't find kestrip or the folder\n");
    free(toolPath);
    return 1;
  }
  const std::string tool = toolPath;
  free(toolPath);
  std::string script = argv[3];
  if (argc == 5) {
    std::string text;
    if (script != "photos" || !WritePhotographs(atoi(argv[4]), text) ||
        !WriteFile("photos.kst", Bytes(text.begin(), text.end()))) {
      fprintf(stderr, "kestrip-compare: can't write the photographs\n");
      return 1;
    }
    script = "photos.kst";
  }
  std::vector<BuildItem> items;
  if (!ReadItems(tool, script, items)) return 1;

  const bool withZstd = HasTool("zstd"), withLz4 = HasTool("lz4");
  std::map<std::string, Totals> byType;
  Totals all;
  double slowest = 0, slowestLargest = 0, slowestScreen = 0;
  for (const BuildItem& item : items) {
    double itemSeconds = 0;
    Totals one;
    if (!Measure(item.data, withZstd, withLz4, one, itemSeconds)) return 1;
    Totals& type = byType[TypeName(item)];
    for (Totals* t : {&type, &all}) {
      t->items += one.items, t->bytes += one.bytes, t->runLength += one.runLength;
      t->lz += one.lz, t->zstd += one.zstd, t->lz4 += one.lz4, t->lzSeconds += one.lzSeconds;
    }
    slowest = std::max(slowest, itemSeconds);
    if (item.data.size() == 6912) slowestScreen = std::max(slowestScreen, itemSeconds);
    if (item.data.size() >= 40000) slowestLargest = std::max(slowestLargest, itemSeconds);
  }

  printf("%s: %zu items, sizes as a share of the items' bytes\n", script.c_str(), items.size());
  printf("%-15s %5s %9s %8s %8s", "data type", "items", "bytes", "bytes rl", "lz");
  if (withZstd) printf(" %8s", "zstd -19");
  if (withLz4) printf(" %8s", "lz4 -12");
  printf("\n");
  for (const auto& [name, totals] : byType) PrintRow(name.c_str(), totals, withZstd, withLz4);
  PrintRow("all", all, withZstd, withLz4);
  printf("lz encoder: %.1f ms in all, slowest item %.1f ms, slowest 6912-byte item %.1f ms",
         all.lzSeconds * 1000, slowest * 1000, slowestScreen * 1000);
  if (slowestLargest > 0) printf(", slowest item over 40000 bytes %.1f ms", slowestLargest * 1000);
  printf("\n");

  bool met = true;
  if (withZstd) {
    const double ratio = all.zstd ? static_cast<double>(all.lz) / static_cast<double>(all.zstd) : 0;
    printf("lz / zstd -19 = %.3f (goal <= %.2f)\n", ratio, kMaxOfZstd);
    met = met && ratio <= kMaxOfZstd;
  }
  if (withLz4) {
    const double ratio = all.lz4 ? static_cast<double>(all.lz) / static_cast<double>(all.lz4) : 0;
    printf("lz / lz4 -12 = %.3f (goal <= %.2f)\n", ratio, kMaxOfLz4);
    met = met && ratio <= kMaxOfLz4;
  }
  if (!withZstd || !withLz4) printf("(zstd or lz4 missing: its column skipped)\n");
  return met ? 0 : 2;
}
