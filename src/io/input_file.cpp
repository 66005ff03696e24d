#include "io/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/console.h"
#include "io/run_files.h"

namespace {

// Closes the descriptor on every path out of ReadInputFile.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// read() until `count` bytes arrived or the file ended; -1 on an error.
// Interrupted reads are retried.
ssize_t ReadUpTo(int fd, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(fd, buffer + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// Where the bytes go: the buffer a reader holds them in, grown as the read
// needs it. Room(held, needed) gives room for `needed` bytes, keeping the
// first `held`; Keep(size) ends the read with `size` bytes.
//
// A buffer of its own size, never cleared: one that must grow (a file read
// in steps) at least doubles, so that the copies add up to no more than
// the file.
class OwnBuffer {
 public:
  explicit OwnBuffer(InputBytes& bytes) : bytes_(bytes) { bytes_ = InputBytes(); }
  uint8_t* Room(size_t held, size_t needed) {
    if (needed > allocated_) {
      const size_t capacity = allocated_ > 0 && needed < 2 * allocated_ ? 2 * allocated_ : needed;
      std::unique_ptr<uint8_t[]> larger(new uint8_t[capacity]);
      if (held > 0) memcpy(larger.get(), bytes_.data.get(), held);
      bytes_.data = std::move(larger);
      allocated_ = capacity;
    }
    return bytes_.data.get();
  }
  void Keep(size_t size) {
    bytes_.size = size;
    if (size == 0 && allocated_ == 0) bytes_.data.reset();
  }

 private:
  InputBytes& bytes_;
  size_t allocated_ = 0;
};

// A vector, which grows geometrically of its own accord.
class VectorBuffer {
 public:
  explicit VectorBuffer(std::vector<uint8_t>& bytes) : bytes_(bytes) { bytes_.clear(); }
  uint8_t* Room(size_t /*held*/, size_t needed) {
    if (bytes_.size() < needed) bytes_.resize(needed);
    return bytes_.data();
  }
  void Keep(size_t size) { bytes_.resize(size); }

 private:
  std::vector<uint8_t>& bytes_;
};

template <class Buffer>
InputStatus Read(const char* path, size_t limit, Buffer buffer, FileIdentity* identity) {
  const Descriptor file(open(path, O_RDONLY | O_CLOEXEC));
  if (file.get() < 0)
    return errno == ENOENT || errno == ENOTDIR ? InputStatus::kMissing : InputStatus::kCannotOpen;
  struct stat info;
  if (fstat(file.get(), &info) != 0) return InputStatus::kReadError;
  if (S_ISDIR(info.st_mode)) return InputStatus::kCannotOpen;
  if (identity) *identity = {info.st_dev, info.st_ino};
  cRunFiles* const run = cRunFiles::Current();
  if (run) {
    if (const std::string* output = run->OutputAt({info.st_dev, info.st_ino})) {
      Fault("Input file '%s' is the output file '%s'\n", path, output->c_str());
      return InputStatus::kIsAnOutput;
    }
  }

  // A regular file is read in one call sized one byte past its length, which
  // both reads it whole and shows it ended there. Anything else (a pipe, a
  // device) has no length to trust and is read in steps up to the limit.
  const bool regular = S_ISREG(info.st_mode);
  const size_t expected = regular && static_cast<uint64_t>(info.st_size) < limit
                              ? static_cast<size_t>(info.st_size)
                              : limit;
  size_t step = regular ? expected + 1 : 64 * 1024;
  size_t held = 0;
  for (;;) {
    const size_t room = limit + 1 - held;  // one byte past the limit tells "too large"
    const size_t want = step < room ? step : room;
    uint8_t* const data = buffer.Room(held, held + want);
    const ssize_t got = regular && held == 0 ? read(file.get(), data, want)
                                             : ReadUpTo(file.get(), data + held, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      buffer.Keep(0);
      return InputStatus::kReadError;
    }
    held += static_cast<size_t>(got);
    const bool ended = static_cast<size_t>(got) < want;
    if (held > limit) {
      buffer.Keep(limit);
      if (run) run->RecordInput(path);
      return InputStatus::kTooLarge;
    }
    if (ended) break;
    step = 64 * 1024;
  }
  buffer.Keep(held);
  if (run) run->RecordInput(path);
  return InputStatus::kRead;
}

}  // namespace

InputStatus ReadInputFile(const char* path, size_t limit, InputBytes& bytes,
                          FileIdentity* identity) {
  return Read(path, limit, OwnBuffer(bytes), identity);
}

InputStatus ReadInputFile(const char* path, size_t limit, std::vector<uint8_t>& bytes,
                          FileIdentity* identity) {
  return Read(path, limit, VectorBuffer(bytes), identity);
}
