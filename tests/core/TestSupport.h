#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Helpers shared by the core tests.

// Collects every console line (CCLog) written while it lives.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Runs a program found on PATH with the given arguments (no shell), its standard output going to
// stdoutPath when one is given. Returns the exit status, or -1 when it could not run.
int runCommand(const std::vector<std::string>& arguments, const std::string& stdoutPath = "");

std::optional<std::string> readWholeFile(const std::string& path);
bool writeWholeFile(const std::string& path, const std::string& bytes);
