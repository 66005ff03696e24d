// The tool's lines on standard output. Two kinds, so that a quiet run can
// drop one: progress lines (what is being loaded) and fault lines (why a run
// stops). Fault lines are also kept until the driver takes them, so that the
// one-line diagnostic of a fault on standard error can quote its cause.
#pragma once

#include <string>
#include <vector>

#if defined(__GNUC__)
#define KESTRIP_PRINTF_FORMAT(a, b) __attribute__((format(printf, a, b)))
#else
#define KESTRIP_PRINTF_FORMAT(a, b)
#endif

// A progress line; nothing while quiet.
void Progress(const char* format, ...) KESTRIP_PRINTF_FORMAT(1, 2);
// A fault's message: always printed, and kept for TakeFaultLines.
void Fault(const char* format, ...) KESTRIP_PRINTF_FORMAT(1, 2);

void SetQuiet(bool quiet);

// The fault lines printed since the last call, each without its line break
// and leading spaces, oldest first.
std::vector<std::string> TakeFaultLines();
