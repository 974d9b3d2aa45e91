#include "UpdaterTestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace updater_test {

namespace {

constexpr auto POLL_STEP = std::chrono::milliseconds(5);

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           bool ignoreTerm, const std::vector<std::string>& extraEnvironment)
    : program_(fs::weakly_canonical(program).string()) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment(extraEnvironment);
    for (char** variable = environ; *variable != nullptr; ++variable) environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        if (ignoreTerm) signal(SIGTERM, SIG_IGN);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pid_ < 0) throw std::runtime_error("fork failed");
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0 || reaped_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

bool ChildProcess::waitUntilRunning(std::chrono::milliseconds limit) const {
    const std::string link = "/proc/" + std::to_string(pid_) + "/exe";
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        if (fs::read_symlink(link, error).string() == program_) return true;
        std::this_thread::sleep_for(POLL_STEP);
    }
    return false;
}

bool ChildProcess::waitUntilExited(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid_) {
            return true;
        }
        std::this_thread::sleep_for(POLL_STEP);
    }
    return false;
}

std::optional<int> ChildProcess::reap(std::chrono::milliseconds limit) {
    if (reaped_ || !waitUntilExited(limit)) return std::nullopt;
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return status;
}

void writeFile(const fs::path& path, const std::string& content, fs::perms mode) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    fs::permissions(path, mode);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

mode_t permissions(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

time_t modifiedTime(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return info.st_mtime;
}

int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuoted(const fs::path& path) {
    std::string result = "'";
    for (const char c : path.string()) {
        if (c == '\'') {
            result += "'\\''";
        } else {
            result += c;
        }
    }
    return result + "'";
}

void zipIn(const fs::path& source, const fs::path& archive, const std::string& arguments) {
    const int status =
        shell("cd " + shellQuoted(source) + " && zip -q " + shellQuoted(archive) + " " + arguments);
    // zip returns 12 for "nothing to do", which tests use to make an archive empty.
    if (status != 0 && status != 12) throw std::runtime_error("zip failed: " + std::to_string(status));
}

void zipWithoutModes(const fs::path& source, const fs::path& archive, const std::vector<std::string>& names) {
    const fs::path script = archive.string() + ".py";
    writeFile(script,
              "import sys, zipfile\n"
              "source, archive = sys.argv[1], sys.argv[2]\n"
              "with zipfile.ZipFile(archive, 'w') as z:\n"
              "    for name in sys.argv[3:]:\n"
              "        info = zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6))\n"
              "        info.create_system = 0\n"
              "        info.external_attr = 0\n"
              "        info.compress_type = zipfile.ZIP_DEFLATED\n"
              "        with open(source + '/' + name, 'rb') as f:\n"
              "            z.writestr(info, f.read())\n");
    std::string command =
        "python3 " + shellQuoted(script) + " " + shellQuoted(source) + " " + shellQuoted(archive);
    for (const std::string& name : names) command += " " + shellQuoted(name);
    const int status = shell(command);
    fs::remove(script);
    if (status != 0) throw std::runtime_error("python3 zipfile failed: " + std::to_string(status));
}

void renameEntry(const fs::path& archive, const std::string& from, const std::string& to) {
    const fs::path notes = archive.string() + ".notes";
    writeFile(notes, "@ " + from + "\n@=" + to + "\n@ (comment above this line)\n");
    if (shell("zipnote -w " + shellQuoted(archive) + " < " + shellQuoted(notes)) != 0) {
        throw std::runtime_error("zipnote failed");
    }
    fs::remove(notes);
}

void copySleep(const fs::path& path) {
    fs::create_directories(path.parent_path());
    fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing);
    fs::permissions(path, fs::perms(0755));
}

void writeMarkerScript(const fs::path& path, const fs::path& marker) {
    writeFile(path,
              "#!/bin/sh\n"
              "session=$(cut -d' ' -f6 /proc/$$/stat)\n"
              "echo \"$$ $session\" > " +
                  shellQuoted(marker.string() + ".part") +
                  "\n"
                  "mv " +
                  shellQuoted(marker.string() + ".part") + " " + shellQuoted(marker) + "\n",
              fs::perms(0755));
}

bool waitForFile(const fs::path& path, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        if (fs::exists(path, error) && fs::file_size(path, error) > 0) return true;
        std::this_thread::sleep_for(POLL_STEP);
    }
    return false;
}

bool tickUntil(UpdateSession& session, UpdateSession::Phase phase, int maxTicks) {
    for (int i = 0; i < maxTicks && session.phase() != phase; ++i) session.tick();
    return session.phase() == phase;
}

std::vector<std::string> folderContents(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace updater_test
