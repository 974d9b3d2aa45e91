#include "CCNode.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "CCAction.h"
#include "CCActionManager.h"
#include "CCDirector.h"
#include "CCKeypadDispatcher.h"
#include "CCMouseDispatcher.h"
#include "CCRenderer.h"
#include "CCTiledGrid.h"
#include "CCTouchDispatcher.h"

NS_CC_BEGIN

namespace {
unsigned int nextOrderOfArrival = 1;
unsigned long nextVisitOrder = 1;
}  // namespace

CCNode::CCNode() = default;

CCNode::~CCNode() {
    if (destroyHooks_) {
        // A hook may remove hooks; run from a copy.
        const auto hooks = std::move(*destroyHooks_);
        destroyHooks_.reset();
        for (const auto& hook : hooks) hook.second(this);
    }
    CC_SAFE_RELEASE(grid_);
    for (CCNode* child : children_) {
        child->parent_ = nullptr;
        child->release();
    }
}

CCNode* CCNode::create() {
    auto* node = new CCNode();
    node->autorelease();
    return node;
}

void CCNode::setDestroyHook(const void* key, std::function<void(CCNode*)> hook) {
    if (!destroyHooks_)
        destroyHooks_ = std::make_unique<std::vector<std::pair<const void*, std::function<void(CCNode*)>>>>();
    for (auto& entry : *destroyHooks_) {
        if (entry.first == key) {
            entry.second = std::move(hook);
            return;
        }
    }
    destroyHooks_->emplace_back(key, std::move(hook));
}

void CCNode::removeDestroyHook(const void* key) {
    if (!destroyHooks_) return;
    auto& hooks = *destroyHooks_;
    hooks.erase(
        std::remove_if(hooks.begin(), hooks.end(), [key](const auto& entry) { return entry.first == key; }),
        hooks.end());
}

CCScheduler* CCNode::getScheduler() const {
    return CCDirector::sharedDirector()->getScheduler();
}

CCActionManager* CCNode::getActionManager() const {
    return CCDirector::sharedDirector()->getActionManager();
}

// --- children

void CCNode::addChild(CCNode* child) {
    addChild(child, child ? child->zOrder_ : 0, child ? child->tag_ : -1);
}

void CCNode::addChild(CCNode* child, int zOrder) {
    addChild(child, zOrder, child ? child->tag_ : -1);
}

void CCNode::addChild(CCNode* child, int zOrder, int tag) {
    assert(child && "addChild: the child must not be null");
    assert(!child->parent_ && "addChild: the child already has a parent");
    assert(child != this && "addChild: a node cannot be its own child");
    if (!child || child->parent_ || child == this) return;
    insertChild(child, zOrder);
    child->tag_ = tag;
    child->parent_ = this;
    child->orderOfArrival_ = nextOrderOfArrival++;
    child->updateDisplayedOpacity(cascadeOpacity_ ? displayedOpacity_ : 255);
    child->updateDisplayedColor(cascadeColor_ ? displayedColor_ : ccWHITE);
    if (running_) {
        child->onEnter();
        child->onEnterTransitionDidFinish();
    }
}

void CCNode::insertChild(CCNode* child, int zOrder) {
    child->retain();
    child->zOrder_ = zOrder;
    children_.push_back(child);
    reorderDirty_ = true;
}

void CCNode::removeChild(CCNode* child, bool cleanup) {
    if (!child) return;
    if (std::find(children_.begin(), children_.end(), child) == children_.end()) return;
    detachChild(child, cleanup);
}

void CCNode::detachChild(CCNode* child, bool cleanup) {
    if (running_) child->onExit();
    if (cleanup) child->cleanup();
    child->parent_ = nullptr;
    children_.erase(std::find(children_.begin(), children_.end(), child));
    child->release();
}

void CCNode::removeChildByTag(int tag, bool cleanup) {
    if (CCNode* child = getChildByTag(tag)) removeChild(child, cleanup);
}

