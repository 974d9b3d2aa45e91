#include "WindowTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "CCDirector.h"
#include "CCFileUtils.h"
#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "CDebugModule.h"

USING_NS_CC;

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}
}  // namespace

ScopedHome::ScopedHome() : TempHome("zento-window") {
    CDebugModule::getInstance()->setLogFilePath(file("DebugInfo.txt"));
    CDebugModule::getInstance()->createLogFile();
}

ScopedHome::~ScopedHome() {
    CDebugModule::getInstance()->setLogFilePath(
        (std::filesystem::temp_directory_path() / "zento-window-log.txt").string());
}

std::string ScopedHome::logText() const {
    std::ifstream in(file("DebugInfo.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

RecordingLoader* RecordingLoader::create(RecordingHost* host) {
    auto* loader = new RecordingLoader(host);
    loader->setView(host);
    loader->init();
    loader->autorelease();
    return loader;
}

void RecordingLoader::sendGet(const std::string& url, const std::string& tag, SEL_HttpResponse handler) {
    sent.push_back({"GET", url, tag, "", handler});
}

void RecordingLoader::sendPost(const std::string& body, const std::string& url, const std::string& tag,
                               SEL_HttpResponse handler) {
    sent.push_back({"POST", url, tag, body, handler});
}

namespace {
void deliver(CCObject* target, SEL_HttpResponse handler, const std::string& url, const std::string& tag,
             bool ok, const std::vector<unsigned char>& body, int status) {
    auto* request = new CCHttpRequest();
    request->setUrl(url.c_str());
    request->setTag(tag.c_str());
    auto* response = new CCHttpResponse(request);
    request->release();
    response->setSucceed(ok);
    response->setResponseCode(ok ? status : 0);
    if (!ok) response->setErrorBuffer("Connection refused");
    response->setResponseData(std::vector<char>(body.begin(), body.end()));
    (target->*handler)(nullptr, response);
    response->release();
}
}  // namespace

void RecordingLoader::answer(size_t k, bool ok, const std::vector<unsigned char>& body, int status) {
    const Request request = sent.at(k);
    deliver(this, request.handler, request.url, request.tag, ok, body, status);
}

void RecordingLoader::answer(size_t k, bool ok, const std::string& body, int status) {
    answer(k, ok, bytesOf(body), status);
}

void RecordingLoader::answerWithTag(size_t k, const std::string& tag,
                                    const std::vector<unsigned char>& body) {
    const Request request = sent.at(k);
    deliver(this, request.handler, request.url, tag, true, body, 200);
}

std::string barLines(uint32_t start, int count, uint32_t step, double base) {
    std::string text;
    char line[160];
    for (int i = 0; i < count; ++i) {
        // Prices vary with the time, so bars of the same time always agree.
        const uint32_t time = start + static_cast<uint32_t>(i) * step;
        const double open = base + (time / step % 97) * 0.0001;
        const double close = open + ((time / step % 7) - 3) * 0.0002;
        const int length = std::snprintf(line, sizeof line, "%u,%.5f,%.5f,%.5f,%.5f,%u\n", time, open,
                                         std::max(open, close) + 0.0003, std::min(open, close) - 0.0002,
                                         close, 100 + time / step % 1000);
        text.append(line, static_cast<size_t>(length));
    }
    return text;
}

std::vector<unsigned char> bytesOf(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::vector<unsigned char> gzipWithTool(const std::string& text) {
    const std::string folder = CCFileUtils::sharedFileUtils()->getWritablePath();
    static int counter = 0;
    const std::string path = folder + "gzip-input-" + std::to_string(++counter) + ".txt";
    if (!writeWholeFile(path, bytesOf(text))) return {};
    std::string output;
    if (!runForOutput({"gzip", "-c", "-n", path}, output)) return {};
    std::remove(path.c_str());
    return bytesOf(output);
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const auto start = Clock::now();
    while (!condition()) {
        if (secondsSince(start) > seconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool isStrictlyAscending(const KLineSeries& series) {
    for (size_t i = 0; i < series.size(); ++i) {
        if (series.barAt(i)->index != static_cast<int32_t>(i)) return false;
        if (i > 0 && series.barAt(i - 1)->time >= series.barAt(i)->time) return false;
    }
    return true;
}

bool runForOutput(const std::vector<std::string>& argv, std::string& output, double seconds) {
    output.clear();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (auto& arg : args) raw.push_back(arg.data());
    raw.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return false;
    }
    const auto start = Clock::now();
    bool timedOut = false;
    for (;;) {
        const double left = seconds - secondsSince(start);
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd poller{pipeFds[0], POLLIN, 0};
        if (poll(&poller, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
        char buffer[65536];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    if (timedOut) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
