#include "ChartImage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace chart_image {

namespace {
// user-dirs.dirs lines read XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path in quotes.
std::string picturesEntry(const std::string& file, const std::string& home) {
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') return "";
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        return value.empty() || value.front() != '/' ? "" : value;
    }
    return "";
}
}  // namespace

std::string picturesFolder(const std::string& home, const std::string& configHome) {
    const std::string config = configHome.empty() ? home + "/.config" : configHome;
    const std::string pictures = picturesEntry(config + "/user-dirs.dirs", home);
    std::error_code error;
    // "$HOME/" alone means the home folder itself, as the XDG tools read it.
    if (!pictures.empty() && std::filesystem::is_directory(pictures, error)) return pictures;
    return home;
}

std::string picturesFolder() {
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return picturesFolder(home && *home ? home : ".", config ? config : "");
}

std::string fileName(const std::string& symbol, int timeTypeMinutes, time_t now) {
    std::string safe;
    for (char c : symbol) {
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
        safe += plain ? c : '_';
    }
    if (safe.empty()) safe = "chart";
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
    return "Zento-" + safe + "-" + std::to_string(timeTypeMinutes) + "-" + stamp + ".png";
}

}  // namespace chart_image
