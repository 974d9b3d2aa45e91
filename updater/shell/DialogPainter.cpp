#include "DialogPainter.h"

#include "UpdaterLog.h"

DialogPainter::DialogPainter(SDL_Renderer* renderer, TTF_Font* font) : renderer_(renderer), font_(font) {}

DialogPainter::~DialogPainter() {
    for (auto& [key, cached] : cache_) {
        if (cached.texture != nullptr) SDL_DestroyTexture(cached.texture);
    }
}

void DialogPainter::fill(const SDL_Rect& area, SDL_Color colour) {
    SDL_SetRenderDrawColor(renderer_, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderFillRect(renderer_, &area);
}

void DialogPainter::frame(const SDL_Rect& area, SDL_Color colour) {
    SDL_SetRenderDrawColor(renderer_, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderDrawRect(renderer_, &area);
}

void DialogPainter::textCentred(const std::string& text, const SDL_Rect& area, SDL_Color colour) {
    int width = 0;
    int height = 0;
    SDL_Texture* image = texture(text, colour, &width, &height);
    if (image == nullptr) return;
    const SDL_Rect target{area.x + (area.w - width) / 2, area.y + (area.h - height) / 2, width, height};
    SDL_RenderCopy(renderer_, image, nullptr, &target);
}

void DialogPainter::textAt(const std::string& text, int x, int y, SDL_Color colour) {
    int width = 0;
    int height = 0;
    SDL_Texture* image = texture(text, colour, &width, &height);
    if (image == nullptr) return;
    const SDL_Rect target{x, y, width, height};
    SDL_RenderCopy(renderer_, image, nullptr, &target);
}

SDL_Texture* DialogPainter::texture(const std::string& text, SDL_Color colour, int* width, int* height) {
    if (font_ == nullptr || text.empty()) return nullptr;
    const std::string key = text + '\x1f' + std::to_string(colour.r) + ',' + std::to_string(colour.g) + ',' +
                            std::to_string(colour.b);
    auto found = cache_.find(key);
    if (found == cache_.end()) {
        Cached made;
        SDL_Surface* surface = TTF_RenderUTF8_Blended(font_, text.c_str(), colour);
        if (surface == nullptr) {
            UpdaterLog::warn("cannot draw the text \"%s\": %s", text.c_str(), TTF_GetError());
        } else {
            made.texture = SDL_CreateTextureFromSurface(renderer_, surface);
            made.width = surface->w;
            made.height = surface->h;
            SDL_FreeSurface(surface);
        }
        found = cache_.emplace(key, made).first;
    }
    *width = found->second.width;
    *height = found->second.height;
    return found->second.texture;
}
