#include "viewer/view.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "io/input_file.h"
#include "io/run_files.h"
#include "viewer/png_writer.h"
#include "viewer/text.h"

namespace {

const char kUsage[] = "usage: kestrip-view [--scale N] BIN LST OUTDIR\n";

// Larger than any build: the target machine addresses 64 KB, and a build
// of a thousand full items is under 52 MB. A larger file (a device, a wrong
// path) is refused before it is read into memory.
constexpr size_t kLargestInput = 64 * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents, std::string& error) {
  switch (ReadInputFile(path.c_str(), kLargestInput, contents)) {
    case InputStatus::kRead: return true;
    case InputStatus::kReadError: error = "couldn't read '" + Quote(path) + "'"; return false;
    case InputStatus::kTooLarge:
      error = "'" + Quote(path) + "' is larger than any build (" +
              std::to_string(kLargestInput / (1024 * 1024)) + " MB)";
      return false;
    default: error = "couldn't open '" + Quote(path) + "'"; return false;
  }
}

// A file the viewer writes must not be one it reads: the build's binary
// file or listing, named through OUTDIR.
bool CheckNotAnInput(const std::string& path, const ViewOptions& options, std::string& error) {
  FileIdentity written;
  if (!IdentityOf(path, written)) return true;
  for (const std::string& input : {options.binaryPath, options.listingPath}) {
    FileIdentity read;
    if (IdentityOf(input, read) && read == written) {
      error = "'" + Quote(path) + "' is the build's own file '" + Quote(input) + "'; not overwritten";
      return false;
    }
  }
  return true;
}

// A picture file name for each tag: tags may hold any characters (a quoted
// tag can hold "/" or ".."), and two items may share a tag, so names are
// cut down to safe characters and numbered where they would clash.
class PictureNames {
 public:
  std::string For(const std::string& tag) {
    const std::string stem = FileStem(tag);
    std::string name = stem;
    for (int n = 2; !used_.insert(Lower(name)).second; ++n) name = stem + "-" + std::to_string(n);
    return name + ".png";
  }

 private:
  // Compared without case, for file systems that ignore it.
  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
  }
  std::set<std::string> used_;
};

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    error = "couldn't write '" + Quote(path) + "'";
    return false;
  }
  return true;
}

bool ParseScale(const char* text, int& scale) {
  if (strlen(text) != 1 || !isdigit(static_cast<unsigned char>(text[0]))) return false;
  scale = text[0] - '0';
  return scale >= 1 && scale <= kLargestScale;
}

bool ParseArguments(int argc, char** argv, ViewOptions& options) {
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--scale") == 0) {
      if (i + 1 >= argc || !ParseScale(argv[i + 1], options.scale)) return false;
      ++i;
    } else {
      paths.push_back(argv[i]);
    }
  }
  if (paths.size() != 3) return false;
  options.binaryPath = paths[0];
  options.listingPath = paths[1];
  options.outputDir = paths[2];
  return true;
}

}  // namespace

bool ReadAndRender(const ViewOptions& options, View& view, std::string& error) {
  view = View();
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> listingBytes;
  if (!ReadWholeFile(options.binaryPath, bytes, error) ||
      !ReadWholeFile(options.listingPath, listingBytes, error)) {
    return false;
  }
  const std::string listing(listingBytes.begin(), listingBytes.end());
  if (!ReadBuild(bytes, listing, view.build, error)) return false;

  PictureNames names;
  view.items.reserve(view.build.items.size());
  for (const BuildItem& item : view.build.items) {
    SheetItem sheetItem;
    sheetItem.item = &item;
    if (!RenderItem(item, sheetItem.rendering, error)) return false;
    const Image composed = ComposeRendering(sheetItem.rendering);
    if (!composed.empty()) {
      sheetItem.pictureFile = names.For(item.listing.tag);
      sheetItem.pictureWidth = composed.width() * options.scale;
      sheetItem.pictureHeight = composed.height() * options.scale;
    }
    view.items.push_back(std::move(sheetItem));
  }
  const SheetSources sources{options.binaryPath, options.listingPath, options.scale};
  view.html = ContactSheetHtml(view.build, view.items, sources);
  return true;
}

bool RunView(const ViewOptions& options, View& view, std::string& error) {
  if (!ReadAndRender(options, view, error)) return false;
  std::error_code failure;
  std::filesystem::create_directories(options.outputDir, failure);
  if (failure) {
    error = "couldn't create the folder '" + Quote(options.outputDir) + "'";
    return false;
  }
  for (const SheetItem& item : view.items) {
    if (item.pictureFile.empty()) continue;
    const std::string path = options.outputDir + "/" + item.pictureFile;
    if (!CheckNotAnInput(path, options, error)) return false;
    if (!WritePng(path, ComposeRendering(item.rendering), options.scale, item.rendering.flashCells,
                  error)) {
      error = item.item->listing.Name() + ": " + error;
      return false;
    }
  }
  const std::string page = options.outputDir + "/index.html";
  return CheckNotAnInput(page, options, error) && WriteTextFile(page, view.html, error);
}

int kestrip_view_main(int argc, char** argv) {
  ViewOptions options;
  if (!ParseArguments(argc, argv, options)) {
    fputs(kUsage, stderr);
    return 2;
  }
  View view;
  std::string error;
  if (!RunView(options, view, error)) {
    fprintf(stderr, "kestrip-view: %s\n", error.c_str());
    return 1;
  }
  int pictures = 0;
  for (const SheetItem& item : view.items) pictures += item.pictureFile.empty() ? 0 : 1;
  printf("kestrip-view: %zu items, %d pictures; contact sheet %s/index.html\n", view.items.size(),
         pictures, options.outputDir.c_str());
  return 0;
}
