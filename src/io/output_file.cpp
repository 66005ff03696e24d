#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/console.h"

namespace {

// Big enough that a write costs little beside the bytes it moves, small
// enough that the buffer's pages, each a fault the first time it is
// filled, cost less than the writes they save (a 256 KB buffer took 64
// faults of some 2 us to save 3 writes in 4). stdio takes a size only with
// a buffer: given none, it would allocate one of the file system's block
// size (4 KB) instead.
constexpr size_t kBufferSize = 64 * 1024;

// Only a regular file (or a path not there yet) is replaced by a rename:
// a device such as /dev/null or a pipe is written in place.
bool CanReplace(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

// "dir/name" -> "dir/.name.XXXXXX": beside the file, on the same file
// system, so that the rename is atomic.
std::string TemporaryPattern(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + name + ".XXXXXX";
}

// New files get the permissions a plain create would give them.
void ApplyUmask(int fd) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

cOutputFile::cOutputFile(const char* kind, std::string path, bool atomic)
    : kind_(kind), path_(std::move(path)), atomic_(atomic) {}

cOutputFile::~cOutputFile() {
  CloseQuietly();
  if (!temporaryPath_.empty()) unlink(temporaryPath_.c_str());
}

bool cOutputFile::Open() {
  int fd;
  if (atomic_ && CanReplace(path_)) {
    std::string pattern = TemporaryPattern(path_);
    fd = mkstemp(&pattern[0]);
    if (fd >= 0) {
      ApplyUmask(fd);
      temporaryPath_ = pattern;
    }
  } else {
    // Not O_TRUNC: the file is written over and cut to its new length when
    // closed (CutStaleTail). A file system may push a file emptied at open
    // to the disk when it is closed, which costs more than the whole of a
    // small run.
    fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  }
  if (fd >= 0) {
    file_ = fdopen(fd, "wb");
    if (!file_) close(fd);
  }
  if (!file_) {
    const int error = errno;
    Fault("Couldn't open '%s'\n", path_.c_str());
    fprintf(stderr, "kestrip: error: couldn't create the %s file '%s': %s\n", kind_, path_.c_str(),
            strerror(error));
    return false;
  }
  buffer_.reset(new char[kBufferSize]);
  setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
  struct stat info;
  if (fstat(fileno(file_), &info) == 0) {
    identity_ = {info.st_dev, info.st_ino};
    if (S_ISREG(info.st_mode)) staleLength_ = info.st_size;  // 0 for a new or temporary file
  }
  return true;
}

// The bytes that reached the file end where its offset stands (it is only
// written, never moved in); whatever lies past them is the previous
// output's.
bool cOutputFile::CutStaleTail() {
  if (staleLength_ <= 0) return true;
  const int fd = fileno(file_);
  const off_t written = lseek(fd, 0, SEEK_CUR);
  return written >= 0 && (written >= staleLength_ || ftruncate(fd, written) == 0);
}

bool cOutputFile::CloseQuietly() {
  if (!file_) return closeError_ == 0;
  const bool flushed = fflush(file_) == 0 && !ferror(file_);
  if (!flushed) closeError_ = errno ? errno : EIO;
  if (!CutStaleTail() && closeError_ == 0) closeError_ = errno ? errno : EIO;
  if (fclose(file_) != 0 && closeError_ == 0) closeError_ = errno ? errno : EIO;
  file_ = nullptr;
  buffer_.reset();
  return closeError_ == 0;
}

void cOutputFile::PrintCloseError(int error) const {
  Fault("Error closing %s file\n", kind_);
  fprintf(stderr, "kestrip: error: couldn't write '%s': %s\n", path_.c_str(), strerror(error));
}

bool cOutputFile::Close() {
  if (CloseQuietly()) return true;
  PrintCloseError(closeError_);
  return false;
}

bool cOutputFile::Commit() {
  if (!Close()) return false;
  if (temporaryPath_.empty()) return true;
  if (rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
    PrintCloseError(errno);
    return false;
  }
  temporaryPath_.clear();
  return true;
}
