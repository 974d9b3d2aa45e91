#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// Reads a sprite-sheet property list the way the engine's frame cache does, for the tests.
class SheetReader {
public:
    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    struct Frame {
        Rect frame;
        std::string offset;
        bool rotated = true;
        std::string sourceColorRect;
        std::string sourceSize;
    };

    static std::optional<SheetReader> load(const std::string& plistPath, std::string& error);

    const std::map<std::string, Frame>& frames() const { return frames_; }
    int format() const { return format_; }
    const std::string& textureFileName() const { return textureFileName_; }
    const std::string& realTextureFileName() const { return realTextureFileName_; }
    const std::string& size() const { return size_; }

private:
    std::map<std::string, Frame> frames_;
    int format_ = 0;
    std::string textureFileName_;
    std::string realTextureFileName_;
    std::string size_;
};

// Non-empty, non-comment lines of a text file; empty when the file cannot be read.
std::vector<std::string> readListFile(const std::string& path);
