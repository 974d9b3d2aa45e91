#include "SpriteManifest.h"

#include <fstream>
#include <set>
#include <sstream>

namespace {

// Sheets above this size are refused: a typo in a size should not build a giant texture.
constexpr int MAX_FRAME_SIDE = 1024;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

std::optional<int> parseSide(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > MAX_FRAME_SIDE) return std::nullopt;
    return value;
}

}  // namespace

std::optional<SpriteManifest> SpriteManifest::load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot read";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto manifest = parse(text.str(), error);
    if (!manifest) error = path + ":" + error;
    return manifest;
}

std::optional<SpriteManifest> SpriteManifest::parse(const std::string& text, std::string& error) {
    SpriteManifest manifest;
    std::set<std::string> names;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto fields = split(line, '\t');
        auto fail = [&](const std::string& why) {
            error = std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (fields.size() < 5) return fail("expected name, width, height, style and source");
        SpriteEntry entry;
        entry.line = number;
        entry.name = fields[0];
        if (entry.name.empty() || entry.name.find_first_of("<>&\"' ") != std::string::npos)
            return fail("bad frame name '" + entry.name + "'");
        const auto width = parseSide(fields[1]);
        const auto height = parseSide(fields[2]);
        if (!width || !height) return fail("bad size for " + entry.name);
        entry.width = *width;
        entry.height = *height;
        entry.style = fields[3];
        if (entry.style.empty()) return fail("no style for " + entry.name);
        for (const auto& source : split(fields[4] == "-" ? std::string() : fields[4], '+')) {
            if (source.empty() || source.find("..") != std::string::npos || source[0] == '/')
                return fail("bad source '" + fields[4] + "' for " + entry.name);
            entry.sources.push_back(source);
        }
        for (size_t i = 5; i < fields.size(); ++i) {
            for (const auto& option : split(fields[i], ' ')) {
                if (option.empty()) continue;
                const auto equals = option.find('=');
                if (equals == std::string::npos || equals == 0)
                    return fail("option '" + option + "' is not key=value");
                entry.options[option.substr(0, equals)] = option.substr(equals + 1);
            }
        }
        if (!names.insert(entry.name).second) return fail("duplicate frame " + entry.name);
        manifest.entries_.push_back(std::move(entry));
    }
    if (manifest.entries_.empty()) {
        error = "0: no frames";
        return std::nullopt;
    }
    return manifest;
}
