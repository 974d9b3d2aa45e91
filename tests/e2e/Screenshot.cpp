#include "Screenshot.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>

std::optional<Screenshot> Screenshot::load(const std::string& path, std::string& error) {
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) {
        error = std::string("cannot read ") + path + ": " + IMG_GetError();
        return std::nullopt;
    }
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!converted) {
        error = std::string("cannot convert ") + path + ": " + SDL_GetError();
        return std::nullopt;
    }
    Screenshot shot;
    shot.width_ = converted->w;
    shot.height_ = converted->h;
    shot.path_ = path;
    shot.rgb_.resize(static_cast<size_t>(shot.width_) * shot.height_ * 3);
    for (int y = 0; y < shot.height_; ++y) {
        std::memcpy(
            shot.rgb_.data() + static_cast<size_t>(y) * shot.width_ * 3,
            static_cast<const uint8_t*>(converted->pixels) + static_cast<size_t>(y) * converted->pitch,
            static_cast<size_t>(shot.width_) * 3);
    }
    SDL_FreeSurface(converted);
    return shot;
}

Rgb Screenshot::at(int x, int y) const {
    const uint8_t* pixel = rgb_.data() + (static_cast<size_t>(y) * width_ + x) * 3;
    return {pixel[0], pixel[1], pixel[2]};
}

int Screenshot::count(const PixelRect& rect, const std::function<bool(Rgb)>& test) const {
    int found = 0;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, width_); ++x)
            found += test(at(x, y)) ? 1 : 0;
    return found;
}

int Screenshot::rowSpan(const PixelRect& rect, const std::function<bool(Rgb)>& test) const {
    int first = -1, last = -1;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y) {
        if (count({rect.left, y, rect.right, y + 1}, test) == 0) continue;
        if (first < 0) first = y;
        last = y;
    }
    return first < 0 ? 0 : last - first + 1;
}
