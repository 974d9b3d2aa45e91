#include "CCDirector.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "CCActionManager.h"
#include "CCAutoreleasePool.h"
#include "CCKeypadDispatcher.h"
#include "CCMouseDispatcher.h"
#include "CCNode.h"
#include "CCRenderer.h"
#include "CCScheduler.h"
#include "CCTouchDispatcher.h"

NS_CC_BEGIN

namespace {
CCDirector* sharedInstance = nullptr;
}

CCDirector* CCDirector::sharedDirector() {
    if (!sharedInstance) sharedInstance = new CCDirector();
    return sharedInstance;
}

void CCDirector::purgeDirector() {
    if (!sharedInstance) {
        CCPoolManager::sharedPoolManager()->pop();
        return;
    }
    CCDirector* director = sharedInstance;
    if (director->runningScene_) {
        director->runningScene_->onExit();
        director->runningScene_->cleanup();
    }
    director->actionManager_->removeAllActions();
    director->scheduler_->unscheduleAll();
    CC_SAFE_RELEASE_NULL(director->runningScene_);
    CC_SAFE_RELEASE_NULL(director->nextScene_);
    CCPoolManager::sharedPoolManager()->pop();
    sharedInstance = nullptr;
    director->release();
    // Objects freed by the director may have autoreleased others on their way out.
    CCPoolManager::sharedPoolManager()->pop();
}

CCDirector::CCDirector()
    : scheduler_(new CCScheduler()),
      actionManager_(new CCActionManager()),
      touchDispatcher_(new CCTouchDispatcher()),
      mouseDispatcher_(new CCMouseDispatcher()),
      keypadDispatcher_(new CCKeypadDispatcher()) {}

CCDirector::~CCDirector() {
    if (CCRenderer::current() == renderer_.get()) CCRenderer::setCurrent(nullptr);
    renderer_.reset();
    CC_SAFE_RELEASE(keypadDispatcher_);
    CC_SAFE_RELEASE(mouseDispatcher_);
    CC_SAFE_RELEASE(touchDispatcher_);
    CC_SAFE_RELEASE(actionManager_);
    CC_SAFE_RELEASE(scheduler_);
}

void CCDirector::setRenderer(std::unique_ptr<CCRenderer> renderer) {
    if (CCRenderer::current() == renderer_.get()) CCRenderer::setCurrent(nullptr);
    renderer_ = std::move(renderer);
    CCRenderer::setCurrent(renderer_.get());
}

unsigned int CCDirector::getDrawCallCount() const {
    return renderer_ ? renderer_->getDrawCallCount() : 0;
}

void CCDirector::setOpenGLView(CCEGLView* view) {
    openGLView_ = view;
}

void CCDirector::startAnimation() {
    animating_ = true;
    // The pause must not count as one long frame.
    haveLastTick_ = false;
}

void CCDirector::runWithScene(CCScene* scene) {
    if (!scene || runningScene_) return replaceScene(scene);
    replaceScene(scene);
    setNextScene();
}

void CCDirector::replaceScene(CCScene* scene) {
    if (!scene) return;
    scene->retain();
    CC_SAFE_RELEASE(nextScene_);
    nextScene_ = scene;
}

void CCDirector::setNextScene() {
    if (!nextScene_) return;
    CCScene* incoming = nextScene_;
    nextScene_ = nullptr;
    if (runningScene_) {
        runningScene_->onExit();
        runningScene_->cleanup();
        runningScene_->release();
    }
    runningScene_ = incoming;  // takes over the reference held as next scene
    runningScene_->onEnter();
    runningScene_->onEnterTransitionDidFinish();
}

void CCDirector::reshapeProjection(const CCSize& size) {
    if (size.width > 0 && size.height > 0) winSize_ = size;
    if (projectionHook_) projectionHook_(winSize_);
}

void CCDirector::stepFrame(float dt) {
    if (!(dt >= 0) || std::isinf(dt)) dt = 0;
    deltaTime_ = dt;
    totalTime_ += dt;
    ++totalFrames_;
    // The director may be purged by a callback (end of a test, end of the process): hold it.
    retain();
    animationRequested_ = false;
    if (inputHook_) inputHook_();
    scheduler_->update(dt);
    actionManager_->update(dt * scheduler_->getTimeScale());
    setNextScene();
    if (beginFrame_) beginFrame_();
    frameRequested_ = false;
    if (renderer_) {
        CCRenderer::setCurrent(renderer_.get());
        renderer_->setDamageTracking(!continuous_);
        renderer_->beginFrame(winSize_);
        if (runningScene_) runningScene_->visit();
        renderer_->endFrame();
        drewLastFrame_ = renderer_->drewLastFrame();
        if (drewLastFrame_) {
            ++drawnFrames_;
            redrawnArea_ += renderer_->getRedrawnArea();
            drawCallTotal_ += renderer_->getDrawCallCount();
        }
    } else {
        if (runningScene_) runningScene_->visit();
        drewLastFrame_ = false;
    }
    if (endFrame_) endFrame_();
    CCPoolManager::sharedPoolManager()->pop();
    release();
}

void CCDirector::mainLoop(double plannedGap) {
    auto now = std::chrono::steady_clock::now();
    double dt = 0;
    if (haveLastTick_) dt = std::chrono::duration<double>(now - lastTick_).count();
    lastTick_ = now;
    haveLastTick_ = true;
    // A debugger stop or a suspended laptop must not turn into one giant step.
    if (dt > plannedGap + 0.5) dt = plannedGap + 1.0 / 60;
    stepFrame(static_cast<float>(dt));
}

double CCDirector::secondsUntilNextFrame() const {
    if (continuous_ || frameRequested_ || animationRequested_ || scheduler_->pendingFunctionCount() > 0 ||
        nextScene_ || actionManager_->hasRunningActions(false))
        return 0;
    const double timer = scheduler_->secondsUntilNextTimer();
    const bool ambient = actionManager_->hasRunningActions(true);
    // What changed may go on changing; at the full rate only when no decoration is running, since
    // animations of the scene's own ask for it (requestAnimationFrame).
    if (!ambient) return drewLastFrame_ ? 0 : timer;
    return std::min(timer, std::max(0.0, AMBIENT_INTERVAL - animationInterval_));
}

void CCDirector::invalidateFrame() {
    frameRequested_ = true;
    if (renderer_) renderer_->invalidate();
}

void CCDirector::setContinuousFrames(bool continuous) {
    continuous_ = continuous;
    invalidateFrame();
}

NS_CC_END
