#pragma once

#include <string>

// Brevanix's own log, independent of the terminal's. Every line goes to stderr and, once setLogFile has
// named one, is appended to that file too (the program uses "Brevanix.log" in its own folder). Lines read
// like the terminal's: "[MM/DD - hh:mm:ss.micro] : | -INFO- | message". A log file that cannot be opened
// leaves stderr only. Main thread only.
class UpdaterLog {
public:
    // Empty path: stderr only. Returns false (and keeps stderr only) when the file cannot be opened.
    static bool setLogFile(const std::string& path);
    static void closeLogFile();

    static void info(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void warn(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
};
