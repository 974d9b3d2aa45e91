#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CCGeometry.h"
#include "CCKeypadDelegate.h"
#include "CCObject.h"
#include "CCScheduler.h"
#include "CCTouchDelegate.h"
#include "ccTypes.h"

NS_CC_BEGIN

class CCAction;
class CCActionManager;
class CCTiledGrid;

inline constexpr int kCCNodeTagInvalid = -1;

// A scene-graph node: position, anchor, size, scale, rotation, visibility, colour and opacity,
// and children ordered by z-order (then by the order they were added). The parent retains its
// children. While a node is in the running scene ("running"), its timers and actions run;
// outside it they are paused. Main thread only.
class CCNode : public CCObject {
public:
    CCNode();
    ~CCNode() override;

    static CCNode* create();
    virtual bool init() { return true; }

    // Children.
    virtual void addChild(CCNode* child);
    virtual void addChild(CCNode* child, int zOrder);
    virtual void addChild(CCNode* child, int zOrder, int tag);
    virtual void removeChild(CCNode* child, bool cleanup = true);
    void removeChildByTag(int tag, bool cleanup = true);
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    void removeAllChildren() { removeAllChildrenWithCleanup(true); }
    void removeFromParentAndCleanup(bool cleanup);
    void removeFromParent() { removeFromParentAndCleanup(true); }
    virtual void reorderChild(CCNode* child, int zOrder);
    // Children in drawing order.
    void sortAllChildren();
    CCNode* getChildByTag(int tag) const;
    const std::vector<CCNode*>& getChildren() const { return children_; }
    unsigned int getChildrenCount() const { return static_cast<unsigned int>(children_.size()); }
    CCNode* getParent() const { return parent_; }
    void setParent(CCNode* parent) { parent_ = parent; }

    // Placement.
    virtual void setPosition(const CCPoint& position);
    void setPosition(float x, float y) { setPosition(CCPoint(x, y)); }
    const CCPoint& getPosition() const { return position_; }
    float getPositionX() const { return position_.x; }
    float getPositionY() const { return position_.y; }
    void setPositionX(float x) { setPosition(CCPoint(x, position_.y)); }
    void setPositionY(float y) { setPosition(CCPoint(position_.x, y)); }
    virtual void setAnchorPoint(const CCPoint& anchor);
    const CCPoint& getAnchorPoint() const { return anchorPoint_; }
    const CCPoint& getAnchorPointInPoints() const { return anchorPointInPoints_; }
    virtual void setContentSize(const CCSize& size);
    const CCSize& getContentSize() const { return contentSize_; }
    // When true the position places the node's bottom-left corner, whatever its anchor (layers).
    void ignoreAnchorPointForPosition(bool ignore);
    bool isIgnoreAnchorPointForPosition() const { return ignoreAnchorPoint_; }
    virtual void setScale(float scale);
    virtual void setScaleX(float scale);
    virtual void setScaleY(float scale);
    float getScale() const { return scaleX_; }
    float getScaleX() const { return scaleX_; }
    float getScaleY() const { return scaleY_; }
    // Degrees, clockwise.
    virtual void setRotation(float degrees);
    float getRotation() const { return rotation_; }
    virtual void setVisible(bool visible) { visible_ = visible; }
    bool isVisible() const { return visible_; }
    // Visible itself and through every ancestor: what is drawn, and may take input.
    bool isVisibleInHierarchy() const {
        for (const CCNode* node = this; node; node = node->getParent())
            if (!node->isVisible()) return false;
        return true;
    }
    void setZOrder(int zOrder);
    int getZOrder() const { return zOrder_; }
    void setTag(int tag) { tag_ = tag; }
    int getTag() const { return tag_; }
    void setUserData(void* data) { userData_ = data; }
    void* getUserData() const { return userData_; }
    // Size of the node's content rectangle in its parent's space.
    CCRect boundingBox() const;

