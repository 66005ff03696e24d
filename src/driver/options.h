// The command line: options first, GNU style (--name, --name VALUE or
// --name=VALUE, "--" ending them), then the script, the binary file and the
// listing file.
#pragma once

#include <string>
#include <vector>

#include "listing/listing.h"

struct Options {
  bool help = false;
  bool version = false;
  bool quiet = false;
  bool atomic = false;
  SymbolForm symbols = SymbolForm::kEqu;
  std::string depsPath;
  std::string cHeaderPath;
  std::string manifestPath;
  std::vector<std::string> arguments;  // everything after the options
};

// False with a one-line message in `error` for an unknown option, a missing
// value or a value the option does not take.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The text of --help: usage, the options, the data types and compression words.
std::string HelpText();
