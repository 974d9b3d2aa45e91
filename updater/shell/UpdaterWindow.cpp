#include "UpdaterWindow.h"

#include <SDL_image.h>

#include <cmath>
#include <utility>

#include "AppIcon.h"
#include "UpdateSession.h"
#include "UpdaterLog.h"

namespace {

constexpr const char* TITLE = "Zento 自动更新程序";
constexpr const char* UPDATING_TEXT = "zento行情正在更新...";
constexpr const char* FINISHED_TEXT = "更新完成!正在启动Zento行情...";

// The dialog is laid out in dialog units of its 9 pt font, whose base units are 7 x 15 pixels: one unit
// is 7/4 pixels across and 15/8 pixels down.
constexpr int unitsX(int units) {
    return (units * 7 + 2) / 4;
}
constexpr int unitsY(int units) {
    return (units * 15 + 4) / 8;
}

constexpr int WIDTH = unitsX(226);
constexpr int HEIGHT = unitsY(83);
constexpr SDL_Rect PROGRESS_BAR{unitsX(16), unitsY(21), unitsX(193), unitsY(11)};
constexpr SDL_Rect UPDATING_AREA{unitsX(7), unitsY(55), unitsX(212), unitsY(8)};
constexpr SDL_Rect FINISHED_AREA{unitsX(7), unitsY(56), unitsX(212), unitsY(8)};
constexpr SDL_Rect ABOUT_BUTTON{WIDTH - 24, 6, 18, 18};
constexpr int FONT_PIXELS = 12;  // 9 pt at 96 dpi

constexpr SDL_Color BACKGROUND{23, 27, 41, 255};
constexpr SDL_Color TEXT{250, 250, 250, 255};
constexpr SDL_Color BAR_TRACK{40, 46, 66, 255};
constexpr SDL_Color BAR_FRAME{74, 82, 108, 255};
constexpr SDL_Color BAR_FILL{48, 131, 255, 255};
constexpr SDL_Color ABOUT_IDLE{120, 128, 150, 255};
constexpr SDL_Color ABOUT_HOVER{250, 250, 250, 255};

}  // namespace

UpdaterWindow::UpdaterWindow(UpdateSession& session, Options options)
    : session_(session), options_(std::move(options)) {}

UpdaterWindow::~UpdaterWindow() {
    about_.reset();
    painter_.reset();
    if (iconSurface_ != nullptr) SDL_FreeSurface(iconSurface_);
    if (font_ != nullptr) TTF_CloseFont(font_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (ttfStarted_) TTF_Quit();
    if (sdlStarted_) SDL_Quit();
}

bool UpdaterWindow::open() {
    // Signals keep their default meaning: a TERM must end the updater, not become an ignored close.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        UpdaterLog::warn("no video: %s", SDL_GetError());
        return false;
    }
    sdlStarted_ = true;
    window_ = SDL_CreateWindow(TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WIDTH, HEIGHT,
                               SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (window_ == nullptr) {
        UpdaterLog::warn("cannot open the window: %s", SDL_GetError());
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        UpdaterLog::warn("cannot draw in the window: %s", SDL_GetError());
        return false;
    }
    iconSurface_ = AppIcon::create();
    if (iconSurface_ != nullptr) SDL_SetWindowIcon(window_, iconSurface_);

    if (TTF_Init() == 0) {
        ttfStarted_ = true;
        font_ = TTF_OpenFontIndex(options_.fontPath.c_str(), FONT_PIXELS, 0);
        if (font_ == nullptr)
            UpdaterLog::warn("cannot load the font %s: %s", options_.fontPath.c_str(), TTF_GetError());
    } else {
        UpdaterLog::warn("no text drawing: %s", TTF_GetError());
    }
    painter_ = std::make_unique<DialogPainter>(renderer_, font_);
    about_ = std::make_unique<AboutBox>(font_, iconSurface_);
    if (!options_.screenshotPath.empty()) {
        screenshotTick_ = std::lround(options_.screenshotAfter * 1000.0 / UpdateSession::TICK_MS);
    }
    return true;
}

void UpdaterWindow::run() {
    session_.start();
    draw();
    Uint64 nextTick = SDL_GetTicks64() + UpdateSession::TICK_MS;
    while (!session_.quitRequested()) {
        const Uint64 now = SDL_GetTicks64();
        if (now < nextTick) {
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, static_cast<int>(nextTick - now)) != 0) {
                handleEvent(event);
                while (SDL_PollEvent(&event) != 0) handleEvent(event);
            }
            continue;
        }
        session_.tick();
        ++ticks_;
        // After a stall (a slow disk, a suspended machine) carry on at the normal pace, not in a burst.
        nextTick = now > nextTick + 10 * UpdateSession::TICK_MS ? now + UpdateSession::TICK_MS
                                                                : nextTick + UpdateSession::TICK_MS;
        draw();
        if (about_->isOpen()) about_->draw();
    }
    if (screenshotTick_ > ticks_) UpdaterLog::warn("the run ended before the screenshot was due");
}

