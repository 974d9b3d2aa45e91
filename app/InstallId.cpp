#include "InstallId.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "CDebugModule.h"

namespace {
std::string readFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (in) std::getline(in, line);
    return line;
}

std::string freshId() {
    unsigned char bytes[INSTALL_ID_LENGTH / 2];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) return {};
        got += static_cast<size_t>(n);
    }
    static const char HEX[] = "0123456789abcdef";
    std::string id;
    for (unsigned char byte : bytes) {
        id += HEX[byte >> 4];
        id += HEX[byte & 15];
    }
    return id;
}

bool writeAtomically(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}
}  // namespace

bool isValidInstallId(const std::string& text) {
    if (text.size() != INSTALL_ID_LENGTH) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string loadInstallId(const std::string& folder) {
    const std::string path = folder + INSTALL_ID_FILE;
    std::string kept = readFirstLine(path);
    if (isValidInstallId(kept)) return kept;
    std::string id = freshId();
    if (id.empty() || !writeAtomically(path, id + "\n")) {
        logError("install id: cannot write %s", path.c_str());
        return {};
    }
    return id;
}
