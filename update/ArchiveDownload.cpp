#include "ArchiveDownload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unzip.h>

#include <openssl/evp.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "CDebugModule.h"

namespace {
constexpr size_t READ_CHUNK = 64 * 1024;

uint64_t fileSizeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

std::string sha256Hex(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    std::vector<unsigned char> buffer(READ_CHUNK);
    size_t read = 0;
    while (ok && (read = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        ok = EVP_DigestUpdate(context.get(), buffer.data(), read) == 1;
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof(pair), "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

// Reads every entry to its end, which is when minizip compares the CRC.
bool zipEntriesIntact(const std::string& path) {
    unzFile zip = unzOpen64(path.c_str());
    if (!zip) return false;
    std::vector<char> buffer(READ_CHUNK);
    bool ok = true;
    for (int step = unzGoToFirstFile(zip); ok && step == UNZ_OK; step = unzGoToNextFile(zip)) {
        if (unzOpenCurrentFile(zip) != UNZ_OK) {
            ok = false;
            break;
        }
        int read = 0;
        while ((read = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
        }
        ok = read == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
    }
    unzClose(zip);
    return ok;
}
}  // namespace

ArchiveDownload::ArchiveDownload(std::string folder, uint64_t fileSize, std::string sha256)
    : folder_(std::move(folder)),
      fileSize_(fileSize),
      sha256_(std::move(sha256)),
      write_([](int fd, const void* data, size_t count) { return ::write(fd, data, count); }) {}

bool ArchiveDownload::prepare() {
    const uint64_t kept = keptBytes();
    struct statvfs space {};
    if (::statvfs(folder_.c_str(), &space) == 0 && fileSize_ > kept &&
        uint64_t(space.f_bavail) * space.f_frsize < fileSize_ - kept) {
        logError("not enough free space in %s for the update (%llu bytes)", folder_.c_str(),
                 static_cast<unsigned long long>(fileSize_ - kept));
        return writeFailed(), false;
    }
    // Create the part file now: a folder that cannot take it is known before any byte is fetched.
    const int fd = ::open(partPath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        logError("cannot write %s: %s", partPath().c_str(), std::strerror(errno));
        return writeFailed(), false;
    }
    ::close(fd);
    return true;
}

uint64_t ArchiveDownload::keptBytes() const {
    return fileSizeOf(partPath());
}

std::vector<std::string> ArchiveDownload::requestHeaders() const {
    const uint64_t kept = keptBytes();
    if (kept == 0) return {};
    return {"Range: bytes=" + std::to_string(kept) + "-"};
}

uint64_t ArchiveDownload::sizeLimit() const {
    return fileSize_ > 0 ? fileSize_ : UNKNOWN_SIZE_LIMIT;
}

uint64_t ArchiveDownload::maxResponseSize() const {
    // The whole file, not the rest: a server may answer a Range request with all of it (200). One byte
    // more than fits, so that an overlong answer is told apart from an exact one; a 206 that overruns
    // the file is caught when it arrives.
    return sizeLimit() + 1;
}

double ArchiveDownload::shareOf(uint64_t bytes) const {
    if (fileSize_ == 0) return 1;
    return std::min(1.0, static_cast<double>(bytes) / static_cast<double>(fileSize_));
}

ArchiveDownload::Outcome ArchiveDownload::accept(const Answer& answer) {
    static const std::vector<char> NO_BODY;
    const std::vector<char>& body = answer.body ? *answer.body : NO_BODY;
    if (answer.tooLarge || (answer.status == 206 && keptBytes() + body.size() > sizeLimit())) {
        logError("update archive larger than announced: refused");
        return damaged();
    }
    if (answer.status == 206 && answer.rangeStart != static_cast<int64_t>(keptBytes())) {
        logError("update archive: answer starts at byte %lld, not at %llu: starting over",
                 static_cast<long long>(answer.rangeStart), static_cast<unsigned long long>(keptBytes()));
        ::unlink(partPath().c_str());
        return Outcome::RETRY;
    }
    if (answer.status == 200 || answer.status == 206) {
        if (!writeBody(body, answer.status == 206)) return writeFailed();
        if (!answer.complete) return Outcome::RETRY;
    } else if (answer.status != 416) {
        return Outcome::RETRY;
    }
    if (!verify()) return damaged();
    if (std::rename(partPath().c_str(), archivePath().c_str()) != 0) {
        logError("cannot rename %s: %s", partPath().c_str(), std::strerror(errno));
        return writeFailed();
    }
    return Outcome::DONE;
}

int64_t ArchiveDownload::contentRangeStart(const std::string& headers) {
    int64_t start = -1;
    size_t lineStart = 0;
    while (lineStart < headers.size()) {
        size_t lineEnd = headers.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = headers.size();
        const std::string line = headers.substr(lineStart, lineEnd - lineStart);
        long long value = 0;
        if (strncasecmp(line.c_str(), "Content-Range:", 14) == 0 &&
            std::sscanf(line.c_str() + 14, " bytes %lld-", &value) == 1 && value >= 0) {
            start = value;  // the last one: redirects may come before
        }
        lineStart = lineEnd + 1;
    }
    return start;
}

bool ArchiveDownload::writeBody(const std::vector<char>& body, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const int fd = ::open(partPath().c_str(), flags, 0644);
    if (fd < 0) {
        logError("cannot write %s: %s", partPath().c_str(), std::strerror(errno));
        return false;
    }
    size_t done = 0;
    while (done < body.size()) {
        const ssize_t written = write_(fd, body.data() + done, body.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            logError("cannot write %s: %s", partPath().c_str(), std::strerror(written < 0 ? errno : ENOSPC));
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(written);
    }
    if (::close(fd) != 0) {
        logError("cannot write %s: %s", partPath().c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

bool ArchiveDownload::verify() const {
    const uint64_t size = keptBytes();
    if (fileSize_ > 0 && size != fileSize_) {
        logError("update archive has %llu bytes, %llu announced", static_cast<unsigned long long>(size),
                 static_cast<unsigned long long>(fileSize_));
        return false;
    }
    const std::string digest = sha256Hex(partPath());
    if (digest != sha256_) {
        logError("update archive SHA-256 %s, %s announced", digest.c_str(), sha256_.c_str());
        return false;
    }
    if (!zipEntriesIntact(partPath())) {
        logError("update archive: a zip entry is damaged");
        return false;
    }
    return true;
}

ArchiveDownload::Outcome ArchiveDownload::damaged() {
    ::unlink(partPath().c_str());
    return ++damaged_ >= MAX_DAMAGED ? Outcome::GAVE_UP : Outcome::DAMAGED;
}

ArchiveDownload::Outcome ArchiveDownload::writeFailed() {
    ::unlink(partPath().c_str());
    return Outcome::WRITE_FAILED;
}
