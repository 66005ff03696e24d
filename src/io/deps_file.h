// The dependency file of a build (--deps FILE), in the form make includes
// and ninja reads with `deps = gcc`: every output depends on the script and
// on every file the run read, and each input but the script has an empty
// rule of its own, so that deleting one makes make rebuild rather than stop
// on a rule it can't find.
//
//   out.bin out.lst: assets.kst logo.bmp walk001.bmp walk002.bmp
//
//   logo.bmp:
//
//   walk001.bmp:
//   ...
#pragma once

#include <string>
#include <vector>

// The file's text. The first input is the script.
std::string DependencyText(const std::vector<std::string>& targets,
                           const std::vector<std::string>& inputs);

// A path as a make rule must write it: spaces and "#" behind a backslash,
// "$" doubled.
std::string MakeEscape(const std::string& path);
