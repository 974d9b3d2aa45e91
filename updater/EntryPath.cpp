#include "EntryPath.h"

#include <vector>

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool hasDriveLetter(std::string_view name) {
    if (name.size() < 2 || name[1] != ':') return false;
    const char c = name[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::optional<std::string> EntryPath::resolve(std::string_view destination, std::string_view storedName) {
    if (storedName.empty() || isSeparator(storedName.front()) || hasDriveLetter(storedName)) {
        return std::nullopt;
    }

    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= storedName.size()) {
        size_t end = start;
        while (end < storedName.size() && !isSeparator(storedName[end])) ++end;
        const std::string_view part = storedName.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") parts.push_back(part);
        start = end + 1;
    }
    if (parts.empty()) return std::nullopt;

    std::string path(destination.empty() ? std::string_view(".") : destination);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    for (const std::string_view part : parts) {
        if (path.back() != '/') path += '/';
        path += part;
    }
    return path;
}

bool EntryPath::namesFolder(std::string_view storedName) {
    return !storedName.empty() && isSeparator(storedName.back());
}
