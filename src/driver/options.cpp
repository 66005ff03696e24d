#include "driver/options.h"

#include <cstring>

#include "formats/compression_modes.h"
#include "formats/data_types.h"

namespace {

struct OptionRow {
  const char* name;
  const char* value;  // the value's name in --help; null for a flag
  const char* help;
};

const OptionRow kOptions[] = {
    {"help", nullptr, "show this help and exit"},
    {"version", nullptr, "show the program's name and version and exit"},
    {"quiet", nullptr, "no progress lines; faults and Done/Failed! still print"},
    {"atomic", nullptr,
     "write the outputs beside their names and move them into place only when the run succeeds"},
    {"deps", "FILE", "after a successful run, write a make/ninja dependency file"},
    {"symbols", "FORM",
     "how the listing writes its symbols: equ (NAME equ VALUE, the default), colon "
     "(NAME: equ VALUE), assign (NAME = VALUE) or global (NAME == VALUE)"},
    {"c-header", "FILE", "write a C header with a #define for every listing symbol"},
    {"manifest", "FILE", "write a JSON description of the build"},
};

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

bool SetOption(Options& options, const std::string& name, const std::string& value,
               std::string& error) {
  if (name == "help") options.help = true;
  if (name == "version") options.version = true;
  if (name == "quiet") options.quiet = true;
  if (name == "atomic") options.atomic = true;
  if (name == "deps") options.depsPath = value;
  if (name == "c-header") options.cHeaderPath = value;
  if (name == "manifest") options.manifestPath = value;
  if (name == "symbols" && !ParseSymbolForm(value.c_str(), options.symbols)) {
    error = "--symbols takes equ, colon, assign or global, not '" + value + "'";
    return false;
  }
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--") {
      ++i;
      break;
    }
    if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) break;
    const size_t equals = argument.find('=');
    const std::string name =
        argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionRow* row = FindOption(name);
    if (!row) {
      error = "unknown option '" + argument + "'";
      return false;
    }
    std::string value;
    if (row->value) {
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        error = "--" + name + " needs a value";
        return false;
      }
      if (value.empty()) {
        error = "--" + name + " needs a value";
        return false;
      }
    } else if (equals != std::string::npos) {
      error = "--" + name + " takes no value";
      return false;
    }
    if (!SetOption(options, name, value, error)) return false;
  }
  for (; i < argc; ++i) options.arguments.push_back(argv[i]);
  return true;
}

std::string HelpText() {
  std::string text =
      "usage: kestrip [OPTION]... SCRIPT BINARY LISTING\n"
      "Builds the items SCRIPT names into BINARY and writes where each lies, and how large\n"
      "it is, to LISTING as assembler symbols.\n\nOptions:\n";
  for (const OptionRow& row : kOptions) {
    std::string left =
        std::string("  --") + row.name + (row.value ? std::string(" ") + row.value : "");
    left.resize(left.size() < 20 ? 20 : left.size() + 1, ' ');
    text += left + row.help + "\n";
  }
  text += "\nData types:";
  for (const DataTypeInfo& type : DataTypes()) text += std::string(" ") + type.word;
  text += "\nCompression words:";
  for (const CompressionInfo& mode : CompressionModes()) text += std::string(" ") + mode.word;
  return text + "\n";
}
