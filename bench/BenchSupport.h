#pragma once

#include <string>
#include <vector>

// Helpers shared by the benchmark programs.

struct Cost {
    double wallMs = 0;
    double cpuMs = 0;  // user + system
};

// Runs a program found on PATH (no shell) with its standard output sent to stdoutPath, and measures
// it. status receives the exit status (-1 when it could not run).
Cost runTimed(const std::vector<std::string>& arguments, const std::string& stdoutPath, int& status);

// Measures a piece of work done in this process (single-threaded).
template <typename Work>
Cost measure(Work&& work);

// Bars as the history files hold them (time,open,high,low,close,volume), about targetBytes long.
std::string makeBarCsv(size_t targetBytes);

bool writeBytes(const std::string& path, const std::string& bytes);

// Best (smallest) figures of several runs, and their ratio as printed by every program.
struct Best {
    Cost cost{1e300, 1e300};
    void add(const Cost& c);
};
void printRatio(const char* what, const char* oursName, const Best& ours, const char* baseName,
                const Best& base, double target);

double cpuNowMs();
double wallNowMs();

template <typename Work>
Cost measure(Work&& work) {
    double wall = wallNowMs();
    double cpu = cpuNowMs();
    work();
    return Cost{wallNowMs() - wall, cpuNowMs() - cpu};
}
