// kestrip-bench: times kestrip on the benchmark corpus against the I/O
// floor and reports, beside the medians and their ratio, the CPU time, the
// instructions (callgrind, where valgrind is installed), the system calls
// (strace, where installed), the fixed cost of a run on an empty script and
// the tool's peak resident memory for 10 items, the corpus and ten times
// the corpus.
//
//   kestrip-bench KESTRIP IO_FLOOR CORPUS_FOLDER ITEMS [RUNS]
//
// The corpus folder is the one `kestrip-imagegen corpus` wrote: it holds
// itemsN.kst and itemsN.manifest for N = ITEMS and N = min(10, ITEMS).
// The goals are measured on the corpus with its compresslz items built with
// run-length coding instead (RunLengthScript in bench_texts.h); the corpus
// as generated is timed too and the LZ items' extra cost printed, outside
// the goals. Every program runs in the corpus folder with its standard
// output sent to a log file there. The exit status is 0 when every goal is
// met, 1 when a run fails, 2 when a goal is missed.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench_texts.h"

namespace {

// Goals: the whole run within 1.5 times the I/O floor, in wall time and in
// CPU time; an empty script within 1 ms; at most 90,000 instructions an item
// (90 M for the 1000-item corpus); at most 4 system calls per input file
// (open, fstat, one read, close); under 4 MB resident for 10 items, the
// corpus and ten times the corpus, and as much for ten times the corpus as
// for the corpus but for the slack: the script, which the tokeniser holds
// whole, grows by some 60 bytes an item. (The corpus needs more than its
// first 10 items, all uncompressed, for the code and the stream buffers its
// other items use; that is its mix, not its length.)
constexpr double kMaxRatio = 1.5;
constexpr double kMaxFixedSeconds = 0.001;
constexpr long long kMaxInstructionsPerItem = 90000;
constexpr double kMaxSyscallsPerInputFile = 4.0;
constexpr long kMaxResidentKb = 4 * 1024;
constexpr long kResidentSlackKb = 1024;
constexpr int kCopies = 10;     // the long run: ten times the corpus
constexpr int kFixedRuns = 41;  // runs of the empty script
constexpr int kMostLzRuns = 3;  // runs of the corpus as generated: its LZ items are slow

struct Measurement {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long maxResidentKb = 0;
  int status = -1;  // exit status, or -1 when the program didn't exit normally
};

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The log is a new file (see Run): not O_TRUNC, whose emptied file the
// file system may push to the disk when the program's last descriptor
// closes, at its exit, a cost of the runner's and not of the program's.
void Redirect(const std::string& path, int fd) {
  if (path.empty()) return;
  const int file = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  if (file < 0) _exit(127);
  dup2(file, fd);
  close(file);
}

// Runs `arguments` (program first) with standard output to `logPath` and,
// when `errorPath` is given, standard error to that.
Measurement Run(const std::vector<std::string>& arguments, const std::string& logPath,
                const std::string& errorPath = "") {
  Measurement measurement;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  for (const std::string* log : {&logPath, &errorPath}) {
    if (!log->empty()) unlink(log->c_str());
  }

  const double start = Now();
  const pid_t child = fork();
  if (child < 0) return measurement;
  if (child == 0) {
    Redirect(logPath, STDOUT_FILENO);
    Redirect(errorPath, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  measurement.seconds = Now() - start;
  measurement.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  measurement.maxResidentKb = usage.ru_maxrss;
  measurement.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return measurement;
}

std::string ReadText(const std::string& path) {
  std::string text;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return text;
  char block[65536];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
  fclose(file);
  return text;
}

bool WriteText(const std::string& path, const std::string& text) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
  return fclose(file) == 0 && written;
}

long long FileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The program's path where it is on the PATH, else "".
std::string FindProgram(const char* name) {
  const char* path = getenv("PATH");
  std::istringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Series {
  std::vector<Measurement> runs;
  void Add(const Measurement& run) { runs.push_back(run); }
  double MedianSeconds() const {
    std::vector<double> values;
    for (const Measurement& run : runs) values.push_back(run.seconds);
    return Median(values);
  }
  double MedianCpuSeconds() const {
    std::vector<double> values;
    for (const Measurement& run : runs) values.push_back(run.cpuSeconds);
    return Median(values);
  }
  long LargestResidentKb() const {
    long largest = 0;
    for (const Measurement& run : runs) largest = std::max(largest, run.maxResidentKb);
    return largest;
  }
};

// Runs the tool on a script and checks that it ended with "Done".
bool RunTool(const std::string& tool, const std::string& script, Series& series) {
  const Measurement measurement = Run({tool, script, "out.bin", "out.lst"}, "kestrip.log");
  const std::string log = ReadText("kestrip.log");
  const bool done = log.size() >= 5 && log.compare(log.size() - 5, 5, "Done\n") == 0;
  if (measurement.status != 0 || !done) {
    fprintf(stderr, "kestrip-bench: %s failed (exit status %d); see kestrip.log\n", script.c_str(),
            measurement.status);
    return false;
  }
  series.Add(measurement);
  return true;
}

// The scripts of one benchmark, written beside the corpus's own.
struct Scripts {
  std::string corpus;     // as generated, with its compresslz items
  std::string manifest;   // the corpus's input files, script first
  std::string runLength;  // the corpus, its compresslz items built with run-length coding
  std::string small;      // its first 10 items, likewise
  std::string repeated;   // the corpus kCopies times over
  std::string empty;      // nothing at all
  int lzItems = 0;
};

bool WriteScripts(int items, Scripts& scripts) {
  const std::string base = "items" + std::to_string(items);
  const std::string smallBase = "items" + std::to_string(std::min(10, items));
  scripts.corpus = base + ".kst";
  scripts.manifest = base + ".manifest";
  scripts.runLength = base + "-runlength.kst";
  scripts.small = smallBase + "-runlength.kst";
  scripts.repeated = "items" + std::to_string(kCopies * items) + "-runlength.kst";
  scripts.empty = "empty.kst";
  const std::string corpus = ReadText(scripts.corpus);
  const std::string runLength = bench::RunLengthScript(corpus);
  for (size_t at = 0; (at = corpus.find(" compresslz ", at)) != std::string::npos; ++at)
    ++scripts.lzItems;
  for (int copy = 1; copy <= kCopies; ++copy) {
    const std::string link = bench::CopyFolder(copy);
    unlink(link.c_str());
    if (symlink(".", link.c_str()) != 0) return false;
  }
  return !corpus.empty() && WriteText(scripts.runLength, runLength) &&
         WriteText(scripts.small, bench::RunLengthScript(ReadText(smallBase + ".kst"))) &&
         WriteText(scripts.repeated, bench::RepeatedScript(runLength, kCopies)) &&
         WriteText(scripts.empty, "");
}

std::set<std::string> ManifestFiles(const std::string& manifest) {
  std::set<std::string> files;
  std::istringstream in(ReadText(manifest));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) files.insert(line);
  }
  return files;
}

// Instructions of one run under callgrind; -1 without valgrind or on failure.
long long CountInstructions(const std::string& tool, const std::string& script) {
  const std::string valgrind = FindProgram("valgrind");
  if (valgrind.empty()) return -1;
  const Measurement run = Run({valgrind, "--tool=callgrind", "--callgrind-out-file=/dev/null", tool,
                               script, "out.bin", "out.lst"},
                              "kestrip.log", "callgrind.log");
  return run.status == 0 ? bench::CallgrindInstructions(ReadText("callgrind.log")) : -1;
}

// The system calls of one run under strace; false without strace or on failure.
bool CountSyscalls(const std::string& tool, const std::string& script,
                   const std::set<std::string>& inputs, bench::SyscallCounts& counts) {
  const std::string strace = FindProgram("strace");
  if (strace.empty()) return false;
  const Measurement run =
      Run({strace, "-o", "strace.log", tool, script, "out.bin", "out.lst"}, "kestrip.log");
  if (run.status != 0) return false;
  counts = bench::CountSyscalls(ReadText("strace.log"), inputs);
  return true;
}

// Whether every goal judged so far was met.
struct Report {
  bool met = true;
  void Goal(bool goalMet) { met = met && goalMet; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    fprintf(stderr, "usage: kestrip-bench KESTRIP IO_FLOOR CORPUS_FOLDER ITEMS [RUNS]\n");
    return 1;
  }
  // Absolute program paths: every run happens in the corpus folder.
  char* toolPath = realpath(argv[1], nullptr);
  char* floorPath = realpath(argv[2], nullptr);
  if (!toolPath || !floorPath || chdir(argv[3]) != 0) {
    fprintf(stderr, "kestrip-bench: can't find the programs or the corpus folder\n");
    return 1;
  }
  const std::string tool = toolPath;
  const std::string floor = floorPath;
  free(toolPath);
  free(floorPath);
  const int items = atoi(argv[4]);
  const int runs = argc == 6 ? std::max(1, atoi(argv[5])) : 7;
  Scripts scripts;
  if (items < 1 || !WriteScripts(items, scripts)) {
    fprintf(stderr, "kestrip-bench: can't read the corpus's scripts or write the benchmark's\n");
    return 1;
  }

