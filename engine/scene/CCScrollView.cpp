#include "CCScrollView.h"

#include <algorithm>
#include <cmath>

#include "CCDirector.h"
#include "CCRenderer.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"

NS_CC_BEGIN

namespace {
// A touch must move this far before it counts as a drag (so clicks on rows stay clicks).
constexpr float DRAG_THRESHOLD = 5.0f;
}  // namespace

CCScrollView::CCScrollView() {
    touchMode_ = kCCTouchesOneByOne;
    setMouseEnabled(true);
}

CCScrollView::~CCScrollView() {
    CC_SAFE_RELEASE(container_);
}

CCScrollView* CCScrollView::create() {
    return create(CCSize(200, 200), nullptr);
}

CCScrollView* CCScrollView::create(const CCSize& viewSize, CCNode* container) {
    auto* view = new CCScrollView();
    view->initWithViewSize(viewSize, container);
    view->autorelease();
    return view;
}

bool CCScrollView::initWithViewSize(const CCSize& viewSize, CCNode* container) {
    CCLayer::init();
    setContainer(container);
    setViewSize(viewSize);
    setTouchEnabled(true);
    return true;
}

void CCScrollView::setContainer(CCNode* container) {
    if (!container) {
        CCLayer* layer = CCLayer::create();
        layer->setContentSize(CCSizeZero);
        container = layer;
    }
    if (container == container_) return;
    container->retain();
    if (container_) {
        CCNode::removeChild(container_, true);
        container_->release();
    }
    container_ = container;
    container_->ignoreAnchorPointForPosition(false);
    container_->setAnchorPoint(CCPointZero);
    CCNode::addChild(container_, 0, -1);
    setContentOffset(minContainerOffset());
}

void CCScrollView::setViewSize(const CCSize& size) {
    viewSize_ = size;
    CCNode::setContentSize(size);
    if (container_) setContentOffset(getContentOffset());
}

void CCScrollView::setContentSize(const CCSize& size) {
    if (!container_) {
        CCNode::setContentSize(size);
        return;
    }
    // Keep the top of the content where it was in the window.
    float fromTop = getContentOffset().y + container_->getContentSize().height;
    container_->setContentSize(size);
    CCPoint offset = getContentOffset();
    offset.y = fromTop - size.height;
    setContentOffset(offset);
}

const CCSize& CCScrollView::getContainerSize() const {
    return container_ ? container_->getContentSize() : CCSizeZero;
}

CCPoint CCScrollView::minContainerOffset() const {
    if (!container_) return CCPointZero;
    const CCSize& c = container_->getContentSize();
    return CCPoint(viewSize_.width - c.width * container_->getScaleX(),
                   viewSize_.height - c.height * container_->getScaleY());
}

CCPoint CCScrollView::maxContainerOffset() const {
    return CCPointZero;
}

CCPoint CCScrollView::getContentOffset() const {
    return container_ ? container_->getPosition() : CCPointZero;
}

void CCScrollView::setContentOffset(const CCPoint& offset, bool) {
    if (!container_) return;
    CCPoint lo = minContainerOffset(), hi = maxContainerOffset();
    CCPoint p = offset;
    if (!std::isfinite(p.x)) p.x = 0;
    if (!std::isfinite(p.y)) p.y = lo.y;
    // Upper bound first, so content smaller than the window ends at the minimum (top aligned).
    p.x = std::max(std::min(p.x, hi.x), lo.x);
    p.y = std::max(std::min(p.y, hi.y), lo.y);
    if (direction_ == kCCScrollViewDirectionVertical) p.x = 0;
    if (direction_ == kCCScrollViewDirectionHorizontal) p.y = std::max(0.0f, lo.y);
    bool moved = !(p == container_->getPosition());
    container_->setPosition(p);
    if (moved && delegate_) delegate_->scrollViewDidScroll(this);
}

bool CCScrollView::isNodeVisible(CCNode* node) const {
    if (!node || !container_) return false;
    CCRect box = node->boundingBox();
    for (CCNode* p = node->getParent(); p && p != container_; p = p->getParent())
        box = CCRectApplyAffineTransform(box, p->nodeToParentTransform());
    CCPoint offset = getContentOffset();
    CCRect inView(box.origin.x + offset.x, box.origin.y + offset.y, box.size.width, box.size.height);
    return inView.intersectsRect(CCRect(0, 0, viewSize_.width, viewSize_.height));
}

