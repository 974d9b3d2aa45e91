#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

// Log levels are bit values passed as a plain int; each has its own tag in front of the message.
constexpr int LOG_LEVEL_INFO = 1;
constexpr int LOG_LEVEL_WARN = 2;
constexpr int LOG_LEVEL_ERROR = 4;
constexpr int LOG_LEVEL_MODULE = 8;

// The terminal's single logging facility. Each line is stamped with the local date and time and a
// level tag, goes to the engine console (CCLog) and, once createLogFile has written this run's
// header, is also appended to "DebugInfo.txt" in the writable folder.
//
// log() may be called from any thread (the history parser logs from its worker): formatting and
// output run under one lock, so lines never interleave. The other operations belong to the main
// thread. The instance is created on first use and never destroyed.
class CDebugModule {
public:
    // Both buffers hold this many bytes; longer messages and lines are cut, never overrun.
    static constexpr int LOG_BUFFER_SIZE = 32768;

    static CDebugModule* getInstance();

    virtual ~CDebugModule();
    virtual bool isConsoleOutput() const { return consoleOutput_; }
    virtual bool setConsoleOutput(bool enabled) { return consoleOutput_ = enabled; }
    virtual bool isInfoEnabled() const { return infoEnabled_; }
    virtual bool setInfoEnabled(bool enabled) { return infoEnabled_ = enabled; }
    virtual bool isWarnEnabled() const { return warnEnabled_; }
    virtual bool setWarnEnabled(bool enabled) { return warnEnabled_ = enabled; }
    virtual bool isErrorEnabled() const { return errorEnabled_; }
    virtual bool setErrorEnabled(bool enabled) { return errorEnabled_ = enabled; }

    // Truncates (or creates) the log file and writes this run's header; later lines are appended.
    // When the file cannot be opened nothing is written and logging to the console goes on.
    void createLogFile();

    // Formats and emits one line. A level whose switch is off writes nothing at all; levels other
    // than the four named ones get an empty tag and are always written.
    void log(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void logv(int level, const char* format, va_list args) __attribute__((format(printf, 3, 0)));

    const std::string& getLogFilePath() const { return logFilePath_; }
    // Points the log at another file (tests use their own folder); stops appending to the old one
    // until createLogFile is called again.
    void setLogFilePath(const std::string& path);

private:
    CDebugModule();
    CDebugModule(const CDebugModule&) = delete;
    CDebugModule& operator=(const CDebugModule&) = delete;

    bool isLevelEnabled(int level) const;

    std::atomic<bool> consoleOutput_{true};
    std::atomic<bool> infoEnabled_{true};
    std::atomic<bool> warnEnabled_{true};
    std::atomic<bool> errorEnabled_{true};
    std::string logFilePath_;
    FILE* logFile_ = nullptr;  // open for appending after createLogFile
    std::mutex mutex_;         // guards the file and both buffers
    char message_[LOG_BUFFER_SIZE] = {};
    char line_[LOG_BUFFER_SIZE] = {};
};

// Shorthands for CDebugModule::getInstance()->log at the three usual levels.
void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logWarn(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The platform tag of the log header and the reports, chosen at build time.
const char* getPlatformTag();
