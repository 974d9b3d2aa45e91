#include "SheetReader.h"

#include <pugixml.hpp>

#include <cstdio>
#include <fstream>

namespace {

// The value element that follows <key>name</key> inside a <dict>.
pugi::xml_node valueOf(pugi::xml_node dict, const char* key) {
    for (pugi::xml_node node = dict.first_child(); node; node = node.next_sibling()) {
        if (std::string(node.name()) == "key" && std::string(node.child_value()) == key)
            return node.next_sibling();
    }
    return {};
}

}  // namespace

std::optional<SheetReader> SheetReader::load(const std::string& plistPath, std::string& error) {
    pugi::xml_document document;
    const auto parsed = document.load_file(plistPath.c_str());
    if (!parsed) {
        error = plistPath + ": " + parsed.description();
        return std::nullopt;
    }
    pugi::xml_node root = document.child("plist").child("dict");
    pugi::xml_node frames = valueOf(root, "frames");
    pugi::xml_node metadata = valueOf(root, "metadata");
    if (std::string(frames.name()) != "dict" || std::string(metadata.name()) != "dict") {
        error = plistPath + ": no frames or metadata dictionary";
        return std::nullopt;
    }
    SheetReader sheet;
    for (pugi::xml_node key = frames.child("key"); key; key = key.next_sibling("key")) {
        pugi::xml_node dict = key.next_sibling();
        Frame frame;
        const std::string rect = valueOf(dict, "frame").child_value();
        if (std::sscanf(rect.c_str(), "{{%d,%d},{%d,%d}}", &frame.frame.x, &frame.frame.y, &frame.frame.width,
                        &frame.frame.height) != 4) {
            error = std::string("bad frame rectangle for ") + key.child_value();
            return std::nullopt;
        }
        frame.offset = valueOf(dict, "offset").child_value();
        frame.rotated = std::string(valueOf(dict, "rotated").name()) != "false";
        frame.sourceColorRect = valueOf(dict, "sourceColorRect").child_value();
        frame.sourceSize = valueOf(dict, "sourceSize").child_value();
        sheet.frames_[key.child_value()] = frame;
    }
    sheet.format_ = valueOf(metadata, "format").text().as_int();
    sheet.textureFileName_ = valueOf(metadata, "textureFileName").child_value();
    sheet.realTextureFileName_ = valueOf(metadata, "realTextureFileName").child_value();
    sheet.size_ = valueOf(metadata, "size").child_value();
    return sheet;
}

std::vector<std::string> readListFile(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        lines.push_back(line);
    }
    return lines;
}
