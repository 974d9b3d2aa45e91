#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TempHome.h"
#include "UpdateSession.h"

namespace updater_test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it at the end; the
// updater's tests build paths in it with fs::path.
class TempFolder : public TempHome {
public:
    TempFolder() : TempHome("brevanix-test", Use::FOLDER) {}
    fs::path path() const { return TempHome::path(); }
};

// A process this test started; one still running at the end is killed and reaped, so that no test
// leaves anything behind or touches a process it did not start.
class ChildProcess {
public:
    // Runs `program` with `arguments`; SIGTERM is ignored in the child when asked (it stays ignored
    // across exec, as a stubborn terminal would behave).
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 bool ignoreTerm = false, const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits (polling, bounded) until the child runs `program` (exec has happened). False on timeout.
    bool waitUntilRunning(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Waits (polling, bounded) until the process has exited without reaping it, so /proc still shows
    // it as a zombie. False on timeout.
    bool waitUntilExited(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Reaps the process once it has exited (bounded); its wait status, or nullopt on timeout.
    std::optional<int> reap(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    std::string program_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

void writeFile(const fs::path& path, const std::string& content, fs::perms mode = fs::perms(0644));
std::string readFile(const fs::path& path);
mode_t permissions(const fs::path& path);
time_t modifiedTime(const fs::path& path);

// Runs a shell command line; its exit status (0 on success).
int shell(const std::string& command);
std::string shellQuoted(const fs::path& path);

// Makes `archive` with the zip command, run inside `source` with the given arguments
// (e.g. "-r . " or "-D a.txt b.txt").
void zipIn(const fs::path& source, const fs::path& archive, const std::string& arguments);
// Makes `archive` with Python's zipfile as an archiver of another system would: entries (the given
// files of `source`, by relative name) marked as made on MS-DOS, with no Unix attributes.
void zipWithoutModes(const fs::path& source, const fs::path& archive, const std::vector<std::string>& names);
// Renames one entry of an archive with zipnote.
void renameEntry(const fs::path& archive, const std::string& from, const std::string& to);

// A copy of /bin/sleep under the given path, to play a running terminal.
void copySleep(const fs::path& path);
// A shell script under the given path that writes its pid and session id to `marker` and exits.
void writeMarkerScript(const fs::path& path, const fs::path& marker);
// Polls (bounded) until the file exists and is not empty.
bool waitForFile(const fs::path& path, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Ticks the session until it reaches `phase` or `maxTicks` ticks have run; true when it got there.
bool tickUntil(UpdateSession& session, UpdateSession::Phase phase, int maxTicks);

std::vector<std::string> folderContents(const fs::path& folder);

}  // namespace updater_test
