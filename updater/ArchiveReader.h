#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// One zip archive opened with minizip, read entry by entry. open() walks the whole central directory,
// so an archive that is missing, truncated or not a zip fails to open and yields no entries at all.
// Entries are addressed by index in directory order. Main thread only.
class ArchiveReader {
public:
    struct EntryInfo {
        std::string name;     // stored name, unchanged
        bool folder = false;  // a folder entry: nothing to write but the folder
        // Stored Unix permission bits; none when the archiver kept none (another system, or a tool
        // that stores no attributes).
        std::optional<mode_t> mode;
        time_t modified = 0;  // stored time: the extended timestamp when present, else the DOS time
        uint64_t size = 0;    // uncompressed size
    };

    enum class ExtractResult {
        OK,
        DAMAGED,      // the entry's data cannot be read or fails its CRC: retrying cannot help
        WRITE_FAILED  // the destination could not be written; see the error text
    };

    ArchiveReader() = default;
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // False, with a reason in error(), when the archive cannot be opened or its directory is unreadable.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return archive_ != nullptr; }
    size_t entryCount() const { return positions_.size(); }

    std::optional<EntryInfo> entryInfo(size_t index);
    // Writes entry `index` to `destination` atomically with its time and stored mode; without a stored
    // mode the replaced file keeps its own, and a new one gets 0644 (0755 for the programs). The folder
    // must exist.
    ExtractResult extract(size_t index, const std::string& destination);

    const std::string& error() const { return error_; }

private:
    struct Position {
        uint64_t directoryOffset;
        uint64_t fileNumber;
    };

    bool seek(size_t index);

    void* archive_ = nullptr;  // unzFile
    std::vector<Position> positions_;
    std::string error_;
};
