#include "UpdateSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "EntryPath.h"
#include "ProcessLauncher.h"
#include "UpdaterLog.h"

namespace {

constexpr mode_t FOLDER_MODE = 0755;

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// Creates the folder and its parents; false with the reason when one cannot be made.
bool makeFolders(const std::string& path, std::string* reason) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string prefix = path.substr(0, at);
        if (mkdir(prefix.c_str(), FOLDER_MODE) == 0 || errno == EEXIST) continue;
        *reason = prefix + ": " + strerror(errno);
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *reason = path + ": not a folder";
        return false;
    }
    return true;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string currentFolder() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

}  // namespace

UpdateSession::UpdateSession(Settings settings) : settings_(std::move(settings)) {
    destination_ = settings_.programFolder.empty() ? currentFolder() : settings_.programFolder;
    if (destination_.back() != '/') destination_ += '/';
}

void UpdateSession::start() {
    if (phase_ != Phase::NOT_STARTED) return;
    UpdaterLog::info("update started: archive \"%s\", destination \"%s\"", settings_.archivePath.c_str(),
                     destination_.c_str());
    const std::optional<pid_t> terminal = findTerminal();
    if (terminal) {
        endedTerminal_ = *terminal;
        stopper_.begin(*terminal);
    }
    if (!stopper_.done()) {
        phase_ = Phase::ENDING_TERMINAL;
        return;
    }
    startExtraction();
}

std::optional<pid_t> UpdateSession::findTerminal() const {
    ProcessFinder::Filter ownFolder = settings_.terminalFilter;
    if (ownFolder.directory.empty()) ownFolder.directory = destination_;
    if (const std::optional<pid_t> own = ProcessFinder::findFirst(TERMINAL_NAME, ownFolder)) return own;
    if (!settings_.terminalFilter.directory.empty()) return std::nullopt;
    const std::optional<pid_t> other = ProcessFinder::findFirst(TERMINAL_NAME, settings_.terminalFilter);
    if (other) {
        UpdaterLog::warn("no terminal runs from %s; ending the one of %s (pid %d)", destination_.c_str(),
                         ProcessFinder::executableOf(*other).c_str(), *other);
    }
    return other;
}

void UpdateSession::tick() {
    switch (phase_) {
        case Phase::NOT_STARTED:
        case Phase::DONE:
            return;
        case Phase::ENDING_TERMINAL:
            stopper_.tick();
            if (stopper_.done()) startExtraction();
            return;
        case Phase::EXTRACTING:
            extractNext();
            return;
        case Phase::FINISHED:
            if (++completionTicks_ == COMPLETION_TICKS) startTerminal();
            return;
    }
}

int UpdateSession::progressPercent() const {
    if (completionShown()) return 100;
    if (phase_ != Phase::EXTRACTING) return 0;
    return static_cast<int>(progress_ * 100.0f);
}

void UpdateSession::startExtraction() {
    phase_ = Phase::EXTRACTING;
    progress_ = 0.0f;
    nextEntry_ = 0;
    entryCount_ = 0;
    std::string reason;
    if (!makeFolders(destination_, &reason)) {
        UpdaterLog::error("cannot create the destination folder %s", reason.c_str());
    }
    if (settings_.archivePath.empty()) {
        UpdaterLog::warn("no archive given; nothing to extract");
    } else if (!archive_.open(settings_.archivePath)) {
        UpdaterLog::error("cannot open the archive \"%s\": %s; nothing to extract",
                          settings_.archivePath.c_str(), archive_.error().c_str());
    } else {
        entryCount_ = archive_.entryCount();
        UpdaterLog::info("archive holds %zu entries", entryCount_);
    }
}

void UpdateSession::extractNext() {
    if (nextEntry_ < entryCount_) {
        if (extractEntry(nextEntry_) == EntryOutcome::TRY_AGAIN) return;
        retryLogged_ = false;
        progress_ = static_cast<float>(nextEntry_) / static_cast<float>(entryCount_);
        ++nextEntry_;
        if (nextEntry_ < entryCount_) return;
    }
    finishExtraction();
}

UpdateSession::EntryOutcome UpdateSession::extractEntry(size_t index) {
    const std::optional<ArchiveReader::EntryInfo> entry = archive_.entryInfo(index);
    if (!entry) {
        UpdaterLog::error("entry %zu has an unreadable header; skipped", index);
        ++skipped_;
        return EntryOutcome::DONE;
    }
    const std::optional<std::string> path = EntryPath::resolve(destination_, entry->name);
    if (!path) {
        UpdaterLog::error("refused entry \"%s\": its path leaves the destination folder",
                          entry->name.c_str());
        ++refused_;
        return EntryOutcome::DONE;
    }

    std::string reason;
    if (entry->folder) {
        if (!makeFolders(*path, &reason)) return writeFailed(entry->name, *path, reason);
        ++written_;
        return EntryOutcome::DONE;
    }
    if (!makeFolders(parentOf(*path), &reason)) return writeFailed(entry->name, *path, reason);
    switch (archive_.extract(index, *path)) {
        case ArchiveReader::ExtractResult::OK:
            UpdaterLog::info("extracted %s", entry->name.c_str());
            ++written_;
            return EntryOutcome::DONE;
        case ArchiveReader::ExtractResult::DAMAGED:
            UpdaterLog::error("entry \"%s\" is damaged (%s); skipped", entry->name.c_str(),
                              archive_.error().c_str());
            ++skipped_;
            return EntryOutcome::DONE;
        case ArchiveReader::ExtractResult::WRITE_FAILED:
            break;
    }
    return writeFailed(entry->name, *path, archive_.error());
}

UpdateSession::EntryOutcome UpdateSession::writeFailed(const std::string& name, const std::string& path,
                                                       const std::string& reason) {
    if (exists(path)) {
        UpdaterLog::error("cannot replace %s (%s); the old file stays", path.c_str(), reason.c_str());
        ++skipped_;
        return EntryOutcome::DONE;
    }
    if (retryBudget_ <= 0) {
        UpdaterLog::error("giving up on entry \"%s\" (%s); skipped", name.c_str(), reason.c_str());
        ++skipped_;
        return EntryOutcome::DONE;
    }
    if (!retryLogged_) {
        UpdaterLog::warn("cannot write %s (%s); trying again", path.c_str(), reason.c_str());
        retryLogged_ = true;
    }
    --retryBudget_;
    return EntryOutcome::TRY_AGAIN;
}

void UpdateSession::finishExtraction() {
    archive_.close();
    progress_ = 1.0f;
    phase_ = Phase::FINISHED;
    completionTicks_ = 0;
    UpdaterLog::info("extraction finished: %zu entries, %d written, %d refused, %d skipped", entryCount_,
                     written_, refused_, skipped_);
}

void UpdateSession::startTerminal() {
    const std::string program = destination_ + TERMINAL_NAME;
    std::string reason;
    startedTerminal_ = ProcessLauncher::startDetached(program, &reason);
    if (startedTerminal_ > 0) {
        UpdaterLog::info("started %s (pid %d)", program.c_str(), startedTerminal_);
    } else {
        UpdaterLog::error("cannot start %s: %s", program.c_str(), reason.c_str());
    }
    phase_ = Phase::DONE;
}
