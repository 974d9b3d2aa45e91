#include "SourceFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

std::optional<std::string> readSourceFile(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = path + ": read failed";
        return std::nullopt;
    }
    return text;
}

bool writeOutputFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), code);
    if (code) {
        error = target.parent_path().string() + ": " + code.message();
        return false;
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            error = temporary + ": write failed";
            fs::remove(temporary, code);
            return false;
        }
    }
    fs::rename(temporary, target, code);
    if (code) {
        error = path + ": " + code.message();
        fs::remove(temporary, code);
        return false;
    }
    return true;
}