    // Colour and opacity (the RGBA protocol). With cascading on, a parent's opacity and colour
    // multiply into its children's displayed values.
    virtual void setColor(const ccColor3B& color);
    const ccColor3B& getColor() const { return color_; }
    virtual void setOpacity(uint8_t opacity);
    uint8_t getOpacity() const { return opacity_; }
    uint8_t getDisplayedOpacity() const { return displayedOpacity_; }
    const ccColor3B& getDisplayedColor() const { return displayedColor_; }
    void setCascadeOpacityEnabled(bool enabled) { cascadeOpacity_ = enabled; }
    void setCascadeColorEnabled(bool enabled) { cascadeColor_ = enabled; }
    virtual void updateDisplayedOpacity(uint8_t parentOpacity);
    virtual void updateDisplayedColor(const ccColor3B& parentColor);

    // Transforms between node, parent and world (scene) space.
    CCAffineTransform nodeToParentTransform() const;
    CCAffineTransform parentToNodeTransform() const;
    CCAffineTransform nodeToWorldTransform() const;
    CCAffineTransform worldToNodeTransform() const;
    CCPoint convertToNodeSpace(const CCPoint& worldPoint) const;
    CCPoint convertToWorldSpace(const CCPoint& nodePoint) const;
    // Relative to the anchor point instead of the bottom-left corner.
    CCPoint convertToNodeSpaceAR(const CCPoint& worldPoint) const;
    CCPoint convertToWorldSpaceAR(const CCPoint& nodePoint) const;

    // Life cycle: called when the node enters or leaves the running scene (children follow).
    virtual void onEnter();
    virtual void onEnterTransitionDidFinish();
    virtual void onExit();
    bool isRunning() const { return running_; }
    // Stops every action and timer of this node and its children.
    virtual void cleanup();

    // Actions.
    CCAction* runAction(CCAction* action);
    void stopAllActions();
    void stopAction(CCAction* action);
    void stopActionByTag(int tag);
    CCAction* getActionByTag(int tag) const;
    unsigned int numberOfRunningActions() const;

    // Timers.
    void scheduleUpdate();
    void scheduleUpdateWithPriority(int priority);
    void unscheduleUpdate();
    void schedule(SEL_SCHEDULE selector);
    void schedule(SEL_SCHEDULE selector, float interval);
    void schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay);
    void scheduleOnce(SEL_SCHEDULE selector, float delay);
    void unschedule(SEL_SCHEDULE selector);
    // Function timers, named by key.
    void schedule(std::function<void(float)> callback, float interval, const std::string& key);
    void scheduleOnce(std::function<void(float)> callback, float delay, const std::string& key);
    void unschedule(const std::string& key);
    void unscheduleAllSelectors();
    void pauseSchedulerAndActions();
    void resumeSchedulerAndActions();

    // Drawing: visit() orders the children, applies this node's transform through the renderer's
    // matrix stack (and its tile grid, if any), and calls draw(), which paints this node only.
    virtual void visit();
    virtual void draw() {}
    // Position of this node in the last frame's drawing order (larger: drawn later, on top).
    unsigned long getVisitOrder() const { return visitOrder_; }
    // A grid of tiles that masks the node while set (tiled transitions); retained.
    void setGrid(CCTiledGrid* grid);
    CCTiledGrid* getGrid() const { return grid_; }

    // Hit tests in GL coordinates (window pixels, origin bottom left, y up): whether the point lies
    // in the node's content rectangle and the node and all its ancestors are visible.
    // isMouseInMe is the same test for the mouse pointer; override either to change the shape.
    virtual bool IsPointOnMe(float x, float y);
    virtual bool isMouseInMe(float x, float y) { return IsPointOnMe(x, y); }

    // Mouse delivery (CCMouseDispatcher): while enabled and in the running scene, the node gets
    // every pointer move, the wheel when the pointer is over it, and the hover hooks.
    void setMouseEnabled(bool enabled);
    bool isMouseEnabled() const { return mouseEnabled_; }
    void setMousePriority(int priority);
    int getMousePriority() const { return mousePriority_; }
    // Coordinates as for IsPointOnMe. Return true when handled (the wheel stops there).
    virtual bool ccMouseMove(float /*x*/, float /*y*/) { return false; }
    // delta: wheel notches, positive away from the user; keys: kCCMouseKey* flags.
    virtual bool ccMouseWheel(int /*keys*/, float /*delta*/, float /*x*/, float /*y*/) { return false; }
    // The pointer entered / left the node (once per transition).
    virtual void OnMouseHover() {}
    virtual void OnMouseLeave() {}
    // Whether the pointer is over the node (the hover state).
    bool isMouseOver() const { return mouseOver_; }
    void setMouseOver(bool over) { mouseOver_ = over; }

    CCScheduler* getScheduler() const;
    CCActionManager* getActionManager() const;

    // Called from the destructor: registries that keep plain node pointers forget them here. One
    // hook per key; adding with a key again replaces it.
    void setDestroyHook(const void* key, std::function<void(CCNode*)> hook);
    void removeDestroyHook(const void* key);

