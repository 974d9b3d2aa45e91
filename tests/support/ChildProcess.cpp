#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

bool waitUntil(const std::function<bool()>& test, Seconds timeout, Seconds pollInterval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!test()) {
        if (std::chrono::steady_clock::now() >= deadline) return test();
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

namespace {
// The sanitizer switches ctest gives the test reach its programs too: a sanitizer build of them reads
// its suppressions from there. Nothing else of this process's environment does.
constexpr const char* SANITIZER_VARIABLES[] = {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS",
                                               "TSAN_OPTIONS"};

// Everything the child needs is built before fork: after it, only async-signal-safe calls are allowed.
std::vector<std::string> childEnvironment(const std::vector<std::string>& given) {
    std::vector<std::string> environment = given;
    for (const char* name : SANITIZER_VARIABLES) {
        const std::string prefix = std::string(name) + "=";
        const bool set =
            std::any_of(environment.begin(), environment.end(),
                        [&](const std::string& variable) { return variable.starts_with(prefix); });
        if (const char* value = std::getenv(name); value && !set) environment.push_back(prefix + value);
    }
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}
}  // namespace

ChildProcess::ChildProcess(const ProcessLaunch& launch) {
    if (launch.argv.empty()) {
        error_ = "no program given";
        return;
    }
    std::vector<std::string> arguments = launch.argv;
    std::vector<std::string> environment = childEnvironment(launch.environment);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        return;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died between fork and prctl.
        if (getppid() != parent) _exit(127);
        // Close-on-exec: only the duplicates on 0, 1 and 2 reach the program.
        const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int output = open(launch.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int errors = open(launch.errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (input < 0 || output < 0 || errors < 0) _exit(126);
        dup2(input, STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        dup2(errors, STDERR_FILENO);
        // The program starts with no blocked signals, whatever the test blocks.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    pid_ = pid;
}

ChildProcess::~ChildProcess() {
    stop(Seconds(10));
}

bool ChildProcess::running() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    const pid_t result = waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
        status_ = status;
        return false;
    }
    return result == 0;
}

std::optional<int> ChildProcess::waitForExit(Seconds timeout) {
    waitUntil([this] { return !running(); }, timeout, Seconds(0.05));
    return status_;
}

bool ChildProcess::signal(int number) {
    return running() && kill(pid_, number) == 0;
}

void ChildProcess::stop(Seconds grace) {
    if (!running()) return;
    kill(pid_, SIGTERM);
    if (waitForExit(grace)) return;
    kill(pid_, SIGKILL);
    waitForExit(Seconds(10));
}

std::string describeStatus(std::optional<int> status) {
    if (!status) return "still running";
    if (WIFEXITED(*status)) return "exit " + std::to_string(WEXITSTATUS(*status));
    if (WIFSIGNALED(*status)) return "signal " + std::to_string(WTERMSIG(*status));
    return "status " + std::to_string(*status);
}

std::optional<int> runToEnd(const ProcessLaunch& launch, Seconds timeout) {
    ChildProcess process(launch);
    if (!process.started()) return std::nullopt;
    return process.waitForExit(timeout);
}
