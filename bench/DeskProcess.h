#pragma once

#include <string>

// For the benchmarks that run the desk program as a process of its own.
// Any thread.

// The desk program built beside this benchmark.
std::string builtDeskPath();

// Whether the desk's log file holds text (false while there is no file).
bool logContains(const std::string &log, const std::string &text);
