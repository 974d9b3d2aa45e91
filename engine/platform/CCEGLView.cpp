#include "CCEGLView.h"

#include <SDL.h>
#include <SDL_image.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "CCApplication.h"
#include "CCCommon.h"
#include "CCDirector.h"
#include "CCEvent.h"
#include "CCFileUtils.h"
#include "CCGLRenderer.h"
#include "CCIMEDispatcher.h"
#include "CCKeyboard.h"
#include "CCKeypadDispatcher.h"
#include "CCMouseDispatcher.h"
#include "CCScheduler.h"
#include "CCSet.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"

extern char** environ;

NS_CC_BEGIN

namespace {
CCEGLView* sharedView = nullptr;
bool glLibraryKept = false;
// An event of our own that only wakes the loop; one in the queue at a time is enough.
std::atomic<Uint32> wakeEventType{0};
std::atomic<bool> wakePending{false};

void wakeMainLoop() {
    const Uint32 type = wakeEventType.load();
    if (type == 0 || wakePending.exchange(true)) return;
    SDL_Event event{};
    event.type = type;
    if (SDL_PushEvent(&event) != 1) wakePending.store(false);
}

bool envSwitch(const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::strcmp(value, "0") != 0;
}

CCKeyCode keyFromSDL(int key) {
    switch (key) {
        case SDLK_LEFT:
            return kCCKeyLeft;
        case SDLK_RIGHT:
            return kCCKeyRight;
        case SDLK_UP:
            return kCCKeyUp;
        case SDLK_DOWN:
            return kCCKeyDown;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return kCCKeyEnter;
        case SDLK_ESCAPE:
            return kCCKeyEscape;
        case SDLK_BACKSPACE:
            return kCCKeyBackspace;
        case SDLK_DELETE:
            return kCCKeyDelete;
        case SDLK_HOME:
            return kCCKeyHome;
        case SDLK_END:
            return kCCKeyEnd;
        case SDLK_TAB:
            return kCCKeyTab;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return kCCKeyShift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return kCCKeyControl;
        case SDLK_KP_0:
            return kCCKey0;
        case SDLK_s:
            return kCCKeyS;
        default:
            break;
    }
    if (key >= SDLK_0 && key <= SDLK_9) return CCKeyboard::digitKey(key - SDLK_0);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return CCKeyboard::digitKey(key - SDLK_KP_1 + 1);
    return kCCKeyUnknown;
}

void dispatchTouch(CCTouch* touch, void (CCTouchDispatcher::*phase)(CCSet*, CCEvent*)) {
    // Not autoreleased: events are also handled while no frames run (minimised window).
    auto* set = new CCSet();
    set->addObject(touch);
    auto* event = new CCEvent();
    (CCDirector::sharedDirector()->getTouchDispatcher()->*phase)(set, event);
    event->release();
    set->release();
}
}  // namespace

CCEGLView* CCEGLView::sharedOpenGLView() {
    if (!sharedView) sharedView = new CCEGLView();
    return sharedView;
}

void CCEGLView::purgeSharedOpenGLView() {
    delete sharedView;
    sharedView = nullptr;
}

CCEGLView::CCEGLView() = default;

CCEGLView::~CCEGLView() {
    end();
    CC_SAFE_RELEASE(touch_);
}

void CCEGLView::setViewName(const char* name) {
    viewName_ = name ? name : "";
    if (window_) SDL_SetWindowTitle(window_, viewName_.c_str());
}

void CCEGLView::setWindowClass(const std::string& x11Class, const std::string& waylandAppId) {
    x11Class_ = x11Class;
    waylandAppId_ = waylandAppId;
}

void CCEGLView::setIconFile(const std::string& path) {
    iconFile_ = path;
    if (window_) applyIcon();
}