protected:
    // Children behind, draw(), children in front: the part of visit() inside the node's transform.
    void visitChildrenAndSelf();
    // Takes this node's place in the frame's drawing order (see getVisitOrder).
    void markVisited();
    // Whether a descendant may be hit at this point (GL coordinates); nodes that clip their
    // children (scroll views) refuse points outside their clip.
    virtual bool isPointInClip(float /*x*/, float /*y*/) { return true; }
    void insertChild(CCNode* child, int zOrder);
    void detachChild(CCNode* child, bool cleanup);
    void childrenChanged() { reorderDirty_ = true; }

    CCPoint position_;
    CCPoint anchorPoint_;
    CCPoint anchorPointInPoints_;
    CCSize contentSize_;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    float rotation_ = 0.0f;
    bool visible_ = true;
    bool ignoreAnchorPoint_ = false;
    int zOrder_ = 0;
    unsigned int orderOfArrival_ = 0;
    int tag_ = kCCNodeTagInvalid;
    void* userData_ = nullptr;
    ccColor3B color_ = ccWHITE;
    ccColor3B displayedColor_ = ccWHITE;
    uint8_t opacity_ = 255;
    uint8_t displayedOpacity_ = 255;
    bool cascadeOpacity_ = false;
    bool cascadeColor_ = false;
    bool running_ = false;
    bool reorderDirty_ = false;
    CCNode* parent_ = nullptr;
    std::vector<CCNode*> children_;
    unsigned long visitOrder_ = 0;
    CCTiledGrid* grid_ = nullptr;
    bool mouseEnabled_ = false;
    bool mouseOver_ = false;
    int mousePriority_ = 0;
    std::unique_ptr<std::vector<std::pair<const void*, std::function<void(CCNode*)>>>> destroyHooks_;
};

enum ccTouchesMode { kCCTouchesAllAtOnce, kCCTouchesOneByOne };

// A node that fills the window and may take input. Its position places its bottom-left corner.
// With touch enabled it registers with the director's touch dispatcher while it is in the running
// scene (registerWithTouchDispatcher: a standard delegate, or a targeted swallowing one in
// one-by-one mode); with the keypad enabled it gets key events.
class CCLayer : public CCNode, public CCTouchDelegate, public CCKeypadDelegate {
public:
    CCLayer();
    static CCLayer* create();
    bool init() override;

    virtual void setTouchEnabled(bool enabled);
    bool isTouchEnabled() const { return touchEnabled_; }
    void setTouchMode(ccTouchesMode mode);
    ccTouchesMode getTouchMode() const { return touchMode_; }
    void setTouchPriority(int priority);
    int getTouchPriority() const { return touchPriority_; }
    virtual void registerWithTouchDispatcher();
    virtual void unregisterWithTouchDispatcher();
    virtual void setKeypadEnabled(bool enabled);
    bool isKeypadEnabled() const { return keypadEnabled_; }

    void onEnter() override;
    void onExit() override;

protected:
    bool touchEnabled_ = false;
    bool keypadEnabled_ = false;
    ccTouchesMode touchMode_ = kCCTouchesAllAtOnce;
    int touchPriority_ = 0;
};

// The root of what the director shows.
class CCScene : public CCNode {
public:
    CCScene();
    static CCScene* create();
    bool init() override;
};

NS_CC_END