  // A warm-up run fills the page cache and tells the floor how much to write.
  Series warmUp;
  if (!RunTool(tool, scripts.runLength, warmUp)) return 1;
  const long long binaryBytes = FileSize("out.bin");
  const long long listingBytes = FileSize("out.lst");
  const std::vector<std::string> floorRun = {floor,       scripts.manifest,
                                             "floor.bin", std::to_string(binaryBytes),
                                             "floor.lst", std::to_string(listingBytes)};

  Series corpus, floorRuns, small, empty, repeated, asGenerated;
  for (int run = 0; run < runs; ++run) {
    if (!RunTool(tool, scripts.runLength, corpus)) return 1;
    const Measurement floorMeasurement = Run(floorRun, "floor.log");
    if (floorMeasurement.status != 0) {
      fprintf(stderr, "kestrip-bench: the I/O floor failed; see floor.log\n");
      return 1;
    }
    floorRuns.Add(floorMeasurement);
    if (!RunTool(tool, scripts.small, small)) return 1;
  }
  for (int run = 0; run < kFixedRuns; ++run) {
    if (!RunTool(tool, scripts.empty, empty)) return 1;
  }
  if (!RunTool(tool, scripts.repeated, repeated)) return 1;
  for (int run = 0; run < std::min(runs, kMostLzRuns); ++run) {
    if (!RunTool(tool, scripts.corpus, asGenerated)) return 1;
  }
  const long long instructions = CountInstructions(tool, scripts.runLength);
  bench::SyscallCounts calls, startUp;
  std::set<std::string> inputs = ManifestFiles(scripts.manifest);
  inputs.insert(scripts.runLength);
  const bool traced = CountSyscalls(tool, scripts.runLength, inputs, calls) &&
                      CountSyscalls(tool, scripts.empty, {}, startUp);

