#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class AckProbe;
class DbManage;
struct SetupRecord;

// What the benchmarks of the desk's windows share: an event loop run as the
// desk's own runs while the probe times it.

// Makes db's folder a desk on the pseudo-terminal portPath: the demo site
// when it has no pagers, the settings' defaults with that port, saved.
// False, with the reason in error, when the site cannot be made.
bool prepareBenchDesk(DbManage &db, const std::string &portPath, SetupRecord &setup, std::string &error);

double msSince(std::chrono::steady_clock::time_point start);

// Runs the event loop until done says so or the time is up. The loop sleeps
// between events, as the desk's own does: a loop that spun would take a
// processor from the desk and its workers.
bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit);
void runFor(std::chrono::milliseconds span);

// The longest time the loop went without handling its events since the
// last reset.
double longestStallMs();
void resetLongestStall();

long peakRssMb();

// Ends the probe while the desk goes on answering its last frame.
std::vector<double> stopProbe(AckProbe &probe);

void printLatency(const char *what, const std::vector<double> &latencies);
