#include "CCTexture2D.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>

#include "CCCommon.h"

NS_CC_BEGIN

namespace {
// GL names of freed textures with the context generation they belong to. Never destroyed: textures
// held by other static caches (the font atlases) are freed after this file's statics would be.
std::vector<std::pair<unsigned int, unsigned int>>& releasedNames() {
    static auto* names = new std::vector<std::pair<unsigned int, unsigned int>>();
    return *names;
}
}  // namespace

CCTexture2D::~CCTexture2D() {
    if (glName_) releasedNames().emplace_back(glName_, glGeneration_);
}

std::vector<unsigned int> CCTexture2D::takeReleasedNames(unsigned int generation) {
    std::vector<unsigned int> names;
    // Names of other (ended) contexts died with them.
    for (const auto& [name, owner] : releasedNames())
        if (owner == generation) names.push_back(name);
    releasedNames().clear();
    return names;
}

bool CCTexture2D::initWithImageFile(const std::string& fullPath) {
    SDL_Surface* loaded = IMG_Load(fullPath.c_str());
    if (!loaded) {
        CCLog("CCTexture2D: cannot load image %s: %s", fullPath.c_str(), IMG_GetError());
        return false;
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba) {
        CCLog("CCTexture2D: cannot convert image %s: %s", fullPath.c_str(), SDL_GetError());
        return false;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(rgba->w) * rgba->h * 4);
    SDL_LockSurface(rgba);
    for (int row = 0; row < rgba->h; ++row)
        std::memcpy(&pixels[static_cast<size_t>(row) * rgba->w * 4],
                    static_cast<const uint8_t*>(rgba->pixels) + static_cast<size_t>(row) * rgba->pitch,
                    static_cast<size_t>(rgba->w) * 4);
    SDL_UnlockSurface(rgba);
    int w = rgba->w, h = rgba->h;
    SDL_FreeSurface(rgba);
    if (!initWithRGBA(pixels.data(), w, h)) return false;
    path_ = fullPath;
    return true;
}

bool CCTexture2D::initWithRGBA(const uint8_t* pixels, int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        CCLog("CCTexture2D: refusing an image of %d x %d pixels", width, height);
        return false;
    }
    width_ = width;
    height_ = height;
    size_t bytes = static_cast<size_t>(width) * height * 4;
    if (pixels)
        pixels_.assign(pixels, pixels + bytes);
    else
        pixels_.assign(bytes, 0);
    dirty_ = true;
    ++revision_;
    return true;
}

void CCTexture2D::updateRegion(int x, int y, int width, int height, const uint8_t* pixels) {
    if (!pixels) return;
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + width, width_), y1 = std::min(y + height, height_);
    if (x1 <= x0 || y1 <= y0) return;
    for (int row = y0; row < y1; ++row)
        std::memcpy(&pixels_[(static_cast<size_t>(row) * width_ + x0) * 4],
                    pixels + (static_cast<size_t>(row - y) * width + (x0 - x)) * 4,
                    static_cast<size_t>(x1 - x0) * 4);
    dirty_ = true;
    ++revision_;
}

uint32_t CCTexture2D::pixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

NS_CC_END
