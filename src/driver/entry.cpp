#include "driver/entry.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "driver/interpreter.h"
#include "driver/options.h"
#include "io/console.h"
#include "io/deps_file.h"
#include "io/output_file.h"
#include "io/run_files.h"
#include "listing/c_header.h"
#include "listing/listing.h"
#include "listing/manifest.h"
#include "tokeniser/tokeniser.h"

#ifndef KESTRIP_VERSION
#define KESTRIP_VERSION "unknown"
#endif

namespace {

// A fault of the run as a whole (not of a line of the script): its message
// on standard output and its diagnostic on standard error.
void RunFault(const std::string& message, const std::string& diagnostic) {
  Fault("%s\n", message.c_str());
  fprintf(stderr, "kestrip: error: %s\n", diagnostic.c_str());
}

// The path as an absolute one, its folder resolved, for files that do not
// exist yet: two spellings of one new file then compare equal.
std::string ResolvedPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::unique_ptr<char, decltype(&free)> resolved(realpath(dir.c_str(), nullptr), free);
  return resolved ? std::string(resolved.get()) + "/" + name : path;
}

// Whether writing `b` would write over `a`: the same regular file (through
// links and other spellings), or the same new file. Devices such as
// /dev/null may be named twice.
bool SameFile(const std::string& a, const std::string& b) {
  FileIdentity identityA, identityB;
  const bool aExists = IdentityOf(a, identityA);
  const bool bExists = IdentityOf(b, identityB);
  if (aExists != bExists) return false;
  if (!aExists) return ResolvedPath(a) == ResolvedPath(b);
  struct stat info;
  return identityA == identityB && stat(a.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

struct NamedPath {
  const char* kind;
  std::string path;
};

// Refuses, before anything is created, outputs that would overwrite the
// script or each other.
bool CheckOutputsApart(const std::string& scriptPath, const std::vector<NamedPath>& outputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& path = outputs[i].path;
    if (SameFile(scriptPath, path)) {
      RunFault("Output file '" + path + "' is the script '" + scriptPath + "'",
               std::string("the ") + outputs[i].kind + " file '" + path +
                   "' would overwrite the script '" + scriptPath + "'; nothing was written");
      return false;
    }
    for (size_t k = 0; k < i; ++k) {
      if (SameFile(outputs[k].path, path)) {
        RunFault("Output files '" + outputs[k].path + "' and '" + path + "' are the same file",
                 std::string("the ") + outputs[k].kind + " file '" + outputs[k].path +
                     "' and the " + outputs[i].kind + " file '" + path +
                     "' are one file; nothing was written");
        return false;
      }
    }
  }
  return true;
}

std::vector<NamedPath> OutputPaths(const Options& options) {
  std::vector<NamedPath> outputs = {{"binary", options.arguments[1]},
                                    {"listing", options.arguments[2]}};
  if (!options.cHeaderPath.empty()) outputs.push_back({"C header", options.cHeaderPath});
  if (!options.manifestPath.empty()) outputs.push_back({"manifest", options.manifestPath});
  if (!options.depsPath.empty()) outputs.push_back({"dependency", options.depsPath});
  return outputs;
}

// The outputs of one run, opened in order (binary, listing, then the
// others). The binary and the listing follow --atomic; the outputs made of
// the items' facts are always written whole or not at all.
class Outputs {
 public:
  Outputs(const Options& options, cRunFiles& run) : run_(run) {
    for (const NamedPath& output : OutputPaths(options)) {
      const bool always =
          output.path != options.arguments[1] && output.path != options.arguments[2];
      files_.push_back(
          std::make_unique<cOutputFile>(output.kind, output.path, options.atomic || always));
    }
  }

  // Opens all but the dependency file, which is written at the end.
  bool Open(const Options& options) {
    for (auto& file : files_) {
      if (file->path() != options.depsPath) {
        if (!file->Open()) return false;
        run_.AddOutput(file->path(), file->identity());
      }
      // The file at the path is still the previous output while an atomic
      // one is written (and the dependency file until the end): no input
      // may be that either.
      FileIdentity existing;
      if (IdentityOf(file->path(), existing)) run_.AddOutput(file->path(), existing);
    }
    return true;
  }

  cOutputFile* Find(const std::string& path) {
    for (auto& file : files_) {
      if (!path.empty() && file->path() == path) return file.get();
    }
    return nullptr;
  }

  // After a failed run: a plain binary or listing keeps what was written;
  // the run's fault has been reported, so closing them adds no message.
  void KeepPartial(const Options& options) {
    Find(options.arguments[1])->CloseQuietly();
    Find(options.arguments[2])->CloseQuietly();
  }

  // After a successful run: every file complete, then moved into place.
  bool Commit(const Options& options) {
    if (cOutputFile* deps = Find(options.depsPath)) {
      std::vector<std::string> targets;
      for (auto& file : files_) {
        if (file.get() != deps) targets.push_back(file->path());
      }
      const std::string text = DependencyText(targets, run_.Inputs());
      if (!deps->Open()) return false;
      fwrite(text.data(), 1, text.size(), deps->get());
    }
    for (auto& file : files_) {
      if (!file->Close()) return false;
    }
    for (auto& file : files_) {
      if (!file->Commit()) return false;
    }
    return true;
  }

 private:
  cRunFiles& run_;
  std::vector<std::unique_ptr<cOutputFile>> files_;
};

ScriptSettings SettingsFor(const Options& options) {
  ScriptSettings settings;
  settings.scriptPath = options.arguments[0];
  if (options.symbols != SymbolForm::kEqu) {
    settings.plainTagsFor = std::string("--symbols ") + SymbolFormWord(options.symbols);
  } else if (!options.cHeaderPath.empty()) {
    settings.plainTagsFor = "the C header";
  }
  return settings;
}

// Opens the script, checks and creates the outputs, and runs the script.
bool Run(const Options& options) {
  const std::string& scriptPath = options.arguments[0];
  cRunFiles run(!options.depsPath.empty());
  const cRunFiles::Scope scope(run);
  CFileTokeniser tokeniser;
  if (!tokeniser.Open(scriptPath.c_str())) {
    const char* what = tokeniser.ReadFailed() ? "read" : "open";
    RunFault(std::string("Couldn't ") + what + " '" + scriptPath + "'",
             std::string("couldn't ") + what + " the script '" + scriptPath + "'");
    return false;
  }
  if (!CheckOutputsApart(scriptPath, OutputPaths(options))) return false;
  Outputs outputs(options, run);
  if (!outputs.Open(options)) return false;

  cListing listing(outputs.Find(options.arguments[2])->get(), options.symbols);
  std::unique_ptr<cCHeader> header;
  if (cOutputFile* file = outputs.Find(options.cHeaderPath)) {
    header = std::make_unique<cCHeader>(file->get(), scriptPath, options.cHeaderPath);
    listing.AddObserver(header.get());
  }
  std::unique_ptr<cManifest> manifest;
  if (cOutputFile* file = outputs.Find(options.manifestPath)) {
    manifest = std::make_unique<cManifest>(file->get(), scriptPath);
    listing.AddObserver(manifest.get());
  }
  listing.Banner(scriptPath.c_str());
  if (!process_script(tokeniser, outputs.Find(options.arguments[1])->get(), listing,
                      SettingsFor(options))) {
    listing.Flush();  // what the items before the fault wrote
    if (!options.atomic) outputs.KeepPartial(options);
    return false;
  }
  return outputs.Commit(options);
}

}  // namespace

int kestrip_main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    fprintf(stderr, "kestrip: error: %s (see kestrip --help)\n", error.c_str());
    printf("Failed!\n");
    return -1;
  }
  if (options.help) {
    printf("%s", HelpText().c_str());
    return 0;
  }
  if (options.version) {
    printf("kestrip %s\n", KESTRIP_VERSION);
    return 0;
  }
  SetQuiet(options.quiet);
  bool result = false;
  if (options.arguments.size() != 3) {
    RunFault("Incorrecnt number of arguments",
             "expected SCRIPT BINARY LISTING after the options, found " +
                 std::to_string(options.arguments.size()) + " arguments (see kestrip --help)");
  } else {
    result = Run(options);
  }
  printf(result ? "Done\n" : "Failed!\n");
  fflush(stdout);
  return result ? 0 : -1;
}