void UpdaterWindow::handleEvent(const SDL_Event& event) {
    if (about_->handleEvent(event)) return;
    switch (event.type) {
        case SDL_QUIT:
            UpdaterLog::info("close request ignored: the update is running");
            break;
        case SDL_MOUSEMOTION:
            aboutButtonHovered_ = overAboutButton(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT && overAboutButton(event.button.x, event.button.y)) {
                about_->open();
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_F1 || event.key.keysym.sym == SDLK_a) about_->open();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) draw();
            break;
        default:
            break;
    }
}

void UpdaterWindow::draw() {
    painter_->fill({0, 0, WIDTH, HEIGHT}, BACKGROUND);

    painter_->fill(PROGRESS_BAR, BAR_TRACK);
    const int percent = session_.progressPercent();
    const SDL_Rect filled{PROGRESS_BAR.x + 1, PROGRESS_BAR.y + 1, (PROGRESS_BAR.w - 2) * percent / 100,
                          PROGRESS_BAR.h - 2};
    if (filled.w > 0) painter_->fill(filled, BAR_FILL);
    painter_->frame(PROGRESS_BAR, BAR_FRAME);

    if (session_.completionShown()) {
        painter_->textCentred(FINISHED_TEXT, FINISHED_AREA, TEXT);
    } else {
        painter_->textCentred(UPDATING_TEXT, UPDATING_AREA, TEXT);
    }

    const SDL_Color aboutColour = aboutButtonHovered_ ? ABOUT_HOVER : ABOUT_IDLE;
    painter_->frame(ABOUT_BUTTON, aboutColour);
    painter_->textCentred("?", ABOUT_BUTTON, aboutColour);

    if (ticks_ == screenshotTick_) saveScreenshot();
    SDL_RenderPresent(renderer_);
}

void UpdaterWindow::saveScreenshot() {
    SDL_Surface* shot = SDL_CreateRGBSurfaceWithFormat(0, WIDTH, HEIGHT, 32, SDL_PIXELFORMAT_ARGB8888);
    if (shot == nullptr) {
        UpdaterLog::error("cannot take the screenshot: %s", SDL_GetError());
        return;
    }
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, shot->pixels, shot->pitch) != 0 ||
        IMG_SavePNG(shot, options_.screenshotPath.c_str()) != 0) {
        UpdaterLog::error("cannot save the screenshot %s: %s", options_.screenshotPath.c_str(),
                          SDL_GetError());
    } else {
        UpdaterLog::info("screenshot saved to %s", options_.screenshotPath.c_str());
    }
    SDL_FreeSurface(shot);
}

bool UpdaterWindow::overAboutButton(int x, int y) const {
    const SDL_Point point{x, y};
    return SDL_PointInRect(&point, &ABOUT_BUTTON) == SDL_TRUE;
}
