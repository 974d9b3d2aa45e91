#include "AboutBox.h"

#include "UpdaterLog.h"

namespace {

constexpr const char* TITLE = "关于 Brevanix";
constexpr const char* VERSION_TEXT = "Brevanix，1.0 版";
constexpr const char* OK_TEXT = "确定";

// 170 x 62 dialog units at the dialog font's 7 x 15 pixel base units.
constexpr int WIDTH = 298;
constexpr int HEIGHT = 116;
constexpr SDL_Rect ICON_AREA{24, 26, 32, 32};
constexpr int TEXT_X = 74;
constexpr int TEXT_Y = 34;
constexpr SDL_Rect OK_BUTTON{198, 77, 88, 26};

constexpr SDL_Color BACKGROUND{23, 27, 41, 255};
constexpr SDL_Color TEXT{250, 250, 250, 255};
constexpr SDL_Color BUTTON{48, 131, 255, 255};
constexpr SDL_Color BUTTON_HOVER{82, 154, 255, 255};

}  // namespace

AboutBox::AboutBox(TTF_Font* font, SDL_Surface* icon) : font_(font), icon_(icon) {}

AboutBox::~AboutBox() {
    close();
}

bool AboutBox::open() {
    if (window_ != nullptr) {
        SDL_RaiseWindow(window_);
        return true;
    }
    window_ = SDL_CreateWindow(TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WIDTH, HEIGHT, 0);
    if (window_ == nullptr) {
        UpdaterLog::warn("cannot open the About box: %s", SDL_GetError());
        return false;
    }
    if (icon_ != nullptr) SDL_SetWindowIcon(window_, icon_);
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        UpdaterLog::warn("cannot draw the About box: %s", SDL_GetError());
        close();
        return false;
    }
    if (icon_ != nullptr) iconTexture_ = SDL_CreateTextureFromSurface(renderer_, icon_);
    painter_ = std::make_unique<DialogPainter>(renderer_, font_);
    okHovered_ = false;
    draw();
    return true;
}

void AboutBox::close() {
    painter_.reset();
    if (iconTexture_ != nullptr) SDL_DestroyTexture(iconTexture_);
    iconTexture_ = nullptr;
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

bool AboutBox::handleEvent(const SDL_Event& event) {
    if (window_ == nullptr) return false;
    const Uint32 id = SDL_GetWindowID(window_);
    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.windowID != id) return false;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) close();
            return true;
        case SDL_KEYDOWN:
            if (event.key.windowID != id) return false;
            if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER ||
                event.key.keysym.sym == SDLK_ESCAPE || event.key.keysym.sym == SDLK_SPACE) {
                close();
            }
            return true;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID != id) return false;
            okHovered_ = overOkButton(event.motion.x, event.motion.y);
            return true;
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID != id) return false;
            if (event.button.button == SDL_BUTTON_LEFT && overOkButton(event.button.x, event.button.y))
                close();
            return true;
        case SDL_MOUSEBUTTONDOWN:
            return event.button.windowID == id;
        default:
            return false;
    }
}

void AboutBox::draw() {
    if (renderer_ == nullptr) return;
    SDL_SetRenderDrawColor(renderer_, BACKGROUND.r, BACKGROUND.g, BACKGROUND.b, 255);
    SDL_RenderClear(renderer_);
    if (iconTexture_ != nullptr) SDL_RenderCopy(renderer_, iconTexture_, nullptr, &ICON_AREA);
    painter_->textAt(VERSION_TEXT, TEXT_X, TEXT_Y, TEXT);
    painter_->fill(OK_BUTTON, okHovered_ ? BUTTON_HOVER : BUTTON);
    painter_->textCentred(OK_TEXT, OK_BUTTON, TEXT);
    SDL_RenderPresent(renderer_);
}

bool AboutBox::overOkButton(int x, int y) const {
    const SDL_Point point{x, y};
    return SDL_PointInRect(&point, &OK_BUTTON) == SDL_TRUE;
}
