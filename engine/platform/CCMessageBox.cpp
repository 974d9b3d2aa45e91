#include "CCMessageBox.h"

#include <SDL.h>

#include <cstdio>

NS_CC_BEGIN

bool CCMessageBox(const char* message, const char* title) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, nullptr) == 0) return true;
    std::fprintf(stderr, "message box: %s\n", SDL_GetError());
    return false;
}

NS_CC_END
