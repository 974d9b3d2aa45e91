#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

// An RGBA image the renderer can draw. The pixels stay in memory (rows top first, 4 bytes per
// pixel, straight alpha), so textures work headless; the GL backend uploads them on first use and
// again after updateRegion. Texture coordinates are 0..1 over the image with v downwards.
// Main thread only.
class CCTexture2D : public CCObject {
public:
    CCTexture2D() = default;
    ~CCTexture2D() override;

    // PNG or JPG (SDL2_image). False, with a log line, when the file cannot be read.
    bool initWithImageFile(const std::string& fullPath);
    // Copies width * height RGBA pixels (null: transparent).
    bool initWithRGBA(const uint8_t* pixels, int width, int height);
    // Replaces a rectangle of pixels (x, y from the top left); out-of-range parts are cut.
    void updateRegion(int x, int y, int width, int height, const uint8_t* pixels);

    int getPixelsWide() const { return width_; }
    int getPixelsHigh() const { return height_; }
    CCSize getContentSize() const { return CCSize(static_cast<float>(width_), static_cast<float>(height_)); }
    const std::string& getPath() const { return path_; }
    const std::vector<uint8_t>& getPixels() const { return pixels_; }
    // RGBA of one pixel, for tests; zeros outside the image.
    uint32_t pixelAt(int x, int y) const;

    // Linear filtering (the default) or nearest.
    void setAntiAliasTexParameters() { antiAlias_ = true; }
    void setAliasTexParameters() { antiAlias_ = false; }
    bool isAntiAlias() const { return antiAlias_; }

    // GL side, used by the GL backend only. A name belongs to one GL context (generation): a texture
    // met by a later context is uploaded again.
    unsigned int getName() const { return glName_; }
    unsigned int getNameGeneration() const { return glGeneration_; }
    void setName(unsigned int name, unsigned int generation) {
        glName_ = name;
        glGeneration_ = generation;
    }
    bool isDirty() const { return dirty_; }
    // Counts changes of the pixels: a drawing of the same texture at another revision looks different.
    unsigned int getRevision() const { return revision_; }
    void markUploaded() { dirty_ = false; }
    // GL names of the given context generation freed since the last call; the GL backend deletes them.
    static std::vector<unsigned int> takeReleasedNames(unsigned int generation);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    std::string path_;
    bool antiAlias_ = true;
    bool dirty_ = true;
    unsigned int revision_ = 0;
    unsigned int glName_ = 0;
    unsigned int glGeneration_ = 0;
};

NS_CC_END
