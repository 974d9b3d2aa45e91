#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The update archive on its way to disk: the bytes go to "update.zip.part" in the given folder and
// are kept across broken transfers, so the next request asks only for the rest ("Range: bytes=N-").
// A complete file must have the announced size, the announced SHA-256 and a good CRC in every zip
// entry; only then is it renamed to "update.zip". No UI and no timers: the caller sends the requests
// and schedules the retries. Main thread only.
class ArchiveDownload {
public:
    static constexpr const char* ARCHIVE_NAME = "update.zip";
    static constexpr const char* PART_NAME = "update.zip.part";
    // The cap on the body when the version file gives no size.
    static constexpr uint64_t UNKNOWN_SIZE_LIMIT = uint64_t(2) << 30;
    // Failed verifications in one run before the client gives up.
    static constexpr int MAX_DAMAGED = 3;

    // The write call, replaceable so that tests can fail it (a full disk).
    using WriteFunction = std::function<ssize_t(int fd, const void* data, size_t count)>;

    enum class Outcome {
        RETRY,         // nothing usable yet: ask again (kept bytes stay)
        DAMAGED,       // verification failed: the part file is gone, ask again from the start
        GAVE_UP,       // the MAX_DAMAGED-th failed verification: stop
        WRITE_FAILED,  // the file cannot be written: the part file is gone, stop
        DONE,          // "update.zip" is the verified archive
    };

    // What came back for one request. rangeStart: the first byte of a 206 answer's Content-Range, -1
    // when there is none.
    struct Answer {
        int status = 0;
        bool complete = false;
        bool tooLarge = false;
        const std::vector<char>* body = nullptr;
        int64_t rangeStart = -1;
    };

    // folder ends with "/"; fileSize 0 means unknown; sha256 is lower-case hex.
    ArchiveDownload(std::string folder, uint64_t fileSize, std::string sha256);

    void setWriteFunction(WriteFunction write) { write_ = std::move(write); }

    // Before each request: false (part file removed, logged) when the folder cannot take the file.
    bool prepare();
    uint64_t keptBytes() const;
    // "Range: bytes=N-" while bytes are kept.
    std::vector<std::string> requestHeaders() const;
    // The most the next answer may carry.
    uint64_t maxResponseSize() const;
    // How much of the progress bar bytes of the archive fill: 0 to 1, and 1 (never NaN) while the size
    // is unknown.
    double shareOf(uint64_t bytes) const;
    Outcome accept(const Answer& answer);

    std::string partPath() const { return folder_ + PART_NAME; }
    std::string archivePath() const { return folder_ + ARCHIVE_NAME; }
    uint64_t fileSize() const { return fileSize_; }
    int damagedCount() const { return damaged_; }

    // The first byte of "Content-Range: bytes N-M/T" in raw header lines, -1 when there is none.
    static int64_t contentRangeStart(const std::string& headers);

private:
    uint64_t sizeLimit() const;
    bool writeBody(const std::vector<char>& body, bool append);
    bool verify() const;
    Outcome damaged();
    Outcome writeFailed();

    std::string folder_;
    uint64_t fileSize_;
    std::string sha256_;
    WriteFunction write_;
    int damaged_ = 0;
};
