#pragma once

#include <string>
#include <vector>

// Writes the sprite-frame list as an XML property list in the TexturePacker "format 2" layout
// that the engine's sprite-frame cache reads: a "frames" dictionary keyed by frame name and a
// "metadata" dictionary naming the texture and its size. Frames are never rotated or trimmed.
class PlistWriter {
public:
    struct Frame {
        std::string name;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    static std::string write(const std::vector<Frame>& frames, const std::string& textureFileName,
                             int sheetWidth, int sheetHeight);
};
