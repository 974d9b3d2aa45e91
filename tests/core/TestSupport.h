#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Helpers shared by the core tests.

// A fresh writable folder for one test: ZENTO_HOME points at a new temporary folder and the engine's
// file utilities are purged so they pick it up. The folder is removed and the old value restored
// when the object goes away.
class ScopedZentoHome {
public:
    ScopedZentoHome();
    ~ScopedZentoHome();
    ScopedZentoHome(const ScopedZentoHome&) = delete;
    ScopedZentoHome& operator=(const ScopedZentoHome&) = delete;

    // Ends with "/".
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::optional<std::string> previous_;
};

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