  Report report;
  const double wallRatio = corpus.MedianSeconds() / std::max(1e-9, floorRuns.MedianSeconds());
  const double cpuRatio = corpus.MedianCpuSeconds() / std::max(1e-9, floorRuns.MedianCpuSeconds());
  printf("%s", ReadText("floor.log").c_str());
  printf(
      "kestrip on %d items, compresslz built with run-length coding (%d runs, output %lld + "
      "%lld bytes)\n",
      items, runs, binaryBytes, listingBytes);
  printf("                                  wall        CPU\n");
  printf("  kestrip median              %8.1f ms %7.1f ms\n", corpus.MedianSeconds() * 1000,
         corpus.MedianCpuSeconds() * 1000);
  printf("  I/O floor median            %8.1f ms %7.1f ms\n", floorRuns.MedianSeconds() * 1000,
         floorRuns.MedianCpuSeconds() * 1000);
  printf("  ratio                       %8.2f    %7.2f      (target <= %.1f)\n", wallRatio,
         cpuRatio, kMaxRatio);
  report.Goal(wallRatio <= kMaxRatio && cpuRatio <= kMaxRatio);
  printf("  empty script (fixed cost)   %8.2f ms %7.2f ms   (target <= %.0f ms)\n",
         empty.MedianSeconds() * 1000, empty.MedianCpuSeconds() * 1000, kMaxFixedSeconds * 1000);
  report.Goal(empty.MedianSeconds() <= kMaxFixedSeconds);

  if (instructions >= 0) {
    printf("  instructions (callgrind)    %8.1f M                (target <= %.0f M)\n",
           instructions / 1e6, kMaxInstructionsPerItem * items / 1e6);
    report.Goal(instructions <= kMaxInstructionsPerItem * items);
  } else {
    printf("  instructions: not counted (callgrind needs valgrind)\n");
  }
  if (traced && calls.inputFiles > 0) {
    const double perInput = static_cast<double>(calls.onInputFiles) / calls.inputFiles;
    printf("  system calls per input file %8.2f   (%lld files)  (target <= %.0f)\n", perInput,
           calls.inputFiles, kMaxSyscallsPerInputFile);
    printf("  system calls per item       %8.2f   (%lld in all, %lld of them at start-up)\n",
           static_cast<double>(calls.total - startUp.total) / items, calls.total, startUp.total);
    report.Goal(perInput <= kMaxSyscallsPerInputFile);
  } else {
    printf("  system calls: not counted (needs strace)\n");
  }

  const long smallKb = small.LargestResidentKb();
  const long corpusKb = corpus.LargestResidentKb();
  const long repeatedKb = repeated.LargestResidentKb();
  printf("  peak resident, %5d items  %8.2f MB\n", std::min(10, items), smallKb / 1024.0);
  printf("  peak resident, %5d items  %8.2f MB\n", items, corpusKb / 1024.0);
  printf("  peak resident, %5d items  %8.2f MB   (target < %ld MB, within %.0f MB of %d items)\n",
         kCopies * items, repeatedKb / 1024.0, kMaxResidentKb / 1024, kResidentSlackKb / 1024.0,
         items);
  const long largestKb = std::max({smallKb, corpusKb, repeatedKb});
  report.Goal(largestKb < kMaxResidentKb && repeatedKb <= corpusKb + kResidentSlackKb);

  printf("the corpus as generated, its %d compresslz items included (outside the goals):\n",
         scripts.lzItems);
  printf("  kestrip median              %8.1f ms %7.1f ms   (LZ coding's cost: %.1f ms more)\n",
         asGenerated.MedianSeconds() * 1000, asGenerated.MedianCpuSeconds() * 1000,
         (asGenerated.MedianSeconds() - corpus.MedianSeconds()) * 1000);
  printf("%s\n", report.met ? "targets met" : "TARGET MISSED");
  return report.met ? 0 : 2;
}
