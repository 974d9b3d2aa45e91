#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>

// Writes one file so that readers see either the old content or the complete new one: the data goes to
// a temporary file in the destination's folder, which commit() gives its mode and time, flushes to disk
// and renames over the destination. Renaming also replaces a program that is still running. A writer
// that is destroyed without a successful commit removes its temporary file. Failures return false and
// leave a reason in error().
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string destination);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool open();
    bool write(const void* data, size_t size);
    // mode: permission bits only (setuid, setgid and sticky bits are dropped); modified: the file's
    // access and modification time.
    bool commit(mode_t mode, time_t modified);

    const std::string& error() const { return error_; }

private:
    bool fail(const char* step);
    void discard();

    std::string destination_;
    std::string tempPath_;
    int fd_ = -1;
    std::string error_;
};
