#include "CCFileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "CCCommon.h"

#ifndef ZENTO_SHARE_DIR
#define ZENTO_SHARE_DIR "/usr/local/share/zento/"
#endif

NS_CC_BEGIN

namespace {
std::unique_ptr<CCFileUtils>& instance() {
    static std::unique_ptr<CCFileUtils> utils;
    return utils;
}

std::string withSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

// Settings and caches are ordinary user files.
constexpr mode_t NEW_FILE_MODE = 0644;
// As the kernel's own limit on links followed in one lookup.
constexpr int MAX_LINK_HOPS = 40;

// The file a write to path lands in: the end of its chain of symbolic links, which need not exist
// yet. None for a chain that loops or cannot be read.
std::optional<std::string> linkTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t n = readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return std::nullopt;
        std::string target(buffer.data(), static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        if (target[0] != '/' && slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        current = std::move(target);
    }
    return std::nullopt;
}

std::string folderOfExecutable() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string defaultWritableFolder() {
    const char* home = std::getenv("ZENTO_HOME");
    if (home && *home) return withSlash(home);
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return withSlash(xdg) + "zento/";
    const char* userHome = std::getenv("HOME");
    if (userHome && *userHome) return withSlash(userHome) + ".local/share/zento/";
    return "/tmp/zento/";
}
}  // namespace

CCFileUtils::CCFileUtils() : programPath_(folderOfExecutable()) {
    searchPaths_ = {programPath_, ZENTO_SHARE_DIR};
}

CCFileUtils* CCFileUtils::sharedFileUtils() {
    if (!instance()) instance().reset(new CCFileUtils());
    return instance().get();
}

void CCFileUtils::purgeFileUtils() {
    instance().reset();
}

std::string CCFileUtils::getWritablePath() {
    if (writablePath_.empty()) {
        writablePath_ = defaultWritableFolder();
        if (!createDirectories(writablePath_))
            CCLog("cannot create writable folder %s", writablePath_.c_str());
    }
    return writablePath_;
}

void CCFileUtils::setWritablePath(const std::string& path) {
    writablePath_ = withSlash(path);
    createDirectories(writablePath_);
}

std::string CCFileUtils::fullPathForFilename(const std::string& filename) const {
    if (filename.empty() || isAbsolutePath(filename)) return filename;
    for (const std::string& root : searchPaths_) {
        std::string candidate = root + filename;
        if (isFileExist(candidate)) return candidate;
    }
    return filename;
}

void CCFileUtils::addSearchPath(const std::string& path) {
    searchPaths_.push_back(withSlash(path));
}

void CCFileUtils::setSearchPaths(const std::vector<std::string>& paths) {
    searchPaths_.clear();
    for (const std::string& p : paths) searchPaths_.push_back(withSlash(p));
}

bool CCFileUtils::isFileExist(const std::string& path) const {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::vector<unsigned char>> CCFileUtils::getFileBytes(const std::string& filename) const {
    std::string path = fullPathForFilename(filename);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<unsigned char> bytes;
    // Room for the whole file up front: growing by doubling copies a large file twice over.
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<size_t>(info.st_size));
    }
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

unsigned char* CCFileUtils::getFileData(const char* filename, const char*, unsigned long* size) const {
    if (size) *size = 0;
    if (!filename) return nullptr;
    auto bytes = getFileBytes(filename);
    if (!bytes) return nullptr;
    auto* data = new unsigned char[bytes->size() + 1];
    std::memcpy(data, bytes->data(), bytes->size());
    data[bytes->size()] = 0;
    if (size) *size = bytes->size();
    return data;
}

std::string CCFileUtils::getStringFromFile(const std::string& filename) const {
    auto bytes = getFileBytes(filename);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

bool CCFileUtils::writeFileAtomically(const std::string& path, const void* data, size_t size) {
    if (path.empty() || (size > 0 && !data)) return false;
    // A linked file is rewritten where it lies, so that the link stays a link.
    const std::optional<std::string> target = linkTarget(path);
    if (!target) return false;
    mode_t mode = NEW_FILE_MODE;
    struct stat existing {};
    if (stat(target->c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) mode = existing.st_mode & 0777;
    std::string tmp = *target + ".tmpXXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    size_t written = 0;
    bool ok = true;
    while (written < size) {
        ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<size_t>(n);
    }
    // mkstemp makes 0600 files.
    if (ok && fchmod(fd, mode) != 0) ok = false;
    if (ok && fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(name.data(), target->c_str()) != 0) ok = false;
    if (!ok) ::unlink(name.data());
    return ok;
}

bool CCFileUtils::createDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    std::string path;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t slash = folder.find('/', start);
        size_t end = slash == std::string::npos ? folder.size() : slash;
        path = folder.substr(0, end);
        if (!path.empty()) {
            struct stat st {};
            if (stat(path.c_str(), &st) != 0) {
                if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
            } else if (!S_ISDIR(st.st_mode)) {
                return false;
            }
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return true;
}

NS_CC_END
