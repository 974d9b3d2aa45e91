#include "CDebugModule.h"

#include <cstdarg>
#include <ctime>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CCTime.h"

USING_NS_CC;

namespace {
const char* const LOG_FILE_NAME = "DebugInfo.txt";
const char* const PRODUCT_NAME = "Zento";
const char* const LOG_VERSION_LABEL = "(V0.62)";
const char* const HEADER_RULE = "------------------------------------------------\n";

const char* tagForLevel(int level) {
    switch (level) {
        case LOG_LEVEL_INFO:
            return "| -INFO- | ";
        case LOG_LEVEL_WARN:
            return "| +WARN+ | ";
        case LOG_LEVEL_ERROR:
            return "| =ERROR=| ";
        case LOG_LEVEL_MODULE:
            return "|*MODULE*| ";
        default:
            return "";
    }
}
}  // namespace

const char* getPlatformTag() {
#if defined(ZENTO_PLATFORM_TAG)
    return ZENTO_PLATFORM_TAG;
#elif defined(_WIN32)
    return "zento_win";
#else
    return "zento_unknow";
#endif
}

CDebugModule* CDebugModule::getInstance() {
    // Never destroyed: a worker thread may still log while the process exits.
    static CDebugModule* const instance = new CDebugModule();
    return instance;
}

// The writable folder always ends in "/", so the name follows it directly.
CDebugModule::CDebugModule()
    : logFilePath_(CCFileUtils::sharedFileUtils()->getWritablePath() + LOG_FILE_NAME) {}

CDebugModule::~CDebugModule() {
    if (logFile_) std::fclose(logFile_);
}

void CDebugModule::setLogFilePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (logFile_) {
        std::fclose(logFile_);
        logFile_ = nullptr;
    }
    logFilePath_ = path;
}

void CDebugModule::createLogFile() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (logFile_) {
        std::fclose(logFile_);
        logFile_ = nullptr;
    }
    FILE* file = std::fopen(logFilePath_.c_str(), "w");
    if (!file) return;

    char generated[64] = "\n";
    std::time_t now = std::time(nullptr);
    if (!ctime_r(&now, generated)) std::snprintf(generated, sizeof(generated), "\n");

    std::string header;
    header += HEADER_RULE;
    header += std::string(PRODUCT_NAME) + LOG_VERSION_LABEL + " [ " + getPlatformTag() + " ] Debug Log\n";
    header += "\n Generated in :";
    header += generated;
    header += HEADER_RULE;
    std::fputs(header.c_str(), file);
    std::fflush(file);
    logFile_ = file;
}

bool CDebugModule::isLevelEnabled(int level) const {
    switch (level) {
        case LOG_LEVEL_INFO:
            return infoEnabled_;
        case LOG_LEVEL_WARN:
            return warnEnabled_;
        case LOG_LEVEL_ERROR:
            return errorEnabled_;
        default:
            return true;
    }
}

void CDebugModule::log(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logv(level, format, args);
    va_end(args);
}

void CDebugModule::logv(int level, const char* format, va_list args) {
    if (!format || !isLevelEnabled(level)) return;

    std::lock_guard<std::mutex> lock(mutex_);
    if (std::vsnprintf(message_, sizeof(message_), format, args) < 0) message_[0] = '\0';

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    cc_timeval clock;
    CCTime::gettimeofday(&clock);

    int length = std::snprintf(line_, sizeof(line_), "[%02d/%02d - %02d:%02d:%02d.%d] : %s%s",
                               local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                               static_cast<int>(clock.tv_usec), tagForLevel(level), message_);
    if (length < 0) return;
    if (length >= LOG_BUFFER_SIZE) length = LOG_BUFFER_SIZE - 1;

    // "%s" so that percent signs in the message are not expanded a second time.
    if (consoleOutput_) CCLog("%s", line_);
    if (logFile_) {
        std::fwrite(line_, 1, static_cast<size_t>(length), logFile_);
        std::fputc('\n', logFile_);
        std::fflush(logFile_);
    }
}

void logInfo(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CDebugModule::getInstance()->logv(LOG_LEVEL_INFO, format, args);
    va_end(args);
}

void logWarn(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CDebugModule::getInstance()->logv(LOG_LEVEL_WARN, format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CDebugModule::getInstance()->logv(LOG_LEVEL_ERROR, format, args);
    va_end(args);
}
