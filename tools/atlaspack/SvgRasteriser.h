#pragma once

#include <string>

// Runs the rsvg-convert program to turn one SVG file into a PNG of the SVG's own size.
class SvgRasteriser {
public:
    explicit SvgRasteriser(std::string program) : program_(std::move(program)) {}

    // Waits for the program; false with a message when it cannot start or exits non-zero.
    bool rasterise(const std::string& svgPath, const std::string& pngPath, std::string& error) const;

private:
    std::string program_;
};