void CCScrollView::setScrollBarSize(float width, float length) {
    scrollBarWidth_ = std::max(width, 0.0f);
    scrollBarLength_ = std::max(length, 0.0f);
}

CCRect CCScrollView::getScrollBarRect() const {
    if (!container_) return CCRectZero;
    float lowest = minContainerOffset().y;
    if (lowest >= 0) return CCRectZero;
    float length = std::min(scrollBarLength_, viewSize_.height);
    // 0 at the top of the content, 1 at its bottom.
    float progress = std::clamp((getContentOffset().y - lowest) / -lowest, 0.0f, 1.0f);
    float top = viewSize_.height - progress * (viewSize_.height - length);
    return CCRect(viewSize_.width - scrollBarWidth_, top - length, scrollBarWidth_, length);
}

void CCScrollView::addChild(CCNode* child) {
    addChild(child, child ? child->getZOrder() : 0, child ? child->getTag() : -1);
}

void CCScrollView::addChild(CCNode* child, int zOrder) {
    addChild(child, zOrder, child ? child->getTag() : -1);
}

void CCScrollView::addChild(CCNode* child, int zOrder, int tag) {
    if (container_ && child != container_)
        container_->addChild(child, zOrder, tag);
    else
        CCNode::addChild(child, zOrder, tag);
}

void CCScrollView::registerWithTouchDispatcher() {
    CCDirector* director = CCDirector::sharedDirector();
    director->getTouchDispatcher()->addTargetedDelegate(this, touchPriority_, false, false, false);
}

bool CCScrollView::ccTouchBegan(CCTouch* touch, CCEvent*) {
    CCPoint p = touch->getLocation();
    // A list inside a hidden panel must not swallow clicks meant for what is shown there.
    if (!isVisibleInHierarchy() || !IsPointOnMe(p.x, p.y)) return false;
    touchStart_ = p;
    dragging_ = false;
    touchMoved_ = false;
    return true;
}

void CCScrollView::ccTouchMoved(CCTouch* touch, CCEvent*) {
    CCPoint p = touch->getLocation();
    if (!dragging_ && p.getDistance(touchStart_) < DRAG_THRESHOLD) return;
    dragging_ = true;
    touchMoved_ = true;
    CCPoint delta = touch->getDelta();
    if (direction_ == kCCScrollViewDirectionVertical) delta.x = 0;
    if (direction_ == kCCScrollViewDirectionHorizontal) delta.y = 0;
    setContentOffset(getContentOffset() + delta);
}

void CCScrollView::ccTouchEnded(CCTouch*, CCEvent*) {
    dragging_ = false;
}

void CCScrollView::ccTouchCancelled(CCTouch*, CCEvent*) {
    dragging_ = false;
}

bool CCScrollView::ccMouseWheel(int, float delta, float x, float y) {
    if (!isVisibleInHierarchy() || !IsPointOnMe(x, y) || !container_) return false;
    // Wheel away from the user shows what is above.
    CCPoint offset = getContentOffset();
    if (direction_ == kCCScrollViewDirectionHorizontal)
        offset.x += delta * wheelStep_;
    else
        offset.y -= delta * wheelStep_;
    setContentOffset(offset);
    return true;
}

CCRect CCScrollView::viewRectInWorld() const {
    return CCRectApplyAffineTransform(CCRect(0, 0, viewSize_.width, viewSize_.height),
                                      nodeToWorldTransform());
}

bool CCScrollView::isPointInClip(float x, float y) {
    return !clipping_ || viewRectInWorld().containsPoint(CCPoint(x, y));
}

void CCScrollView::visit() {
    if (!visible_) return;
    CCRenderer* r = CCRenderer::current();
    if (!r) {
        CCNode::visit();
        return;
    }
    if (clipping_) r->pushScissor(viewRectInWorld());
    CCNode::visit();
    if (clipping_) r->popScissor();
    CCRect bar = getScrollBarRect();
    if (scrollBarVisible_ && bar.size.width > 0 && bar.size.height > 0) {
        r->pushMatrix();
        r->multMatrix(nodeToParentTransform());
        r->drawSolidRect(bar.origin, CCPoint(bar.getMaxX(), bar.getMaxY()), ccc4FFromccc4B(scrollBarColor_));
        r->popMatrix();
    }
}

NS_CC_END
