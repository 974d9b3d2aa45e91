#include "AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

AtomicFileWriter::AtomicFileWriter(std::string destination) : destination_(std::move(destination)) {}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

bool AtomicFileWriter::open() {
    discard();
    const size_t slash = destination_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : destination_.substr(0, slash);
    // A short fixed name keeps the temporary within NAME_MAX whatever the entry's name.
    tempPath_ = (folder.empty() ? std::string() : folder) + "/.brevanix-XXXXXX";
    fd_ = mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        tempPath_.clear();
        return fail("create");
    }
    return true;
}

bool AtomicFileWriter::write(const void* data, size_t size) {
    if (fd_ < 0) {
        error_ = "write: not open";
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return fail("write");
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFileWriter::commit(mode_t mode, time_t modified) {
    if (fd_ < 0) {
        error_ = "commit: not open";
        return false;
    }
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    if (fchmod(fd_, mode & 0777) != 0) return fail("chmod");
    if (futimens(fd_, times) != 0) return fail("set times");
    if (fsync(fd_) != 0) return fail("sync");
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) return fail("close");
    if (rename(tempPath_.c_str(), destination_.c_str()) != 0) return fail("rename");
    tempPath_.clear();
    return true;
}

bool AtomicFileWriter::fail(const char* step) {
    error_ = std::string(step) + ": " + strerror(errno);
    discard();
    return false;
}

void AtomicFileWriter::discard() {
    if (fd_ >= 0) close(std::exchange(fd_, -1));
    if (!tempPath_.empty()) unlink(tempPath_.c_str());
    tempPath_.clear();
}