void CCEGLView::applyIcon() {
    if (iconFile_.empty()) return;
    const std::string fullPath = CCFileUtils::sharedFileUtils()->fullPathForFilename(iconFile_);
    SDL_Surface* icon = IMG_Load(fullPath.c_str());
    if (!icon) {
        CCLog("CCEGLView: no window icon from %s: %s", fullPath.c_str(), IMG_GetError());
        return;
    }
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

void CCEGLView::setFrameSize(float width, float height) {
    if (!(width > 0) || !(height > 0)) return;
    frameSize_ = CCSize(width, height);
    if (!window_) {
        createWindow();
        return;
    }
    SDL_SetWindowSize(window_, static_cast<int>(width), static_cast<int>(height));
    resize(static_cast<int>(width), static_cast<int>(height));
}

void CCEGLView::setMinFrameSize(float width, float height) {
    minSize_ = CCSize(std::max(width, 0.0f), std::max(height, 0.0f));
    if (window_)
        SDL_SetWindowMinimumSize(window_, static_cast<int>(minSize_.width),
                                 static_cast<int>(minSize_.height));
}

void CCEGLView::resize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    frameSize_ = CCSize(static_cast<float>(width), static_cast<float>(height));
    if (window_) {
        int pw = 0, ph = 0;
        SDL_GL_GetDrawableSize(window_, &pw, &ph);
        pixelScale_ = pw > 0 ? static_cast<float>(pw) / static_cast<float>(width) : 1.0f;
        if (renderer_) renderer_->setPixelScale(pixelScale_);
    }
}

bool CCEGLView::createWindow() {
    if (window_) return true;
    // SDL 2 reads the class names from the environment when the video system starts, and nowhere else.
    if (!x11Class_.empty()) setenv("SDL_VIDEO_X11_WMCLASS", x11Class_.c_str(), 0);
    if (!waylandAppId_.empty()) setenv("SDL_VIDEO_WAYLAND_WMCLASS", waylandAppId_.c_str(), 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        CCLog("CCEGLView: cannot start the video system: %s", SDL_GetError());
        exitCode_ = 1;
        return false;
    }
    // Keep the GL library loaded for the life of the process, even across windows: unloading Mesa's
    // drivers and loading them again for the next window gains nothing.
    if (!glLibraryKept) glLibraryKept = SDL_GL_LoadLibrary(nullptr) == 0;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Without stencil bits the stencil test is silently ignored and clipping nodes clip nothing.
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    window_ = SDL_CreateWindow(viewName_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               static_cast<int>(frameSize_.width), static_cast<int>(frameSize_.height),
                               SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) {
        CCLog("CCEGLView: cannot open the window: %s", SDL_GetError());
        exitCode_ = 1;
        return false;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        CCLog("CCEGLView: cannot create the OpenGL context: %s", SDL_GetError());
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        exitCode_ = 1;
        return false;
    }
    SDL_GL_MakeCurrent(window_, context_);
    applyIcon();
    // Frames are paced by the application loop; a refused swap interval is not an error.
    if (SDL_GL_SetSwapInterval(0) != 0) CCLog("CCEGLView: swap interval not set: %s", SDL_GetError());
    if (minSize_.width > 0 && minSize_.height > 0)
        SDL_SetWindowMinimumSize(window_, static_cast<int>(minSize_.width),
                                 static_cast<int>(minSize_.height));
    SDL_StopTextInput();

    auto renderer = std::make_unique<CCGLRenderer>();
    renderer_ = renderer.get();
    renderer_->setDebugDamage(envSwitch("ZENTO_DEBUG_DAMAGE"));
    renderer_->setVerifyDamage(envSwitch("ZENTO_VERIFY_DAMAGE"));
    if (wakeEventType.load() == 0) {
        const Uint32 type = SDL_RegisterEvents(1);
        if (type != static_cast<Uint32>(-1)) wakeEventType.store(type);
    }
    CCScheduler::setWakeHook(&wakeMainLoop);
    CCDirector* director = CCDirector::sharedDirector();
    director->setRenderer(std::move(renderer));
    director->setOpenGLView(this);
    director->setInputHook([this] { pollEvents(); });
    director->setRenderHooks(nullptr, [this] { afterFrame(); });
    CCIMEDispatcher::sharedDispatcher()->setTextInputHook([](bool active) {
        if (active)
            SDL_StartTextInput();
        else
            SDL_StopTextInput();
    });
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    resize(w, h);
    director->setWinSize(frameSize_);
    if (havePendingRect_) {
        havePendingRect_ = false;
        setWinRect(pendingRect_);
    }
    return true;
}