void CCNode::removeAllChildrenWithCleanup(bool cleanup) {
    std::vector<CCNode*> old;
    old.swap(children_);
    for (CCNode* child : old) {
        if (running_) child->onExit();
        if (cleanup) child->cleanup();
        child->parent_ = nullptr;
        child->release();
    }
}

void CCNode::removeFromParentAndCleanup(bool cleanup) {
    if (parent_) parent_->removeChild(this, cleanup);
}

void CCNode::reorderChild(CCNode* child, int zOrder) {
    if (!child) return;
    child->orderOfArrival_ = nextOrderOfArrival++;
    child->zOrder_ = zOrder;
    reorderDirty_ = true;
}

void CCNode::setZOrder(int zOrder) {
    if (parent_) {
        parent_->reorderChild(this, zOrder);
    } else {
        zOrder_ = zOrder;
    }
}

void CCNode::sortAllChildren() {
    if (!reorderDirty_) return;
    std::stable_sort(children_.begin(), children_.end(), [](const CCNode* a, const CCNode* b) {
        return a->zOrder_ < b->zOrder_ ||
               (a->zOrder_ == b->zOrder_ && a->orderOfArrival_ < b->orderOfArrival_);
    });
    reorderDirty_ = false;
}

CCNode* CCNode::getChildByTag(int tag) const {
    for (CCNode* child : children_)
        if (child->tag_ == tag) return child;
    return nullptr;
}

// --- placement

void CCNode::setPosition(const CCPoint& position) {
    position_ = position;
}

void CCNode::setAnchorPoint(const CCPoint& anchor) {
    anchorPoint_ = anchor;
    anchorPointInPoints_ = CCPoint(contentSize_.width * anchor.x, contentSize_.height * anchor.y);
}

void CCNode::setContentSize(const CCSize& size) {
    contentSize_ = size;
    anchorPointInPoints_ = CCPoint(size.width * anchorPoint_.x, size.height * anchorPoint_.y);
}

void CCNode::ignoreAnchorPointForPosition(bool ignore) {
    ignoreAnchorPoint_ = ignore;
}

void CCNode::setScale(float scale) {
    scaleX_ = scaleY_ = scale;
}
void CCNode::setScaleX(float scale) {
    scaleX_ = scale;
}
void CCNode::setScaleY(float scale) {
    scaleY_ = scale;
}
void CCNode::setRotation(float degrees) {
    rotation_ = degrees;
}

CCRect CCNode::boundingBox() const {
    return CCRectApplyAffineTransform(CCRect(0, 0, contentSize_.width, contentSize_.height),
                                      nodeToParentTransform());
}

// --- colour and opacity

void CCNode::setColor(const ccColor3B& color) {
    color_ = color;
    updateDisplayedColor(parent_ && parent_->cascadeColor_ ? parent_->displayedColor_ : ccWHITE);
}

void CCNode::setOpacity(uint8_t opacity) {
    opacity_ = opacity;
    updateDisplayedOpacity(parent_ && parent_->cascadeOpacity_ ? parent_->displayedOpacity_ : 255);
}

void CCNode::updateDisplayedOpacity(uint8_t parentOpacity) {
    displayedOpacity_ = static_cast<uint8_t>(opacity_ * parentOpacity / 255);
    if (cascadeOpacity_)
        for (CCNode* child : children_) child->updateDisplayedOpacity(displayedOpacity_);
}

void CCNode::updateDisplayedColor(const ccColor3B& parentColor) {
    displayedColor_ = {static_cast<uint8_t>(color_.r * parentColor.r / 255),
                       static_cast<uint8_t>(color_.g * parentColor.g / 255),
                       static_cast<uint8_t>(color_.b * parentColor.b / 255)};
    if (cascadeColor_)
        for (CCNode* child : children_) child->updateDisplayedColor(displayedColor_);
}

