#include "UpdaterLog.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {

constexpr size_t MAX_MESSAGE = 2048;

FILE* logFile = nullptr;

void writeLine(const char* tag, const char* format, va_list args) {
    char message[MAX_MESSAGE];
    vsnprintf(message, sizeof message, format, args);

    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char line[MAX_MESSAGE + 64];
    snprintf(line, sizeof line, "[%02d/%02d - %02d:%02d:%02d.%d] : %s%s\n", local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_usec), tag, message);

    fputs(line, stderr);
    if (logFile != nullptr) {
        fputs(line, logFile);
        fflush(logFile);
    }
}

}  // namespace

bool UpdaterLog::setLogFile(const std::string& path) {
    closeLogFile();
    if (path.empty()) return true;
    logFile = fopen(path.c_str(), "ae");
    return logFile != nullptr;
}

void UpdaterLog::closeLogFile() {
    if (logFile != nullptr) fclose(logFile);
    logFile = nullptr;
}

void UpdaterLog::info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("| -INFO- | ", format, args);
    va_end(args);
}

void UpdaterLog::warn(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("| +WARN+ | ", format, args);
    va_end(args);
}

void UpdaterLog::error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("| =ERROR=| ", format, args);
    va_end(args);
}
