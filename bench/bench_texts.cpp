#include "bench_texts.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace bench {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

namespace {

// An item line of the corpus: "tag compression type "file"".
struct ItemLine {
  std::string tag, compression, type, argument;
};

bool ParseItemLine(const std::string& line, ItemLine& item) {
  std::istringstream in(line);
  if (!(in >> item.tag >> item.compression >> item.type >> item.argument)) return false;
  return item.tag != "org" && item.tag[0] != '#';
}

std::string ItemText(const ItemLine& item) {
  return item.tag + " " + item.compression + " " + item.type + " " + item.argument + "\n";
}

}  // namespace

std::string RunLengthScript(const std::string& script) {
  static const char* const kRunLengthWords[] = {"compressbyte", "compressword"};
  std::string text;
  int replaced = 0;
  for (const std::string& line : Lines(script)) {
    ItemLine item;
    if (ParseItemLine(line, item) && item.compression == "compresslz") {
      item.compression = kRunLengthWords[replaced++ % 2];
      text += ItemText(item);
    } else {
      text += line + "\n";
    }
  }
  return text;
}

std::string CopyFolder(int copy) { return "copy" + std::to_string(copy); }

std::string RepeatedScript(const std::string& script, int copies) {
  std::vector<ItemLine> items;
  std::string text;
  for (const std::string& line : Lines(script)) {
    ItemLine item;
    if (ParseItemLine(line, item)) {
      items.push_back(item);
    } else if (items.empty()) {
      text += line + "\n";  // the heading and the org line
    }
  }
  for (int copy = 1; copy <= copies; ++copy) {
    for (ItemLine item : items) {
      item.tag = "c" + std::to_string(copy) + "_" + item.tag;
      // The argument is a quoted name: the copy's folder goes inside the quotes.
      item.argument.insert(item.argument[0] == '"' ? 1 : 0, CopyFolder(copy) + "/");
      text += ItemText(item);
    }
  }
  return text;
}

long long CallgrindInstructions(const std::string& log) {
  static const char kCollected[] = "Collected : ";
  const size_t at = log.rfind(kCollected);
  if (at == std::string::npos) return -1;
  return atoll(log.c_str() + at + sizeof kCollected - 1);
}

SyscallCounts CountSyscalls(const std::string& trace, const std::set<std::string>& inputs) {
  SyscallCounts counts;
  std::set<long> inputDescriptors;
  for (const std::string& line : Lines(trace)) {
    const size_t open = line.find('(');
    if (open == std::string::npos || line.compare(0, 3, "---") == 0 ||
        line.compare(0, 3, "+++") == 0)
      continue;
    ++counts.total;
    const std::string call = line.substr(0, open);
    const size_t result = line.rfind(" = ");
    if (call == "openat" || call == "open") {
      const size_t first = line.find('"');
      const size_t last = line.find('"', first + 1);
      const long fd = result == std::string::npos ? -1 : atol(line.c_str() + result + 3);
      if (first != std::string::npos && last != std::string::npos && fd >= 0 &&
          inputs.count(line.substr(first + 1, last - first - 1))) {
        ++counts.inputFiles;
        ++counts.onInputFiles;
        inputDescriptors.insert(fd);
      }
      continue;
    }
    // A call on a descriptor names it first: "read(5, ...", "close(5)".
    char* end = nullptr;
    const long fd = strtol(line.c_str() + open + 1, &end, 10);
    if (end == line.c_str() + open + 1 || (*end != ',' && *end != ')') ||
        !inputDescriptors.count(fd))
      continue;
    ++counts.onInputFiles;
    if (call == "close") inputDescriptors.erase(fd);
  }
  return counts;
}

}  // namespace bench
