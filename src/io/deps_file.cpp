#include "io/deps_file.h"

std::string MakeEscape(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\t') {
      escaped += '\\';
      escaped += c;
    } else if (c == '$') {
      escaped += "$$";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string DependencyText(const std::vector<std::string>& targets,
                           const std::vector<std::string>& inputs) {
  std::string text;
  for (size_t i = 0; i < targets.size(); ++i) text += (i ? " " : "") + MakeEscape(targets[i]);
  text += ":";
  for (const std::string& input : inputs) text += " " + MakeEscape(input);
  text += "\n";
  for (size_t i = 1; i < inputs.size(); ++i) text += "\n" + MakeEscape(inputs[i]) + ":\n";
  return text;
}
