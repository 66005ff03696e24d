// kestrip-bench: times kestrip on the benchmark corpus against the I/O
// floor and reports the medians, their ratio and the tool's peak resident
// memory for the full script and for the 10-item one.
//
//   kestrip-bench KESTRIP IO_FLOOR CORPUS_FOLDER ITEMS [RUNS]
//
// The corpus folder is the one `kestrip-imagegen corpus` wrote: it holds
// itemsN.kst and itemsN.manifest for N = ITEMS and N = min(10, ITEMS).
// Every program runs in that folder with its standard output sent to a log
// file there. The exit status is 0 when every target is met, 1 when a run
// fails, 2 when a target is missed.
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
#include <string>
#include <vector>

namespace {

// Targets: the tool within 3 times the I/O floor; at most 8 MB resident,
// and no more for 1000 items than for 10 (one item, one writer and one
// bitmap at a time). The slack covers the mix: the 10 items are the first
// of the corpus, all uncompressed, while a compressing writer also holds
// its stream buffer (up to twice the item).
constexpr double kMaxRatio = 3.0;
constexpr long kMaxResidentKb = 8 * 1024;
constexpr long kResidentSlackKb = 512;

struct Measurement {
  double seconds = 0;
  long maxResidentKb = 0;
  int status = -1;  // exit status, or -1 when the program didn't exit normally
};

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs `arguments` (program first) with standard output to `logPath`.
Measurement Run(const std::vector<std::string>& arguments, const std::string& logPath) {
  Measurement measurement;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const double start = Now();
  const pid_t child = fork();
  if (child < 0) return measurement;
  if (child == 0) {
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0) _exit(127);
    dup2(log, STDOUT_FILENO);
    close(log);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  measurement.seconds = Now() - start;
  measurement.maxResidentKb = usage.ru_maxrss;
  measurement.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return measurement;
}

std::string ReadText(const std::string& path) {
  std::string text;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return text;
  char block[4096];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
  fclose(file);
  return text;
}

long long FileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

long Largest(const std::vector<Measurement>& runs) {
  long largest = 0;
  for (const Measurement& run : runs) largest = std::max(largest, run.maxResidentKb);
  return largest;
}

// Runs the tool on a script and checks that it ended with "Done".
bool RunTool(const std::string& tool, const std::string& script, Measurement& measurement) {
  measurement = Run({tool, script, "out.bin", "out.lst"}, "kestrip.log");
  const std::string log = ReadText("kestrip.log");
  const bool done = log.size() >= 5 && log.compare(log.size() - 5, 5, "Done\n") == 0;
  if (measurement.status != 0 || !done) {
    fprintf(stderr, "kestrip-bench: %s failed (exit status %d); see kestrip.log\n", script.c_str(),
            measurement.status);
    return false;
  }
  return true;
}

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
  const int smallItems = std::min(10, items);
  const std::string bigScript = "items" + std::to_string(items) + ".kst";
  const std::string bigManifest = "items" + std::to_string(items) + ".manifest";
  const std::string smallScript = "items" + std::to_string(smallItems) + ".kst";

  // A warm-up run fills the page cache and tells the floor how much to write.
  Measurement warmUp;
  if (!RunTool(tool, bigScript, warmUp)) return 1;
  const long long binaryBytes = FileSize("out.bin");
  const long long listingBytes = FileSize("out.lst");
  const std::vector<std::string> floorRun = {floor,       bigManifest,
                                             "floor.bin", std::to_string(binaryBytes),
                                             "floor.lst", std::to_string(listingBytes)};

  std::vector<double> toolSeconds, floorSeconds;
  std::vector<Measurement> bigRuns, smallRuns;
  for (int run = 0; run < runs; ++run) {
    Measurement tool1000;
    if (!RunTool(tool, bigScript, tool1000)) return 1;
    const Measurement floorMeasurement = Run(floorRun, "floor.log");
    if (floorMeasurement.status != 0) {
      fprintf(stderr, "kestrip-bench: the I/O floor failed; see floor.log\n");
      return 1;
    }
    Measurement tool10;
    if (!RunTool(tool, smallScript, tool10)) return 1;
    toolSeconds.push_back(tool1000.seconds);
    floorSeconds.push_back(floorMeasurement.seconds);
    bigRuns.push_back(tool1000);
    smallRuns.push_back(tool10);
  }

  const double toolMedian = Median(toolSeconds);
  const double floorMedian = Median(floorSeconds);
  const double ratio = floorMedian > 0 ? toolMedian / floorMedian : 0;
  const long bigKb = Largest(bigRuns);
  const long smallKb = Largest(smallRuns);
  printf("%s", ReadText("floor.log").c_str());
  printf("kestrip on %d items (%d runs, output %lld + %lld bytes)\n", items, runs, binaryBytes,
         listingBytes);
  printf("  kestrip median wall time     %8.1f ms\n", toolMedian * 1000);
  printf("  I/O floor median wall time   %8.1f ms\n", floorMedian * 1000);
  printf("  ratio                        %8.2f    (target <= %.0f)\n", ratio, kMaxRatio);
  printf("  peak resident, %4d items    %8.2f MB\n", items, bigKb / 1024.0);
  printf("  peak resident, %4d items    %8.2f MB (target <= %ld MB, the same for both)\n",
         smallItems, smallKb / 1024.0, kMaxResidentKb / 1024);

  const bool ratioMet = ratio <= kMaxRatio;
  const bool memoryMet =
      bigKb <= kMaxResidentKb && smallKb <= kMaxResidentKb && bigKb <= smallKb + kResidentSlackKb;
  printf("%s\n", ratioMet && memoryMet ? "targets met" : "TARGET MISSED");
  return ratioMet && memoryMet ? 0 : 2;
}
