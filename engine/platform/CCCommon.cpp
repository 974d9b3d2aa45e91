#include "CCCommon.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

NS_CC_BEGIN

namespace {
std::mutex& consoleMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void(const std::string&)>& consoleSink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}
}  // namespace

std::string CCFormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    return text;
}

void CCLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = CCFormatV(format, args);
    va_end(args);

    std::lock_guard<std::mutex> lock(consoleMutex());
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (consoleSink()) consoleSink()(line);
}

void CCLogSetSink(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::mutex> lock(consoleMutex());
    consoleSink() = std::move(sink);
}

NS_CC_END
