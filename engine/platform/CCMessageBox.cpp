#include "CCMessageBox.h"

#include <SDL.h>

#include <clocale>
#include <cstdio>
#include <cstring>

NS_CC_BEGIN

bool CCMessageBox(const char* message, const char* title) {
    // The box draws with X core fonts, which cover only the characters of the locale's encoding: a
    // UTF-8 one is needed for any text beyond Latin-1.
    const char* locale = std::setlocale(LC_CTYPE, "");
    if (!locale || (!std::strstr(locale, "UTF-8") && !std::strstr(locale, "utf8")))
        std::setlocale(LC_CTYPE, "C.UTF-8");
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, nullptr) == 0) return true;
    std::fprintf(stderr, "message box: %s\n", SDL_GetError());
    return false;
}

NS_CC_END
