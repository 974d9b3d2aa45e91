#include "DrawingView.h"

#include "CCDirector.h"
#include "CCDrawingPrimitives.h"
#include "CCTouchDispatcher.h"

USING_NS_CC;

namespace {
int defaultTouchPriority = 0;
}

void DrawingView::setDefaultTouchPriority(int priority) {
    defaultTouchPriority = priority;
}

int DrawingView::getDefaultTouchPriority() {
    return defaultTouchPriority;
}

DrawingView::DrawingView() : touchPriority_(defaultTouchPriority) {}

DrawingView::~DrawingView() = default;

void DrawingView::setViewSize(float width, float height) {
    setContentSize(CCSize(width, height));
}

void DrawingView::setTouchEnabled(bool enabled) {
    if (enabled == touchEnabled_) return;
    touchEnabled_ = enabled;
    // While off the running scene the registration waits for onEnter, so the dispatcher never
    // keeps a detached view alive.
    if (!isRunning()) return;
    if (enabled)
        registerWithTouchDispatcher();
    else
        unregisterFromTouchDispatcher();
}

void DrawingView::registerWithTouchDispatcher() {
    if (registered_) return;
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, touchPriority_, true, false,
                                                                            false);
    registered_ = true;
}

void DrawingView::unregisterFromTouchDispatcher() {
    if (!registered_) return;
    registered_ = false;
    CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
}

void DrawingView::onEnter() {
    CCNode::onEnter();
    if (touchEnabled_) registerWithTouchDispatcher();
}

void DrawingView::onExit() {
    if (touchEnabled_) unregisterFromTouchDispatcher();
    CCNode::onExit();
}

CCRect DrawingView::windowRect() const {
    return CCRectApplyAffineTransform(CCRect(0, 0, contentSize_.width, contentSize_.height),
                                      nodeToWorldTransform());
}

void DrawingView::visit() {
    if (!isVisible()) return;
    ccPushScissor(windowRect());
    CCNode::visit();
    ccPopScissor();
}
