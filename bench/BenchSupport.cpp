#include "BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>

extern char** environ;

namespace {
double toMs(const timeval& t) {
    return t.tv_sec * 1000.0 + t.tv_usec / 1000.0;
}
}  // namespace

double cpuNowMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double wallNowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Cost runTimed(const std::vector<std::string>& arguments, const std::string& stdoutPath, int& status) {
    status = -1;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    double start = wallNowMs();
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {};
    int raw = 0;
    rusage usage{};
    if (wait4(pid, &raw, 0, &usage) != pid) return {};
    Cost cost{wallNowMs() - start, toMs(usage.ru_utime) + toMs(usage.ru_stime)};
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return cost;
}

std::string makeBarCsv(size_t targetBytes) {
    std::string csv;
    csv.reserve(targetBytes + 128);
    std::mt19937 random(20261206);
    long time = 1700000000;
    double price = 1923.45;
    char line[128];
    while (csv.size() < targetBytes) {
        price += (static_cast<int>(random() % 2001) - 1000) / 1000.0;
        double high = price + (random() % 500) / 100.0;
        double low = price - (random() % 500) / 100.0;
        int length = std::snprintf(line, sizeof(line), "%ld,%.2f,%.2f,%.2f,%.2f,%u\n", time, price, high, low,
                                   price + 0.25, static_cast<unsigned>(random() % 100000));
        csv.append(line, static_cast<size_t>(length));
        time += 60;
    }
    return csv;
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

void Best::add(const Cost& c) {
    cost.wallMs = std::min(cost.wallMs, c.wallMs);
    cost.cpuMs = std::min(cost.cpuMs, c.cpuMs);
}

void printRatio(const char* what, const char* oursName, const Best& ours, const char* baseName,
                const Best& base, double target) {
    double cpuRatio = ours.cost.cpuMs / base.cost.cpuMs;
    double wallRatio = ours.cost.wallMs / base.cost.wallMs;
    std::printf("%s\n", what);
    std::printf("  %-28s cpu %8.1f ms   wall %8.1f ms\n", oursName, ours.cost.cpuMs, ours.cost.wallMs);
    std::printf("  %-28s cpu %8.1f ms   wall %8.1f ms\n", baseName, base.cost.cpuMs, base.cost.wallMs);
    std::printf("  ratio (cpu)  %.3f   target <= %.2f   %s\n", cpuRatio, target,
                cpuRatio <= target ? "within target" : "ABOVE TARGET");
    std::printf("  ratio (wall) %.3f\n", wallRatio);
}
