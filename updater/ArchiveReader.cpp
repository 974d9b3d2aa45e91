#include "ArchiveReader.h"

#include <sys/stat.h>
#include <unzip.h>

#include <array>
#include <cstring>

#include "AtomicFileWriter.h"
#include "EntryPath.h"

namespace {

constexpr unsigned HOST_UNIX = 3;                   // "version made by" high byte of Unix archivers
constexpr uint16_t EXTENDED_TIMESTAMP_ID = 0x5455;  // "UT" extra field
constexpr size_t READ_CHUNK = 64 * 1024;
constexpr mode_t FILE_MODE = 0644;
constexpr mode_t PROGRAM_MODE = 0755;
// The terminal, the updater, and the updater's next copy that the terminal renames into place.
constexpr const char* PROGRAM_NAMES[] = {"Zento", "Brevanix", "Brevanix.x"};

unzFile handle(void* archive) {
    return static_cast<unzFile>(archive);
}

uint16_t readLittle16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// The "UT" extra field holds the modification time as Unix seconds (UTC) when its flag bit 0 is set.
std::optional<time_t> extendedTimestamp(const std::vector<unsigned char>& extra) {
    size_t at = 0;
    while (at + 4 <= extra.size()) {
        const uint16_t id = readLittle16(&extra[at]);
        const uint16_t size = readLittle16(&extra[at + 2]);
        const size_t data = at + 4;
        if (data + size > extra.size()) break;
        if (id == EXTENDED_TIMESTAMP_ID && size >= 5 && (extra[data] & 1) != 0) {
            const uint32_t raw = static_cast<uint32_t>(extra[data + 1]) |
                                 (static_cast<uint32_t>(extra[data + 2]) << 8) |
                                 (static_cast<uint32_t>(extra[data + 3]) << 16) |
                                 (static_cast<uint32_t>(extra[data + 4]) << 24);
            return static_cast<time_t>(static_cast<int32_t>(raw));
        }
        at = data + size;
    }
    return std::nullopt;
}

// DOS times are local wall-clock times.
time_t dosTime(const tm_unz& date) {
    tm local{};
    local.tm_year = static_cast<int>(date.tm_year) - 1900;
    local.tm_mon = static_cast<int>(date.tm_mon);
    local.tm_mday = static_cast<int>(date.tm_mday);
    local.tm_hour = static_cast<int>(date.tm_hour);
    local.tm_min = static_cast<int>(date.tm_min);
    local.tm_sec = static_cast<int>(date.tm_sec);
    local.tm_isdst = -1;
    const time_t result = mktime(&local);
    return result == static_cast<time_t>(-1) ? 0 : result;
}

std::optional<mode_t> existingMode(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return info.st_mode & 0777;
}

// For a new file whose entry stores no mode: the programs must stay executable.
mode_t fallbackMode(const std::string& entryName) {
    const size_t slash = entryName.rfind('/');
    const std::string fileName = slash == std::string::npos ? entryName : entryName.substr(slash + 1);
    for (const char* program : PROGRAM_NAMES) {
        if (fileName == program) return PROGRAM_MODE;
    }
    return FILE_MODE;
}

}  // namespace

ArchiveReader::~ArchiveReader() {
    close();
}

bool ArchiveReader::open(const std::string& path) {
    close();
    error_.clear();
    archive_ = unzOpen64(path.c_str());
    if (archive_ == nullptr) {
        error_ = "not a readable zip archive";
        return false;
    }
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(handle(archive_), &global) != UNZ_OK) {
        error_ = "unreadable archive directory";
        close();
        return false;
    }
    int status = unzGoToFirstFile(handle(archive_));
    while (status == UNZ_OK) {
        unz64_file_pos position{};
        if (unzGetFilePos64(handle(archive_), &position) != UNZ_OK) break;
        positions_.push_back({position.pos_in_zip_directory, position.num_of_file});
        status = unzGoToNextFile(handle(archive_));
    }
    const bool emptyArchive = global.number_entry == 0 && status == UNZ_END_OF_LIST_OF_FILE;
    if (!emptyArchive && (status != UNZ_END_OF_LIST_OF_FILE || positions_.size() != global.number_entry)) {
        error_ = "damaged archive directory";
        close();
        return false;
    }
    return true;
}

