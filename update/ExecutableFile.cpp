#include "ExecutableFile.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "CDebugModule.h"

namespace {
#if defined(__x86_64__)
constexpr int OWN_MACHINE = EM_X86_64;
#elif defined(__aarch64__)
constexpr int OWN_MACHINE = EM_AARCH64;
#elif defined(__i386__)
constexpr int OWN_MACHINE = EM_386;
#else
constexpr int OWN_MACHINE = EM_NONE;
#endif
#if UINTPTR_MAX > 0xffffffffu
constexpr unsigned char OWN_CLASS = ELFCLASS64;
#else
constexpr unsigned char OWN_CLASS = ELFCLASS32;
#endif
}  // namespace

bool isElfForThisCpu(const void* bytes, size_t count) {
    if (!bytes || count < sizeof(Elf64_Ehdr)) return false;
    const auto* header = static_cast<const unsigned char*>(bytes);
    if (std::memcmp(header, ELFMAG, SELFMAG) != 0 || header[EI_CLASS] != OWN_CLASS) return false;
    uint16_t type = 0;
    uint16_t machine = 0;
    // e_type and e_machine sit at the same offsets in both classes; the file is in our byte order.
    std::memcpy(&type, header + offsetof(Elf64_Ehdr, e_type), sizeof(type));
    std::memcpy(&machine, header + offsetof(Elf64_Ehdr, e_machine), sizeof(machine));
    return (type == ET_EXEC || type == ET_DYN) && machine == OWN_MACHINE;
}

bool installExecutable(const std::string& path, const void* bytes, size_t count) {
    if (!isElfForThisCpu(bytes, count)) {
        logError("%s: not a program for this computer, not saved", path.c_str());
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        logError("%s: cannot create a temporary file: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    const auto* data = static_cast<const char*>(bytes);
    size_t done = 0;
    bool ok = true;
    while (ok && done < count) {
        const ssize_t written = ::write(fd, data + done, count - done);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) done += static_cast<size_t>(written);
    }
    ok = ok && fchmod(fd, 0755) == 0 && fsync(fd) == 0;
    const int savedErrno = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    logError("%s: cannot write: %s", path.c_str(), std::strerror(ok ? errno : savedErrno));
    ::unlink(temp.c_str());
    return false;
}