void CCEGLView::end() {
    if (!window_) return;
    CCDirector* director = CCDirector::sharedDirector();
    if (director->getRenderer() == renderer_) director->setRenderer(nullptr);
    renderer_ = nullptr;
    CCScheduler::setWakeHook(nullptr);
    director->setInputHook(nullptr);
    director->setRenderHooks(nullptr, nullptr);
    if (director->getOpenGLView() == this) director->setOpenGLView(nullptr);
    CCIMEDispatcher::sharedDispatcher()->setTextInputHook(nullptr);
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
}

CCRect CCEGLView::getWinRect() const {
    if (!window_) {
        if (havePendingRect_) return pendingRect_;
        return CCRect(0, 0, frameSize_.width, frameSize_.height);
    }
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    return CCRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h));
}

void CCEGLView::setWinRect(const CCRect& rect) {
    CCRect r = rect;
    if (!(r.size.width >= minSize_.width)) r.size.width = std::max(minSize_.width, 1.0f);
    if (!(r.size.height >= minSize_.height)) r.size.height = std::max(minSize_.height, 1.0f);
    if (!window_) {
        pendingRect_ = r;
        havePendingRect_ = true;
        return;
    }
    bool onScreen = false;
    SDL_Rect first{0, 0, 0, 0};
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        if (i == 0) first = bounds;
        // At least a corner's worth of the window must be reachable on some screen.
        if (r.getMinX() < bounds.x + bounds.w - 40 && r.getMaxX() > bounds.x + 40 &&
            r.getMinY() >= bounds.y - 10 && r.getMinY() < bounds.y + bounds.h - 40)
            onScreen = true;
    }
    if (!onScreen && first.w > 0) {
        CCLog("CCEGLView: window rectangle %.0f,%.0f %.0fx%.0f is off screen; centring it", r.origin.x,
              r.origin.y, r.size.width, r.size.height);
        r.size.width = std::min(r.size.width, static_cast<float>(first.w));
        r.size.height = std::min(r.size.height, static_cast<float>(first.h));
        r.origin = CCPoint(first.x + (first.w - r.size.width) / 2, first.y + (first.h - r.size.height) / 2);
    }
    SDL_SetWindowSize(window_, static_cast<int>(r.size.width), static_cast<int>(r.size.height));
    SDL_SetWindowPosition(window_, static_cast<int>(r.origin.x), static_cast<int>(r.origin.y));
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    resize(w, h);
}

void CCEGLView::enterFullscreen() {
    if (!window_ || fullscreen_) return;
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0)
        fullscreen_ = true;
    else
        CCLog("CCEGLView: cannot enter full screen: %s", SDL_GetError());
}

void CCEGLView::exitFullscreen() {
    if (!window_ || !fullscreen_) return;
    SDL_SetWindowFullscreen(window_, 0);
    fullscreen_ = false;
}

void CCEGLView::LoadArrowCursor() {
    if (!window_) return;
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow) SDL_SetCursor(arrow);
}

void CCEGLView::LoadSizeCursor() {
    if (!window_) return;
    static SDL_Cursor* size = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENS);
    if (size) SDL_SetCursor(size);
}

bool CCEGLView::callUpdate(const char* commandLine) {
    std::string line = commandLine ? commandLine : "";
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) {
        CCLog("callUpdate: empty command line");
        return false;
    }
    line = line.substr(start);
    // The program may itself contain blanks: take the longest prefix ending before a blank that exists.
    std::string program, argument;
    bool found = false;
    for (size_t blank = line.find(' '); blank != std::string::npos; blank = line.find(' ', blank + 1)) {
        if (CCFileUtils::sharedFileUtils()->isFileExist(line.substr(0, blank))) {
            program = line.substr(0, blank);
            argument = line.substr(blank + 1);
            found = true;
        }
    }
    if (!found) {
        size_t blank = line.find(' ');
        program = line.substr(0, blank);
        if (blank != std::string::npos) argument = line.substr(blank + 1);
    }
    std::vector<std::string> argv{program};
    if (!argument.empty()) argv.push_back(argument);
    return callUpdate(argv);
}

