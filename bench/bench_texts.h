// The texts kestrip-bench writes and reads: the scripts it derives from the
// corpus's, and what it takes from callgrind's log and strace's trace. Kept
// apart from the runner so that the tests check them.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace bench {

// The lines of `text`, without their line breaks.
std::vector<std::string> Lines(const std::string& text);

// The corpus script with every compresslz item built with compressbyte and
// compressword in turn, the other lines as they are: the same items and
// input files, with no item left to the LZ encoder, whose optimal parse
// would outweigh all the rest of a run.
std::string RunLengthScript(const std::string& script);

// The item lines of `script` `copies` times over, copy k (from 1) with the
// tags "c<k>_<tag>" and its file names under the folder "copy<k>/", which
// the runner makes a link to the corpus folder: a run of `copies` times the
// items, every input read under a name of its own.
std::string RepeatedScript(const std::string& script, int copies);
std::string CopyFolder(int copy);

// The instruction count in callgrind's log ("==123== Collected : 84123456"),
// or -1 when there is none.
long long CallgrindInstructions(const std::string& log);

struct SyscallCounts {
  long long total = 0;         // every system call of the trace
  long long inputFiles = 0;    // opens of a file of the list that succeeded
  long long onInputFiles = 0;  // the calls on those files' descriptors, open and close included
};

// Counts the system calls of a trace written by `strace -o` (one process,
// one call a line), and those made on the files named in `inputs`.
SyscallCounts CountSyscalls(const std::string& trace, const std::set<std::string>& inputs);

}  // namespace bench
