#pragma once

#include <SDL.h>

// The updater's icon, drawn in code: a dark square with a rising blue bar, the colours of the dialog.
class AppIcon {
public:
    static constexpr int SIZE = 32;
    // A new SDL_Surface the caller frees, or null when SDL cannot make one.
    static SDL_Surface* create();
};
