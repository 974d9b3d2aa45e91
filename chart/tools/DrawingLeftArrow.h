#pragma once

#include "DrawingBase.h"

namespace cocos2d {
class CCSprite;
}

// A one-point tool that shows an icon at P0 (id 15, "arrow_left.png"), and the base of the other
// icons and of the texts. The icon's anchor (0..1 of its size) is put on P0: arrows point at it and
// the pin stands on it.
class DrawingLeftArrow : public DrawingBase {
public:
    static constexpr int TYPE = 15;

    DrawingLeftArrow() : DrawingLeftArrow(TYPE, "arrow_left.png", cocos2d::CCPoint(0, 0.5f)) {}
    ~DrawingLeftArrow() override;
    void draw() override;
    void refreshGeometry(bool xChanged) override;

    // Null for a tool without an icon.
    cocos2d::CCSprite* getIcon() const { return icon_; }

protected:
    // iconFrame may be null: no icon.
    DrawingLeftArrow(int type, const char* iconFrame, const cocos2d::CCPoint& iconAnchor);
    // Drawn over the icon; called with P0 present.
    virtual void drawContent() {}

    cocos2d::CCSprite* icon_ = nullptr;
};

// The other icons differ only in their picture and where it sits on P0.
class DrawingUpArrow : public DrawingLeftArrow {
public:
    static constexpr int TYPE = 16;
    DrawingUpArrow() : DrawingLeftArrow(TYPE, "arrow_up.png", cocos2d::CCPoint(0.5f, 1)) {}
};

class DrawingRightArrow : public DrawingLeftArrow {
public:
    static constexpr int TYPE = 17;
    DrawingRightArrow() : DrawingLeftArrow(TYPE, "arrow_right.png", cocos2d::CCPoint(1, 0.5f)) {}
};

class DrawingDownArrow : public DrawingLeftArrow {
public:
    static constexpr int TYPE = 18;
    DrawingDownArrow() : DrawingLeftArrow(TYPE, "arrow_down.png", cocos2d::CCPoint(0.5f, 0)) {}
};

class DrawingFlag : public DrawingLeftArrow {
public:
    static constexpr int TYPE = 19;
    DrawingFlag() : DrawingLeftArrow(TYPE, "icon_location.png", cocos2d::CCPoint(0.5f, 0)) {}
};