bool CCEGLView::callUpdate(const std::vector<std::string>& argv) {
    // Collect children started earlier, so none stays a zombie.
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [](int pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                    children_.end());
    if (argv.empty() || argv[0].empty()) {
        CCLog("callUpdate: no program given");
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: the child outlives us and gets none of our terminal signals.
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0].c_str(), nullptr, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        CCLog("callUpdate: cannot start %s: %s", argv[0].c_str(), std::strerror(rc));
        return false;
    }
    children_.push_back(pid);
    CCLog("callUpdate: started %s (pid %d)", argv[0].c_str(), static_cast<int>(pid));
    return true;
}

void CCEGLView::pollEvents() {
    if (!window_) return;
    wakePending.store(false);
    SDL_Event event;
    while (SDL_PollEvent(&event)) handleEvent(event);
}

bool CCEGLView::waitForEvent(double seconds) {
    if (!window_) return false;
    if (!(seconds > 0)) return SDL_PollEvent(nullptr) == 1;
    const int ms = static_cast<int>(std::ceil(std::min(seconds, 1.0) * 1000));
    return SDL_WaitEventTimeout(nullptr, ms) == 1;
}

double CCEGLView::secondsUntilWanted() const {
    double wanted = std::numeric_limits<double>::infinity();
    if (!screenshotPath_.empty())
        wanted = std::max(0.0, screenshotAfter_ - CCDirector::sharedDirector()->getTotalTime());
    if (frameWantedNow()) wanted = 0;
    return wanted;
}

void CCEGLView::swapBuffers() {
    if (window_) SDL_GL_SwapWindow(window_);
}

void CCEGLView::reportCurrentSize() {
    if (!window_) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    notifyResize((SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) ? 2 : 0, w, h);
}

void CCEGLView::notifyResize(int sizeType, int width, int height) {
    if (sizeType != 1) resize(width, height);
    CCApplication* app = CCApplication::sharedApplication();
    if (app) {
        app->onWindowResized(sizeType, width, height);
    } else if (sizeType != 1) {
        CCDirector::sharedDirector()->reshapeProjection(
            CCSize(static_cast<float>(width), static_cast<float>(height)));
    }
}

void CCEGLView::handleWindowEvent(const SDL_Event& event) {
    CCApplication* app = CCApplication::sharedApplication();
    int w = 0, h = 0;
    if (window_) SDL_GetWindowSize(window_, &w, &h);
    bool maximized = window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED);
    switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            CCDirector::sharedDirector()->invalidateFrame();
            if (!minimized_) notifyResize(maximized ? 2 : 0, event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            notifyResize(2, w, h);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            if (minimized_) break;
            minimized_ = true;
            // As on Windows, a minimised client area reports 0 x 0.
            notifyResize(1, 0, 0);
            if (app) app->applicationDidEnterBackground();
            break;
        case SDL_WINDOWEVENT_RESTORED:
            CCDirector::sharedDirector()->invalidateFrame();
            if (minimized_) {
                minimized_ = false;
                if (app) app->applicationWillEnterForeground();
            }
            notifyResize(maximized ? 2 : 0, w, h);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            CCDirector::sharedDirector()->invalidateFrame();
            if (app) app->setWindowActive(true);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
            CCDirector::sharedDirector()->invalidateFrame();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            CCDirector::sharedDirector()->invalidateFrame();
            // Keys released while another window has the focus never reach us.
            CCKeyboard::releaseAll();
            if (app) app->setWindowActive(false);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            CCDirector::sharedDirector()->getMouseDispatcher()->mouseLeftWindow();
            break;
        case SDL_WINDOWEVENT_CLOSE:
            if (!closing_) {
                closing_ = true;
                if (app) app->applicationWillClose();
                CCDirector::sharedDirector()->end();
            }
            break;
        default:
            break;
    }
}

