#pragma once

#include <string>

#include <sys/types.h>

// Starts the desk program on the offscreen platform with a data folder and a
// runtime folder of its own, its stderr written to logFile; for the tests and
// benchmarks that drive the real program. Returns its pid, -1 when it could
// not be started.
pid_t startDeskProcess(const std::string &program, const std::string &dataFolder, const std::string &runtimeFolder,
                       const std::string &logFile);
