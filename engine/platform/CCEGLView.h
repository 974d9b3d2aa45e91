#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CCGeometry.h"

struct SDL_Window;
union SDL_Event;

NS_CC_BEGIN

class CCTouch;
class CCGLRenderer;

// The one window: an SDL2 window with an OpenGL 2.1 compatibility context (8 stencil bits),
// created on the first setFrameSize (or by CCApplication::run). Until then the setters only
// remember their values, so the program entry can configure it in any order.
//
// Window events become engine calls: the left mouse button is touch 0 for the director's touch
// dispatcher, motion and wheel go to its mouse dispatcher, keys to CCKeyboard, the keypad
// dispatcher and the focused text field; resize, minimise, restore, close and focus changes call
// the CCApplication virtuals (onWindowResized with 0 restored / 1 minimised / 2 maximised,
// applicationDidEnterBackground / applicationWillEnterForeground, applicationWillClose,
// setWindowActive). Window coordinates (y down) become GL coordinates (y up) here.
// Main thread only.
class CCEGLView {
public:
    static CCEGLView* sharedOpenGLView();
    // Closes the window and forgets the view (end of the process, tests).
    static void purgeSharedOpenGLView();

    void setViewName(const char* name);
    const std::string& getViewName() const { return viewName_; }
    // How the desktop matches the window to its menu entry: the X11 class (the entry's StartupWMClass)
    // and the Wayland app id (the entry's file name without ".desktop"). Takes effect for a window made
    // afterwards; an SDL_VIDEO_X11_WMCLASS or SDL_VIDEO_WAYLAND_WMCLASS the user set wins.
    void setWindowClass(const std::string& x11Class, const std::string& waylandAppId);
    // The window's icon, an image under the search paths; a missing or broken file is logged and the
    // window keeps the default icon.
    void setIconFile(const std::string& path);
    // The client area in pixels; creates the window on first call.
    void setFrameSize(float width, float height);
    CCSize getFrameSize() const { return frameSize_; }
    // The smallest client area the user can resize the window to.
    void setMinFrameSize(float width, float height);
    CCSize getMinFrameSize() const { return minSize_; }
    // Told the new client size after a resize: keeps the frame size (and the GL viewport) in step.
    void resize(int width, int height);

    // Window position (top left, screen pixels) and client size. setWinRect raises a size below the
    // minimum to it and moves a rectangle that lies off every screen onto the first one.
    CCRect getWinRect() const;
    void setWinRect(const CCRect& rect);
    void enterFullscreen();
    void exitFullscreen();
    bool isFullscreen() const { return fullscreen_; }
    void LoadArrowCursor();
    void LoadSizeCursor();
    // Device pixels per window point.
    float getScaleX() const { return pixelScale_; }
    float getScaleY() const { return pixelScale_; }

    // Starts a program without waiting for it, in its own session. The command line is split into
    // the program (the longest leading part, up to a blank, that names an existing file; else the
    // first word) and one argument (all the rest, blanks included). False, logged, on failure.
    bool callUpdate(const char* commandLine);
    bool callUpdate(const std::vector<std::string>& argv);

    // Creates the window and the GL context and attaches the renderer to the director.
    // False, logged, when there is no display or no suitable GL context.
    bool createWindow();
    bool isOpenGLReady() const { return window_ != nullptr; }
    // Handles every pending window event.
    void pollEvents();
    // Sleeps until a window event arrives, a worker hands the main thread a function, or seconds
    // pass; true when woken by an event (left in the queue for pollEvents).
    bool waitForEvent(double seconds);
    // Seconds until this view wants a frame of its own (a screenshot due), infinity when none.
    double secondsUntilWanted() const;
    // A screenshot asked for from outside is waiting; the loop looks every pollSlice() seconds.
    bool frameWantedNow() const { return screenshotPending_ && screenshotPending_(); }
    double pollSlice() const { return screenshotPending_ ? SIGNAL_POLL_SECONDS : 1.0; }
    // Reports the current client size to the application as a resize. SDL sends no event for the
    // size a window opens with, while the application expects to hear of it like of every later one.
    void reportCurrentSize();
    void swapBuffers();
    // Closes the window (the director keeps running headless).
    void end();

    // Saves the first frame drawn once the director's clock reaches afterSeconds as a PNG (read
    // from the back buffer before the swap), then ends the director. getExitCode tells whether it worked.
    void scheduleScreenshot(const std::string& path, double afterSeconds);
    // Saves the back buffer now (call after the frame is drawn, before the swap), or only region of
    // it (design units, origin bottom left) when region is not empty. False, logged, on failure.
    bool saveScreenshot(const std::string& path, const CCRect& region = CCRect());
    // Saves region of the next drawn frame as saveScreenshot does and tells done whether it worked.
    // A later request replaces one not yet taken (whose done is told false).
    void captureRegionAfterFrame(const std::string& path, const CCRect& region,
                                 std::function<void(bool)> done);
    // Asked after every drawn frame, before the swap: a non-empty path saves that frame there. This is
    // how a trigger from outside the main thread (a signal handler can only set a flag) gets a frame.
    // pending tells, without taking it, whether the hook has a path to hand out: a sleeping loop
    // checks it every SIGNAL_POLL_SECONDS.
    void setScreenshotHook(std::function<std::string()> hook, std::function<bool()> pending = nullptr) {
        screenshotHook_ = std::move(hook);
        screenshotPending_ = std::move(pending);
    }
    static constexpr double SIGNAL_POLL_SECONDS = 0.1;
    int getExitCode() const { return exitCode_; }

    // Input in window coordinates (origin top left, y down); the event loop calls these, tests may too.
    void handleMouseDown(float x, float y);
    void handleMouseMove(float x, float y);
    void handleMouseUp(float x, float y);
    void handleMouseWheel(int keys, float delta);
    void handleKey(int keyCode, bool down);
    void handleTextInput(const std::string& utf8);

private:
    CCEGLView();
    ~CCEGLView();
    void handleEvent(const SDL_Event& event);
    void handleWindowEvent(const SDL_Event& event);
    void notifyResize(int sizeType, int width, int height);
    void afterFrame();
    void applyIcon();
    CCPoint toGL(float x, float y) const { return CCPoint(x, frameSize_.height - y); }

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    CCGLRenderer* renderer_ = nullptr;
    std::string viewName_ = "Zento";
    std::string x11Class_;
    std::string waylandAppId_;
    std::string iconFile_;
    CCSize frameSize_{900, 600};
    CCSize minSize_;
    bool havePendingRect_ = false;
    CCRect pendingRect_;
    bool fullscreen_ = false;
    bool minimized_ = false;
    bool closing_ = false;
    float pixelScale_ = 1;
    CCTouch* touch_ = nullptr;
    CCPoint mouse_;
    std::string screenshotPath_;
    double screenshotAfter_ = 0;
    std::function<std::string()> screenshotHook_;
    struct RegionCapture {
        std::string path;
        CCRect region;
        std::function<void(bool)> done;
    };
    std::vector<RegionCapture> regionCaptures_;
    std::function<bool()> screenshotPending_;
    int exitCode_ = 0;
    std::vector<int> children_;
};

NS_CC_END
