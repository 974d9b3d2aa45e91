#pragma once

#include <cstdio>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCGLRenderer.h"

// The window of a drawing benchmark: a GL view of the given size whose frames finish their GPU work
// inside the frame, so that it is counted (no swap is needed to measure). Null, with a message, when
// there is no GL context (run under SDL_VIDEODRIVER=offscreen or a display).
inline cocos2d::CCGLRenderer* openBenchWindow(const char* name, float width, float height) {
    cocos2d::CCEGLView* view = cocos2d::CCEGLView::sharedOpenGLView();
    view->setViewName(name);
    view->setFrameSize(width, height);
    if (!view->isOpenGLReady()) {
        std::fprintf(stderr, "no OpenGL context (try SDL_VIDEODRIVER=offscreen)\n");
        return nullptr;
    }
    cocos2d::CCDirector* director = cocos2d::CCDirector::sharedDirector();
    auto* renderer = static_cast<cocos2d::CCGLRenderer*>(director->getRenderer());
    director->setRenderHooks(nullptr, [renderer] { renderer->finish(); });
    return renderer;
}
