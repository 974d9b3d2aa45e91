#pragma once

#include "CCNode.h"

NS_CC_BEGIN

class CCScrollView;

class CCScrollViewDelegate {
public:
    virtual ~CCScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(CCScrollView* view) = 0;
    virtual void scrollViewDidZoom(CCScrollView*) {}
};

enum CCScrollViewDirection {
    kCCScrollViewDirectionNone = -1,
    kCCScrollViewDirectionHorizontal = 0,
    kCCScrollViewDirectionVertical,
    kCCScrollViewDirectionBoth
};

// A scrolling list: a container node moved behind a window of viewSize, drawn clipped to that
// window (scissor). The content offset is the container's position; it stays between the minimum
// offset (viewSize - container size: the container's top at the window's top) and (0, 0) (its
// bottom at the window's bottom); a container smaller than the window sits at its top.
// Dragging (a touch that begins inside and moves more than a few pixels) and the wheel scroll it;
// a thin bar at the right edge shows where the window is. addChild adds to the container.
// Registers a targeted, non-swallowing touch delegate (priority 0) and the mouse while running.
// Main thread only.
class CCScrollView : public CCLayer {
public:
    CCScrollView();
    ~CCScrollView() override;

    static CCScrollView* create();
    // container may be null: an empty layer is made.
    static CCScrollView* create(const CCSize& viewSize, CCNode* container = nullptr);
    bool initWithViewSize(const CCSize& viewSize, CCNode* container);

    void setViewSize(const CCSize& size);
    const CCSize& getViewSize() const { return viewSize_; }
    CCNode* getContainer() const { return container_; }
    void setContainer(CCNode* container);
    // The container's size (what scrolls).
    void setContentSize(const CCSize& size) override;
    const CCSize& getContainerSize() const;

    void setDirection(CCScrollViewDirection direction) { direction_ = direction; }
    CCScrollViewDirection getDirection() const { return direction_; }
    void setContentOffset(const CCPoint& offset, bool animated = false);
    CCPoint getContentOffset() const;
    CCPoint minContainerOffset() const;
    CCPoint maxContainerOffset() const;
    bool isDragging() const { return dragging_; }
    bool isTouchMoved() const { return touchMoved_; }
    bool isNodeVisible(CCNode* node) const;
    void setDelegate(CCScrollViewDelegate* delegate) { delegate_ = delegate; }
    CCScrollViewDelegate* getDelegate() const { return delegate_; }
    // Pixels scrolled per wheel notch.
    void setWheelStep(float step) { wheelStep_ = step; }
    void setBounceable(bool) {}
    void setClippingToBounds(bool clipping) { clipping_ = clipping; }

    void setScrollBarSize(float width, float length);
    void setScrollBarVisible(bool visible) { scrollBarVisible_ = visible; }
    void setScrollBarColor(const ccColor4B& color) { scrollBarColor_ = color; }
    // The bar's rectangle in node space; empty when the content fits the window.
    CCRect getScrollBarRect() const;

    void addChild(CCNode* child) override;
    void addChild(CCNode* child, int zOrder) override;
    void addChild(CCNode* child, int zOrder, int tag) override;

    void registerWithTouchDispatcher() override;
    bool ccTouchBegan(CCTouch* touch, CCEvent* event) override;
    void ccTouchMoved(CCTouch* touch, CCEvent* event) override;
    void ccTouchEnded(CCTouch* touch, CCEvent* event) override;
    void ccTouchCancelled(CCTouch* touch, CCEvent* event) override;
    bool ccMouseWheel(int keys, float delta, float x, float y) override;

    void visit() override;

protected:
    bool isPointInClip(float x, float y) override;

private:
    CCRect viewRectInWorld() const;

    CCNode* container_ = nullptr;
    CCSize viewSize_;
    CCScrollViewDirection direction_ = kCCScrollViewDirectionVertical;
    CCScrollViewDelegate* delegate_ = nullptr;
    bool dragging_ = false;
    bool touchMoved_ = false;
    bool clipping_ = true;
    CCPoint touchStart_;
    float wheelStep_ = 40;
    bool scrollBarVisible_ = true;
    float scrollBarWidth_ = 4;
    float scrollBarLength_ = 35;
    ccColor4B scrollBarColor_{120, 124, 140, 200};
};

NS_CC_END
