#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

// A rectangle in image coordinates: origin top left, y down, right and bottom excluded.
struct PixelRect {
    int left, top, right, bottom;
};

// A PNG screenshot as plain RGB pixels.
class Screenshot {
public:
    // Nothing, with error set, when the file cannot be read as an image.
    static std::optional<Screenshot> load(const std::string& path, std::string& error);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& path() const { return path_; }
    Rgb at(int x, int y) const;
    // Pixels of rect (clipped to the image) for which test holds.
    int count(const PixelRect& rect, const std::function<bool(Rgb)>& test) const;
    // Rows from the first to the last one of rect that hold a pixel for which test holds; 0 for none.
    int rowSpan(const PixelRect& rect, const std::function<bool(Rgb)>& test) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::string path_;
    std::vector<uint8_t> rgb_;
};
