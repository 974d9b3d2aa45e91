#include "CCDevice.h"

#include <SDL.h>

#include <cmath>

NS_CC_BEGIN

namespace {
constexpr int DEFAULT_DPI = 96;
}

int CCDevice::getDPI() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return DEFAULT_DPI;
    float dpi = 0;
    if (SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) != 0 || !(dpi >= 1) || !std::isfinite(dpi))
        return DEFAULT_DPI;
    return static_cast<int>(std::lround(dpi));
}

NS_CC_END
