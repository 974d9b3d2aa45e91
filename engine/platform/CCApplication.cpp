#include "CCApplication.h"

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
    using clock = std::chrono::steady_clock;
    while (!director->isEnding()) {
        auto start = clock::now();
        if (director->isAnimating())
            director->mainLoop();
        else
            view->pollEvents();
        auto interval = std::chrono::duration<double>(director->getAnimationInterval());
        auto spent = clock::now() - start;
        if (spent < interval) std::this_thread::sleep_for(interval - spent);
    }
    int code = view->getExitCode();
    CCDirector::purgeDirector();
    view->end();
    return code;
}

NS_CC_END