void ArchiveReader::close() {
    if (archive_ != nullptr) unzClose(handle(archive_));
    archive_ = nullptr;
    positions_.clear();
}

bool ArchiveReader::seek(size_t index) {
    if (archive_ == nullptr || index >= positions_.size()) return false;
    const unz64_file_pos position{positions_[index].directoryOffset, positions_[index].fileNumber};
    return unzGoToFilePos64(handle(archive_), &position) == UNZ_OK;
}

std::optional<ArchiveReader::EntryInfo> ArchiveReader::entryInfo(size_t index) {
    if (!seek(index)) return std::nullopt;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(handle(archive_), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    std::string name(info.size_filename, '\0');
    std::vector<unsigned char> extra(info.size_file_extra);
    if (unzGetCurrentFileInfo64(handle(archive_), &info, name.data(), static_cast<uLong>(name.size()),
                                extra.data(), static_cast<uLong>(extra.size()), nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    // The name is not NUL-terminated when it fills the buffer exactly; one with an inner NUL is cut there.
    name.resize(strnlen(name.c_str(), name.size()));

    EntryInfo entry;
    entry.name = std::move(name);
    entry.size = info.uncompressed_size;
    entry.modified = extendedTimestamp(extra).value_or(dosTime(info.tmu_date));

    const mode_t unixMode = static_cast<mode_t>((info.external_fa >> 16) & 0xFFFF);
    const bool unixHost = (info.version >> 8) == HOST_UNIX;
    entry.folder = EntryPath::namesFolder(entry.name) || (unixHost && S_ISDIR(unixMode));
    if (unixHost && (S_ISREG(unixMode) || (unixMode & S_IFMT) == 0) && (unixMode & 0777) != 0) {
        entry.mode = unixMode & 0777;
    }
    return entry;
}

ArchiveReader::ExtractResult ArchiveReader::extract(size_t index, const std::string& destination) {
    error_.clear();
    // entryInfo leaves the entry current, so the data opened next is this entry's.
    const std::optional<EntryInfo> entry = entryInfo(index);
    if (!entry) {
        error_ = "unreadable entry header";
        return ExtractResult::DAMAGED;
    }
    if (unzOpenCurrentFile(handle(archive_)) != UNZ_OK) {
        error_ = "cannot open the entry's data";
        return ExtractResult::DAMAGED;
    }
    AtomicFileWriter writer(destination);
    if (!writer.open()) {
        unzCloseCurrentFile(handle(archive_));
        error_ = writer.error();
        return ExtractResult::WRITE_FAILED;
    }

    std::array<char, READ_CHUNK> buffer;
    uint64_t total = 0;
    for (;;) {
        const int read = unzReadCurrentFile(handle(archive_), buffer.data(), buffer.size());
        if (read < 0) {
            unzCloseCurrentFile(handle(archive_));
            error_ = "damaged entry data";
            return ExtractResult::DAMAGED;
        }
        if (read == 0) break;
        total += static_cast<uint64_t>(read);
        if (!writer.write(buffer.data(), static_cast<size_t>(read))) {
            unzCloseCurrentFile(handle(archive_));
            error_ = writer.error();
            return ExtractResult::WRITE_FAILED;
        }
    }
    if (unzCloseCurrentFile(handle(archive_)) != UNZ_OK || total != entry->size) {
        error_ = "entry fails its CRC or size check";
        return ExtractResult::DAMAGED;
    }
    const mode_t mode = entry->mode.value_or(existingMode(destination).value_or(fallbackMode(entry->name)));
    if (!writer.commit(mode, entry->modified)) {
        error_ = writer.error();
        return ExtractResult::WRITE_FAILED;
    }
    return ExtractResult::OK;
}