// --- transforms

CCAffineTransform CCNode::nodeToParentTransform() const {
    // Parent point = position + R(-rotation) * S * (node point - anchor); with the anchor ignored,
    // the position places the bottom-left corner instead.
    float radians = -CC_DEGREES_TO_RADIANS(rotation_);
    float c = std::cos(radians);
    float s = std::sin(radians);
    CCPoint anchor = anchorPointInPoints_;
    CCPoint origin = position_;
    if (ignoreAnchorPoint_) origin = origin + anchor;
    CCAffineTransform t;
    t.a = c * scaleX_;
    t.b = s * scaleX_;
    t.c = -s * scaleY_;
    t.d = c * scaleY_;
    t.tx = origin.x - (t.a * anchor.x + t.c * anchor.y);
    t.ty = origin.y - (t.b * anchor.x + t.d * anchor.y);
    return t;
}

CCAffineTransform CCNode::parentToNodeTransform() const {
    return CCAffineTransformInvert(nodeToParentTransform());
}

CCAffineTransform CCNode::nodeToWorldTransform() const {
    CCAffineTransform t = nodeToParentTransform();
    for (const CCNode* p = parent_; p; p = p->parent_)
        t = CCAffineTransformConcat(t, p->nodeToParentTransform());
    return t;
}

CCAffineTransform CCNode::worldToNodeTransform() const {
    return CCAffineTransformInvert(nodeToWorldTransform());
}

CCPoint CCNode::convertToNodeSpace(const CCPoint& worldPoint) const {
    return CCPointApplyAffineTransform(worldPoint, worldToNodeTransform());
}

CCPoint CCNode::convertToWorldSpace(const CCPoint& nodePoint) const {
    return CCPointApplyAffineTransform(nodePoint, nodeToWorldTransform());
}

CCPoint CCNode::convertToNodeSpaceAR(const CCPoint& worldPoint) const {
    return convertToNodeSpace(worldPoint) - anchorPointInPoints_;
}

CCPoint CCNode::convertToWorldSpaceAR(const CCPoint& nodePoint) const {
    return convertToWorldSpace(nodePoint + anchorPointInPoints_);
}

// --- life cycle

void CCNode::onEnter() {
    running_ = true;
    resumeSchedulerAndActions();
    if (mouseEnabled_) CCDirector::sharedDirector()->getMouseDispatcher()->addNode(this, mousePriority_);
    // Copy: a child's onEnter may add or remove siblings.
    std::vector<CCNode*> children = children_;
    for (CCNode* child : children) {
        child->retain();
        if (child->parent_ == this) child->onEnter();
        child->release();
    }
}

void CCNode::onEnterTransitionDidFinish() {
    std::vector<CCNode*> children = children_;
    for (CCNode* child : children) {
        child->retain();
        if (child->parent_ == this) child->onEnterTransitionDidFinish();
        child->release();
    }
}

void CCNode::onExit() {
    pauseSchedulerAndActions();
    running_ = false;
    CCDirector::sharedDirector()->getMouseDispatcher()->removeNode(this);
    mouseOver_ = false;
    std::vector<CCNode*> children = children_;
    for (CCNode* child : children) {
        child->retain();
        if (child->parent_ == this) child->onExit();
        child->release();
    }
}

void CCNode::cleanup() {
    stopAllActions();
    unscheduleAllSelectors();
    std::vector<CCNode*> children = children_;
    for (CCNode* child : children) {
        child->retain();
        child->cleanup();
        child->release();
    }
}

// --- actions

CCAction* CCNode::runAction(CCAction* action) {
    assert(action && "runAction: the action must not be null (a factory refused its arguments)");
    if (!action) return nullptr;
    getActionManager()->addAction(action, this, !running_);
    return action;
}

