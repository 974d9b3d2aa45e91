#pragma once

#include <vector>

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

class CCNode;

// Modifier flags passed with the wheel (the values of the Windows mouse-key flags).
inline constexpr int kCCMouseKeyShift = 0x0004;
inline constexpr int kCCMouseKeyControl = 0x0008;

// Mouse motion and wheel for the nodes that asked for them (CCNode::setMouseEnabled), in GL
// coordinates (window pixels, origin bottom left, y up).
// - Motion goes to every enabled node (each decides with isMouseInMe what it means to it), and
//   drives the hover hooks: OnMouseHover once when the pointer enters a node, OnMouseLeave once
//   when it leaves (or the node stops being hit: hidden, moved, shrunk).
// - The wheel goes to the nodes under the pointer, topmost first (lower priority value first, then
//   the one drawn last), until one reports it handled.
// The dispatcher does not retain nodes: a node unregisters itself when it leaves the scene.
// Main thread only.
class CCMouseDispatcher : public CCObject {
public:
    CCMouseDispatcher() = default;

    void addNode(CCNode* node, int priority);
    void removeNode(CCNode* node);
    bool hasNode(const CCNode* node) const;

    void mouseMoved(float x, float y);
    // delta: wheel notches, positive away from the user. True when a node handled it.
    bool mouseWheel(int keys, float delta, float x, float y);
    // The pointer left the window: every hovered node gets OnMouseLeave.
    void mouseLeftWindow();

    const CCPoint& getLastPosition() const { return last_; }
    bool hasPosition() const { return havePosition_; }

private:
    struct Entry {
        CCNode* node = nullptr;
        int priority = 0;
        unsigned long order = 0;
    };
    std::vector<Entry> ordered() const;

    std::vector<Entry> entries_;
    unsigned long nextOrder_ = 0;
    CCPoint last_;
    bool havePosition_ = false;
};

NS_CC_END
