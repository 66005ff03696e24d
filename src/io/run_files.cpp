#include "io/run_files.h"

#include <sys/stat.h>

namespace {

cRunFiles* g_current = nullptr;

}  // namespace

bool IdentityOf(const std::string& path, FileIdentity& identity) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  identity = {info.st_dev, info.st_ino};
  return true;
}

void cRunFiles::AddOutput(const std::string& path, const FileIdentity& identity) {
  outputs_.emplace_back(identity, path);
}

const std::string* cRunFiles::OutputAt(const FileIdentity& identity) const {
  for (const auto& output : outputs_) {
    if (output.first == identity) return &output.second;
  }
  return nullptr;
}

void cRunFiles::RecordInput(const std::string& path) {
  itemInputs_.push_back(path);
  if (keepInputs_ && seen_.insert(path).second) inputs_.push_back(path);
}

std::vector<std::string> cRunFiles::TakeItemInputs() {
  std::vector<std::string> taken;
  taken.swap(itemInputs_);
  return taken;
}

cRunFiles::Scope::Scope(cRunFiles& run) : previous_(g_current) { g_current = &run; }
cRunFiles::Scope::~Scope() { g_current = previous_; }

cRunFiles* cRunFiles::Current() { return g_current; }
