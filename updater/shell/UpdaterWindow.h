#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>
#include <string>

#include "AboutBox.h"
#include "DialogPainter.h"

class UpdateSession;

// The updater's dialog: a small borderless window that shows an UpdateSession's progress bar and texts
// and drives it, one tick() every UpdateSession::TICK_MS. A small "?" button (or F1, or A) opens the About
// box. Closing the window is ignored: the run ends when the session has started the terminal.
// Main thread only; SDL video must be usable (open() says when it is not).
class UpdaterWindow {
public:
    struct Options {
        std::string fontPath;
        std::string screenshotPath;  // empty: no screenshot
        double screenshotAfter = 0.0;
    };

    UpdaterWindow(UpdateSession& session, Options options);
    ~UpdaterWindow();
    UpdaterWindow(const UpdaterWindow&) = delete;
    UpdaterWindow& operator=(const UpdaterWindow&) = delete;

    // False (with SDL's reason logged) when no window can be made; the caller then runs without one.
    bool open();
    // Starts the session and runs until it asks to quit.
    void run();

private:
    void handleEvent(const SDL_Event& event);
    void draw();
    void saveScreenshot();
    bool overAboutButton(int x, int y) const;

    UpdateSession& session_;
    Options options_;
    bool sdlStarted_ = false;
    bool ttfStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    TTF_Font* font_ = nullptr;
    SDL_Surface* iconSurface_ = nullptr;
    std::unique_ptr<DialogPainter> painter_;
    std::unique_ptr<AboutBox> about_;
    bool aboutButtonHovered_ = false;
    long long ticks_ = 0;
    long long screenshotTick_ = -1;
};
