#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <string>

// Draws the dialogs' parts with one SDL renderer: filled and framed rectangles, and UTF-8 texts whose
// textures are made once and kept. A missing font draws no text. Owns its textures; the renderer and
// the font belong to the caller and must outlive the painter.
class DialogPainter {
public:
    DialogPainter(SDL_Renderer* renderer, TTF_Font* font);
    ~DialogPainter();
    DialogPainter(const DialogPainter&) = delete;
    DialogPainter& operator=(const DialogPainter&) = delete;

    void fill(const SDL_Rect& area, SDL_Color colour);
    void frame(const SDL_Rect& area, SDL_Color colour);
    // Centred in `area` both ways.
    void textCentred(const std::string& text, const SDL_Rect& area, SDL_Color colour);
    void textAt(const std::string& text, int x, int y, SDL_Color colour);

private:
    SDL_Texture* texture(const std::string& text, SDL_Color colour, int* width, int* height);

    struct Cached {
        SDL_Texture* texture = nullptr;
        int width = 0;
        int height = 0;
    };

    SDL_Renderer* renderer_;
    TTF_Font* font_;
    std::map<std::string, Cached> cache_;
};
