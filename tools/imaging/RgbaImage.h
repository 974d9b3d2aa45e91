#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One colour with straight (not premultiplied) alpha.
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
};

// An 8-bit RGBA picture held in memory, rows top to bottom, with PNG and JPEG file I/O.
// Used by the build-time resource tools only; every failure is returned with a readable message.
class RgbaImage {
public:
    RgbaImage() = default;
    // A transparent picture of the given size; sizes below 1 give an invalid picture.
    RgbaImage(int width, int height);

    bool isValid() const { return width_ > 0 && height_ > 0; }
    int width() const { return width_; }
    int height() const { return height_; }

    Rgba pixel(int x, int y) const;
    void setPixel(int x, int y, Rgba colour);
    void fill(Rgba colour);
    // Source-over blend of colour at the given coverage (0..1); points outside the picture are ignored.
    void blendPixel(int x, int y, Rgba colour, float coverage);
    // Copies the w x h block at (srcX, srcY) of source to (dstX, dstY); the block must lie inside both.
    void copyBlock(const RgbaImage& source, int srcX, int srcY, int w, int h, int dstX, int dstY);

    // Reads any PNG (palette, grey and 16-bit ones are converted to RGBA8).
    static std::optional<RgbaImage> loadPng(const std::string& path, std::string& error);
    // Both writers replace the file atomically (temporary file, then rename).
    bool savePng(const std::string& path, std::string& error) const;
    // Alpha is dropped: the caller composites first when the picture is not opaque.
    bool saveJpeg(const std::string& path, int quality, std::string& error) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

// Writes bytes to path through a temporary file in the same folder and a rename.
bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error);
