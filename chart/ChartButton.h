#pragma once

#include <string>

#include "CCSprite.h"

// An image button of the chart view: a sprite-sheet frame for its normal and one for its pressed
// look, and a tag the view reads when it is pressed. The view does the hit testing and calls
// setPressed; the button takes no touches of its own. Main thread only.
class ChartButton : public cocos2d::CCSprite {
public:
    // Never null: a missing frame gives an empty button (and a log line from the sprite).
    static ChartButton* create(const char* normalFrame, const char* pressedFrame, int tag);

    void setPressed(bool pressed);
    // New images for both looks (a toggle that shows its state); the current look follows.
    void setFrames(const char* normalFrame, const char* pressedFrame);
    const std::string& getNormalFrame() const { return normalFrame_; }
    bool isPressed() const { return pressed_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isEnabled() const { return enabled_; }
    // Enabled, shown and under this point (window pixels).
    bool isHit(float x, float y);

private:
    ChartButton() = default;

    std::string normalFrame_;
    std::string pressedFrame_;
    bool pressed_ = false;
    bool enabled_ = false;
};
