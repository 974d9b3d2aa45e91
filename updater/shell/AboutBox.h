#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>

#include "DialogPainter.h"

// The About box: a small window of its own titled "关于 Brevanix" with the program's icon, name and
// version and an OK button ("确定"). It closes on OK, Enter, Escape or its window's close button. The
// font and icon belong to the caller and must outlive the box. Main thread only.
class AboutBox {
public:
    AboutBox(TTF_Font* font, SDL_Surface* icon);
    ~AboutBox();
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    // Opens the box, or raises it when it is already open; false when SDL cannot make the window.
    bool open();
    void close();
    bool isOpen() const { return window_ != nullptr; }

    // True when the event belonged to the box's window (and was handled there).
    bool handleEvent(const SDL_Event& event);
    void draw();

private:
    bool overOkButton(int x, int y) const;

    TTF_Font* font_;
    SDL_Surface* icon_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* iconTexture_ = nullptr;
    std::unique_ptr<DialogPainter> painter_;
    bool okHovered_ = false;
};
