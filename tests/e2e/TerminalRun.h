#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "Screenshot.h"

// One run of the terminal on its own virtual X server, with its data folder home and its screenshots,
// output and X server errors in folder. Screenshots are taken on demand: SIGUSR1 to the program makes
// it save its next frame as folder/shots/shot-<n>.png. The run never outlives this object, and both
// the X server and the program are children of the test, so they also die with it (xvfb-run would
// leave the program and its server behind when the test is killed).
class TerminalRun {
public:
    TerminalRun(std::string programPath, std::string home, std::string folder);
    ~TerminalRun();
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    // Starts the X server and the program and waits until the program has begun its log; false with
    // error() otherwise.
    bool start(Seconds timeout);
    bool running();

    const std::string& folder() const { return folder_; }
    // The debug log in the data folder.
    std::string log() const;
    // Waits until text occurs at least count times in the log; false when the program ends first.
    bool waitForLog(const std::string& text, int count, Seconds timeout);
    // Takes one screenshot now; nothing, with error(), when none arrives within timeout.
    std::optional<Screenshot> screenshot(Seconds timeout);
    // Takes screenshots until test holds for one of them, which it returns; else the last one taken
    // (nothing when none could be taken) with the fact in error().
    std::optional<Screenshot> screenshotWhen(const std::function<bool(const Screenshot&)>& test,
                                             Seconds timeout);
    // Sends a signal to the program (not to its X server).
    bool signal(int number);
    // The program's wait status once it has ended by itself within timeout, else nothing.
    std::optional<int> waitForExit(Seconds timeout);
    // SIGTERM to the program, as a window close; its wait status once it and its X server have ended.
    // The run's log is copied into folder.
    std::optional<int> stop(Seconds timeout);

    const std::string& error() const { return error_; }
    // The run's X display (":N") once started, for input tools that drive the program.
    const std::string& display() const { return display_; }
    // What the program wrote on its console (standard output): it also holds the log lines from
    // before the log file was created.
    std::string console() const;
    // Program output and X server errors, for failure messages.
    std::string output() const;

private:
    bool startServer(Seconds timeout);

    std::string programPath_;
    std::string home_;
    std::string folder_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> program_;
    std::string display_;
    int shots_ = 0;
    std::string error_;
};
