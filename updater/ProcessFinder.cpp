#include "ProcessFinder.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string procFile(pid_t pid, const char* name) {
    return "/proc/" + std::to_string(pid) + "/" + name;
}

std::string commandName(pid_t pid) {
    std::ifstream in(procFile(pid, "comm"));
    std::string name;
    std::getline(in, name);
    return name;
}

// The state letter follows the command name in parentheses, which may itself hold ")".
char processState(pid_t pid) {
    std::ifstream in(procFile(pid, "stat"));
    std::string line;
    if (!std::getline(in, line)) return '\0';
    const size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return '\0';
    return line[close + 2];
}

std::string canonicalFolder(const std::string& folder) {
    char* resolved = realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) return folder;
    std::string result(resolved);
    free(resolved);
    return result;
}

std::vector<pid_t> allProcesses() {
    std::vector<pid_t> pids;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return pids;
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && pid > 0) pids.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    std::sort(pids.begin(), pids.end());
    return pids;
}

}  // namespace

std::optional<pid_t> ProcessFinder::findFirst(std::string_view name, const Filter& filter) {
    const std::string folder = filter.directory.empty() ? std::string() : canonicalFolder(filter.directory);
    const pid_t self = getpid();
    for (const pid_t pid : allProcesses()) {
        if (pid == self) continue;
        if (!filter.pids.empty() &&
            std::find(filter.pids.begin(), filter.pids.end(), pid) == filter.pids.end()) {
            continue;
        }
        const std::string executable = executableOf(pid);
        const size_t slash = executable.rfind('/');
        const std::string_view fileName = slash == std::string::npos
                                              ? std::string_view(executable)
                                              : std::string_view(executable).substr(slash + 1);
        if (!equalsIgnoringCase(commandName(pid), name) && !equalsIgnoringCase(fileName, name)) continue;
        if (!folder.empty() &&
            (slash == std::string::npos || executable.substr(0, slash == 0 ? 1 : slash) != folder)) {
            continue;
        }
        if (!isRunning(pid)) continue;
        return pid;
    }
    return std::nullopt;
}

// A replaced or deleted executable keeps its old path with " (deleted)" appended.
std::string ProcessFinder::executableOf(pid_t pid) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink(procFile(pid, "exe").c_str(), buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    std::string path(buffer, static_cast<size_t>(length));
    constexpr std::string_view DELETED = " (deleted)";
    if (path.size() > DELETED.size() && path.ends_with(DELETED)) path.resize(path.size() - DELETED.size());
    return path;
}

bool ProcessFinder::isRunning(pid_t pid) {
    const char state = processState(pid);
    return state != '\0' && state != 'Z' && state != 'X';
}
