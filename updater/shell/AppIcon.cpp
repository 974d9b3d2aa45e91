#include "AppIcon.h"

SDL_Surface* AppIcon::create() {
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, SIZE, SIZE, 32, SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr) return nullptr;
    const SDL_Rect whole{0, 0, SIZE, SIZE};
    SDL_FillRect(icon, &whole, SDL_MapRGB(icon->format, 23, 27, 41));
    const SDL_Rect frame[] = {
        {0, 0, SIZE, 2}, {0, SIZE - 2, SIZE, 2}, {0, 0, 2, SIZE}, {SIZE - 2, 0, 2, SIZE}};
    SDL_FillRects(icon, frame, 4, SDL_MapRGB(icon->format, 48, 131, 255));
    // Four rising columns, like a small chart being filled in.
    for (int column = 0; column < 4; ++column) {
        const int height = 6 + column * 5;
        const SDL_Rect bar{6 + column * 6, SIZE - 6 - height, 4, height};
        SDL_FillRect(
            icon, &bar,
            column == 3 ? SDL_MapRGB(icon->format, 250, 250, 250) : SDL_MapRGB(icon->format, 48, 131, 255));
    }
    return icon;
}