void CCNode::stopAllActions() {
    getActionManager()->removeAllActionsFromTarget(this);
}
void CCNode::stopAction(CCAction* action) {
    getActionManager()->removeAction(action);
}
void CCNode::stopActionByTag(int tag) {
    getActionManager()->removeActionByTag(tag, this);
}
CCAction* CCNode::getActionByTag(int tag) const {
    return getActionManager()->getActionByTag(tag, const_cast<CCNode*>(this));
}
unsigned int CCNode::numberOfRunningActions() const {
    return getActionManager()->numberOfRunningActionsInTarget(const_cast<CCNode*>(this));
}

// --- timers

void CCNode::scheduleUpdate() {
    scheduleUpdateWithPriority(0);
}
void CCNode::scheduleUpdateWithPriority(int priority) {
    getScheduler()->scheduleUpdateForTarget(this, priority, !running_);
}
void CCNode::unscheduleUpdate() {
    getScheduler()->unscheduleUpdateForTarget(this);
}

void CCNode::schedule(SEL_SCHEDULE selector) {
    schedule(selector, 0.0f, kCCRepeatForever, 0.0f);
}
void CCNode::schedule(SEL_SCHEDULE selector, float interval) {
    schedule(selector, interval, kCCRepeatForever, 0.0f);
}
void CCNode::schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay) {
    getScheduler()->scheduleSelector(selector, this, interval, repeat, delay, !running_);
}
void CCNode::scheduleOnce(SEL_SCHEDULE selector, float delay) {
    schedule(selector, 0.0f, 0, delay);
}
void CCNode::unschedule(SEL_SCHEDULE selector) {
    getScheduler()->unscheduleSelector(selector, this);
}

void CCNode::schedule(std::function<void(float)> callback, float interval, const std::string& key) {
    getScheduler()->schedule(std::move(callback), this, key, interval, kCCRepeatForever, 0.0f, !running_);
}
void CCNode::scheduleOnce(std::function<void(float)> callback, float delay, const std::string& key) {
    getScheduler()->schedule(std::move(callback), this, key, 0.0f, 0, delay, !running_);
}
void CCNode::unschedule(const std::string& key) {
    getScheduler()->unschedule(key, this);
}

void CCNode::unscheduleAllSelectors() {
    getScheduler()->unscheduleAllForTarget(this);
}

void CCNode::pauseSchedulerAndActions() {
    getScheduler()->pauseTarget(this);
    getActionManager()->pauseTarget(this);
}

void CCNode::resumeSchedulerAndActions() {
    getScheduler()->resumeTarget(this);
    getActionManager()->resumeTarget(this);
}

// --- drawing

void CCNode::visit() {
    if (!visible_) return;
    markVisited();
    CCTiledGrid* grid = grid_;
    if (grid && grid->getVisibleTileCount() == 0) return;
    CCRenderer* renderer = CCRenderer::current();
    if (renderer) {
        renderer->pushMatrix();
        renderer->multMatrix(nodeToParentTransform());
    }
    if (grid) {
        grid->retain();
        grid->beforeDraw(this);
    }
    visitChildrenAndSelf();
    if (grid) {
        grid->afterDraw();
        grid->release();
    }
    if (renderer) renderer->popMatrix();
}

void CCNode::markVisited() {
    visitOrder_ = nextVisitOrder++;
}

void CCNode::visitChildrenAndSelf() {
    sortAllChildren();
    size_t i = 0;
    for (; i < children_.size() && children_[i]->zOrder_ < 0; ++i) children_[i]->visit();
    draw();
    for (; i < children_.size(); ++i) children_[i]->visit();
}

void CCNode::setGrid(CCTiledGrid* grid) {
    if (grid == grid_) return;
    CC_SAFE_RETAIN(grid);
    CC_SAFE_RELEASE(grid_);
    grid_ = grid;
}

// --- input