void CCEGLView::handleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            if (!closing_) {
                closing_ = true;
                if (CCApplication* app = CCApplication::sharedApplication()) app->applicationWillClose();
                CCDirector::sharedDirector()->end();
            }
            break;
        case SDL_WINDOWEVENT:
            handleWindowEvent(event);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT)
                handleMouseDown(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT)
                handleMouseUp(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
            break;
        case SDL_MOUSEMOTION:
            handleMouseMove(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
            break;
        case SDL_MOUSEWHEEL: {
            float delta =
                event.wheel.preciseY != 0 ? event.wheel.preciseY : static_cast<float>(event.wheel.y);
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
            SDL_Keymod mods = SDL_GetModState();
            int keys =
                ((mods & KMOD_SHIFT) ? kCCMouseKeyShift : 0) | ((mods & KMOD_CTRL) ? kCCMouseKeyControl : 0);
            if (delta != 0) handleMouseWheel(keys, delta);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            handleKey(keyFromSDL(event.key.keysym.sym), event.type == SDL_KEYDOWN);
            break;
        case SDL_TEXTINPUT:
            handleTextInput(event.text.text);
            break;
        default:
            break;
    }
}

void CCEGLView::handleMouseDown(float x, float y) {
    mouse_ = CCPoint(x, y);
    if (touch_) {
        // A press without its release (focus games): end the old touch first.
        dispatchTouch(touch_, &CCTouchDispatcher::touchesCancelled);
        CC_SAFE_RELEASE_NULL(touch_);
    }
    touch_ = new CCTouch();
    touch_->setTouchInfo(0, toGL(x, y), frameSize_.height);
    dispatchTouch(touch_, &CCTouchDispatcher::touchesBegan);
}

void CCEGLView::handleMouseMove(float x, float y) {
    mouse_ = CCPoint(x, y);
    CCPoint gl = toGL(x, y);
    if (touch_) {
        touch_->setTouchInfo(0, gl, frameSize_.height);
        dispatchTouch(touch_, &CCTouchDispatcher::touchesMoved);
    }
    CCDirector::sharedDirector()->getMouseDispatcher()->mouseMoved(gl.x, gl.y);
}

void CCEGLView::handleMouseUp(float x, float y) {
    mouse_ = CCPoint(x, y);
    if (!touch_) return;
    touch_->setTouchInfo(0, toGL(x, y), frameSize_.height);
    CCTouch* touch = touch_;
    touch_ = nullptr;
    dispatchTouch(touch, &CCTouchDispatcher::touchesEnded);
    touch->release();
}

void CCEGLView::handleMouseWheel(int keys, float delta) {
    CCPoint gl = toGL(mouse_.x, mouse_.y);
    CCDirector::sharedDirector()->getMouseDispatcher()->mouseWheel(keys, delta, gl.x, gl.y);
}

void CCEGLView::handleKey(int keyCode, bool down) {
    auto key = static_cast<CCKeyCode>(keyCode);
    if (key == kCCKeyUnknown) return;
    CCKeyboard::setKeyDown(key, down);
    CCDirector* director = CCDirector::sharedDirector();
    if (down) {
        // A focused text field takes the editing keys.
        if (CCIMEDispatcher::sharedDispatcher()->dispatchKey(key)) return;
        director->getKeypadDispatcher()->dispatchKeyDown(key);
    } else {
        director->getKeypadDispatcher()->dispatchKeyUp(key);
    }
}

void CCEGLView::handleTextInput(const std::string& utf8) {
    CCIMEDispatcher::sharedDispatcher()->dispatchInsertText(utf8);
}

void CCEGLView::scheduleScreenshot(const std::string& path, double afterSeconds) {
    screenshotPath_ = path;
    screenshotAfter_ = afterSeconds > 0 ? afterSeconds : 0;
}

void CCEGLView::captureRegionAfterFrame(const std::string& path, const CCRect& region,
                                        std::function<void(bool)> done) {
    for (RegionCapture& old : regionCaptures_)
        if (old.done) old.done(false);
    regionCaptures_.clear();
    regionCaptures_.push_back({path, region, std::move(done)});
}

bool CCEGLView::saveScreenshot(const std::string& path, const CCRect& region) {
    if (!renderer_ || CCDirector::sharedDirector()->getRenderer() != renderer_) {
        CCLog("CCEGLView: no frame to save as %s (no window)", path.c_str());
        return false;
    }
    int w = 0, h = 0;
    std::vector<uint8_t> pixels = renderer_->readPixels(&w, &h);
    if (pixels.empty()) {
        CCLog("CCEGLView: the frame is empty; %s not written", path.c_str());
        return false;
    }
    if (region.size.width > 0 && region.size.height > 0) {
        // Design units to frame pixels; rows are top-down here, the region's origin bottom left.
        const CCSize design = CCDirector::sharedDirector()->getWinSize();
        const float sx = design.width > 0 ? static_cast<float>(w) / design.width : 1.0f;
        const float sy = design.height > 0 ? static_cast<float>(h) / design.height : 1.0f;
        const int left = std::clamp(static_cast<int>(std::lround(region.origin.x * sx)), 0, w);
        const int right =
            std::clamp(static_cast<int>(std::lround((region.origin.x + region.size.width) * sx)), 0, w);
        const int bottom = std::clamp(static_cast<int>(std::lround(region.origin.y * sy)), 0, h);
        const int top =
            std::clamp(static_cast<int>(std::lround((region.origin.y + region.size.height) * sy)), 0, h);
        if (right <= left || top <= bottom) {
            CCLog("CCEGLView: the region for %s lies outside the frame", path.c_str());
            return false;
        }
        const int cw = right - left;
        const int ch = top - bottom;
        std::vector<uint8_t> cropped(static_cast<size_t>(cw) * ch * 4);
        for (int row = 0; row < ch; ++row) {
            const size_t from = (static_cast<size_t>(h - top + row) * w + left) * 4;
            std::copy_n(pixels.begin() + static_cast<long>(from), static_cast<size_t>(cw) * 4,
                        cropped.begin() + static_cast<long>(static_cast<size_t>(row) * cw * 4));
        }
        pixels = std::move(cropped);
        w = cw;
        h = ch;
    }
    // Screenshots are opaque, as the window is.
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ABGR8888);
    if (!surface) {
        CCLog("CCEGLView: cannot wrap the frame: %s", SDL_GetError());
        return false;
    }
    std::string temp = path + ".part";
    bool ok = IMG_SavePNG(surface, temp.c_str()) == 0;
    SDL_FreeSurface(surface);
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        CCLog("CCEGLView: cannot write %s: %s", path.c_str(), ok ? std::strerror(errno) : IMG_GetError());
        std::remove(temp.c_str());
        return false;
    }
    CCLog("CCEGLView: screenshot %dx%d saved to %s", w, h, path.c_str());
    return true;
}

void CCEGLView::afterFrame() {
    CCDirector* director = CCDirector::sharedDirector();
    // A test may have given the director another renderer: this one is gone then.
    CCGLRenderer* renderer = director->getRenderer() == renderer_ ? renderer_ : nullptr;
    if (!screenshotPath_.empty() && director->getTotalTime() >= screenshotAfter_) {
        std::string path = screenshotPath_;
        screenshotPath_.clear();
        exitCode_ = saveScreenshot(path) ? 0 : 1;
        director->end();
    }
    if (screenshotHook_) {
        std::string path = screenshotHook_();
        if (!path.empty()) saveScreenshot(path);
    }
    if (!regionCaptures_.empty()) {
        std::vector<RegionCapture> captures = std::move(regionCaptures_);
        regionCaptures_.clear();
        for (RegionCapture& capture : captures) {
            const bool saved = saveScreenshot(capture.path, capture.region);
            if (capture.done) capture.done(saved);
        }
    }
    // An unchanged frame stays on screen as it is; a partial one may have reached it already.
    if (director->drewLastFrame() && !(renderer && renderer->presentedItself())) swapBuffers();
}

NS_CC_END
