#include "CCApplication.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "CCDirector.h"
#include "CCEGLView.h"

NS_CC_BEGIN

namespace {
CCApplication* sharedApp = nullptr;
}

CCApplication::CCApplication() {
    sharedApp = this;
}

CCApplication::~CCApplication() {
    if (sharedApp == this) sharedApp = nullptr;
}

CCApplication* CCApplication::sharedApplication() {
    return sharedApp;
}

void CCApplication::setAnimationInterval(double interval) {
    CCDirector::sharedDirector()->setAnimationInterval(interval);
}

ccLanguageType CCApplication::getCurrentLanguage() {
    const char* lang = std::getenv("LANG");
    return lang && std::strncmp(lang, "zh", 2) == 0 ? kLanguageChinese : kLanguageEnglish;
}

void CCApplication::onWindowResized(int sizeType, int width, int height) {
    if (sizeType == 1 || width <= 0 || height <= 0) return;
    CCDirector::sharedDirector()->reshapeProjection(
        CCSize(static_cast<float>(width), static_cast<float>(height)));
    CCEGLView::sharedOpenGLView()->resize(width, height);
}

int CCApplication::run() {
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    if (!view->createWindow()) return 1;
    // The size the window opened with comes first, as on a platform that reports it on creation.
    view->reportCurrentSize();
    if (!applicationDidFinishLaunching()) {
        view->end();
        return 1;
    }
    CCDirector* director = CCDirector::sharedDirector();
    if (const char* full = std::getenv("ZENTO_FULL_REDRAW"); full && std::strcmp(full, "1") == 0)
        director->setContinuousFrames(true);
    using clock = std::chrono::steady_clock;
    using seconds = std::chrono::duration<double>;
    bool frameDue = true;
    auto lastFrame = clock::now();
    double plannedGap = 0;
    while (!director->isEnding()) {
        const seconds interval(director->getAnimationInterval());
        if (!director->isAnimating()) {
            view->waitForEvent(interval.count());
            view->pollEvents();
            continue;
        }
        if (frameDue) {
            lastFrame = clock::now();
            director->mainLoop(plannedGap);
            plannedGap = 0;
        }
        // Never more than one frame per interval: what arrives meanwhile joins the next frame.
        const auto earliest = lastFrame + std::chrono::duration_cast<clock::duration>(interval);
        if (clock::now() < earliest) std::this_thread::sleep_for(earliest - clock::now());
        const double wait = std::min(director->secondsUntilNextFrame(), view->secondsUntilWanted());
        // Timers count frame time: the deadline is fixed now, in real time, and waited for in slices
        // so a screenshot asked for from outside is noticed.
        const auto deadline =
            clock::now() + std::chrono::duration_cast<clock::duration>(seconds(std::min(wait, 24.0 * 3600)));
        frameDue = wait <= 0;
        while (!frameDue) {
            const double left = seconds(deadline - clock::now()).count();
            frameDue =
                left <= 0 || view->frameWantedNow() || view->waitForEvent(std::min(left, view->pollSlice()));
        }
        plannedGap =
            std::min(seconds(clock::now() - lastFrame).count(), std::max(wait, 0.0) + interval.count());
    }
    int code = view->getExitCode();
    CCDirector::purgeDirector();
    view->end();
    return code;
}

NS_CC_END
