#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

#include "ArchiveReader.h"
#include "ProcessFinder.h"
#include "TerminalStopper.h"

// One run of the updater, without any window: start() ends a running terminal; then each tick extracts
// one archive entry into the destination folder (a failed entry whose file does not exist is tried again
// on the next tick, within a retry budget shared by all entries); after the last entry the completion
// text is due, and COMPLETION_TICKS ticks later the terminal is started and the session asks to quit.
// A missing or unreadable archive extracts nothing and completes all the same. The window calls tick()
// every TICK_MS milliseconds; tests call it directly. Main thread only.
class UpdateSession {
public:
    static constexpr int TICK_MS = 16;
    static constexpr int COMPLETION_TICKS = 120;
    // 30 s of retries for the whole run, so that the terminal is always started again.
    static constexpr int RETRY_BUDGET_TICKS = 1875;
    static constexpr const char* TERMINAL_NAME = "Zento";

    enum class Phase {
        NOT_STARTED,
        ENDING_TERMINAL,  // waiting for the old terminal to exit
        EXTRACTING,
        FINISHED,  // completion text shown, counting down to the restart
        DONE       // terminal started; the program should quit
    };

    struct Settings {
        std::string archivePath;    // empty: nothing to extract
        std::string programFolder;  // destination and home of the terminal; empty: the current folder
        // Which running terminals may be ended (default: any). One whose executable lies in the program
        // folder is preferred, so that another installation's terminal is ended only when none does.
        ProcessFinder::Filter terminalFilter;
    };

    explicit UpdateSession(Settings settings);
    UpdateSession(const UpdateSession&) = delete;
    UpdateSession& operator=(const UpdateSession&) = delete;

    void start();
    void tick();

    Phase phase() const { return phase_; }
    // What the progress bar shows, 0 to 100.
    int progressPercent() const;
    bool completionShown() const { return phase_ == Phase::FINISHED || phase_ == Phase::DONE; }
    bool quitRequested() const { return phase_ == Phase::DONE; }

    const std::string& destination() const { return destination_; }
    size_t entryCount() const { return entryCount_; }
    int writtenCount() const { return written_; }
    int refusedCount() const { return refused_; }
    int skippedCount() const { return skipped_; }
    pid_t endedTerminal() const { return endedTerminal_; }
    pid_t startedTerminal() const { return startedTerminal_; }

private:
    enum class EntryOutcome { DONE, TRY_AGAIN };

    std::optional<pid_t> findTerminal() const;
    void startExtraction();
    void extractNext();
    EntryOutcome extractEntry(size_t index);
    EntryOutcome writeFailed(const std::string& name, const std::string& path, const std::string& reason);
    void finishExtraction();
    void startTerminal();

    Settings settings_;
    std::string destination_;
    Phase phase_ = Phase::NOT_STARTED;
    TerminalStopper stopper_;
    ArchiveReader archive_;
    size_t entryCount_ = 0;
    size_t nextEntry_ = 0;
    float progress_ = 0.0f;
    int completionTicks_ = 0;
    int retryBudget_ = RETRY_BUDGET_TICKS;
    bool retryLogged_ = false;
    int written_ = 0;
    int refused_ = 0;
    int skipped_ = 0;
    pid_t endedTerminal_ = -1;
    pid_t startedTerminal_ = -1;
};