bool CCNode::IsPointOnMe(float x, float y) {
    for (const CCNode* n = this; n; n = n->parent_)
        if (!n->visible_) return false;
    for (CCNode* n = parent_; n; n = n->parent_)
        if (!n->isPointInClip(x, y)) return false;
    CCPoint local = convertToNodeSpace(CCPoint(x, y));
    return local.x >= 0 && local.y >= 0 && local.x <= contentSize_.width && local.y <= contentSize_.height;
}

void CCNode::setMouseEnabled(bool enabled) {
    if (enabled == mouseEnabled_) return;
    mouseEnabled_ = enabled;
    if (!running_) return;
    CCMouseDispatcher* mouse = CCDirector::sharedDirector()->getMouseDispatcher();
    if (enabled) {
        mouse->addNode(this, mousePriority_);
    } else {
        mouse->removeNode(this);
        mouseOver_ = false;
    }
}

void CCNode::setMousePriority(int priority) {
    mousePriority_ = priority;
    if (mouseEnabled_ && running_)
        CCDirector::sharedDirector()->getMouseDispatcher()->addNode(this, priority);
}

// --- layer and scene

CCLayer::CCLayer() {
    ignoreAnchorPoint_ = true;
    setAnchorPoint(CCPoint(0.5f, 0.5f));
}

CCLayer* CCLayer::create() {
    return createAutoreleased<CCLayer>(&CCLayer::init);
}

bool CCLayer::init() {
    setContentSize(CCDirector::sharedDirector()->getWinSize());
    return true;
}

void CCLayer::setTouchEnabled(bool enabled) {
    if (enabled == touchEnabled_) return;
    touchEnabled_ = enabled;
    if (!running_) return;
    if (enabled)
        registerWithTouchDispatcher();
    else
        unregisterWithTouchDispatcher();
}

void CCLayer::setTouchMode(ccTouchesMode mode) {
    if (mode == touchMode_) return;
    touchMode_ = mode;
    if (touchEnabled_ && running_) {
        unregisterWithTouchDispatcher();
        registerWithTouchDispatcher();
    }
}

void CCLayer::setTouchPriority(int priority) {
    if (priority == touchPriority_) return;
    touchPriority_ = priority;
    if (touchEnabled_ && running_) {
        unregisterWithTouchDispatcher();
        registerWithTouchDispatcher();
    }
}

void CCLayer::registerWithTouchDispatcher() {
    CCTouchDispatcher* touches = CCDirector::sharedDirector()->getTouchDispatcher();
    if (touchMode_ == kCCTouchesOneByOne)
        touches->addTargetedDelegate(this, touchPriority_, true, false, false);
    else
        touches->addStandardDelegate(this, touchPriority_);
}

void CCLayer::unregisterWithTouchDispatcher() {
    CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
}

void CCLayer::setKeypadEnabled(bool enabled) {
    if (enabled == keypadEnabled_) return;
    keypadEnabled_ = enabled;
    if (!running_) return;
    CCKeypadDispatcher* keys = CCDirector::sharedDirector()->getKeypadDispatcher();
    if (enabled)
        keys->addDelegate(this);
    else
        keys->removeDelegate(this);
}

void CCLayer::onEnter() {
    if (touchEnabled_) registerWithTouchDispatcher();
    if (keypadEnabled_) CCDirector::sharedDirector()->getKeypadDispatcher()->addDelegate(this);
    CCNode::onEnter();
}

void CCLayer::onExit() {
    if (touchEnabled_) unregisterWithTouchDispatcher();
    CCDirector::sharedDirector()->getKeypadDispatcher()->removeDelegate(this);
    CCNode::onExit();
}

CCScene::CCScene() {
    ignoreAnchorPoint_ = true;
    setAnchorPoint(CCPoint(0.5f, 0.5f));
}

CCScene* CCScene::create() {
    return createAutoreleased<CCScene>(&CCScene::init);
}

bool CCScene::init() {
    setContentSize(CCDirector::sharedDirector()->getWinSize());
    return true;
}

NS_CC_END
