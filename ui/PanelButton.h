#pragma once

#include <functional>
#include <string>

#include "CCSprite.h"
#include "CCTouchDelegate.h"

// The button of every panel and window: a sprite made from a normal and a hover frame (its size is
// the normal frame's, anchored at its centre) with a tag. While the pointer is over it, it shows the
// hover frame and, when a tip key is set, its tip text in the scene's shared tip display. A touch
// that begins inside an enabled, visible button and ends inside it calls the target with the button.
// Main thread only.
class PanelButton : public cocos2d::CCSprite, public cocos2d::CCTouchDelegate {
public:
    using Callback = std::function<void(PanelButton* button)>;
    // Shows (true) or hides (false) a tip text near a point in world coordinates.
    using TipDisplay = std::function<void(bool show, const std::string& text, const cocos2d::CCPoint& at)>;

    static constexpr int DEFAULT_TOUCH_PRIORITY = -10;

    // Null when the normal frame is missing from the sprite sheet. The target is not retained:
    // it owns the button, as panels and windows do.
    static PanelButton* create(const char* normalFrame, const char* hoverFrame, int tag,
                               cocos2d::CCObject* target, cocos2d::SEL_MenuHandler selector);
    static PanelButton* create(const char* normalFrame, const char* hoverFrame, int tag, Callback callback);

    // The scene's shared tip label; set once by the main scene.
    static void setTipDisplay(TipDisplay display);

    // The tip shown on hover: the language table's text for key, or its "default" text when the
    // key is missing (logged). The key is kept: the tip follows every language switch.
    void setTipsInfo(const char* key);
    const std::string& getTipText() const { return tipText_; }
    const std::string& getTipKey() const { return tipKey_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isEnabled() const { return enabled_; }
    void setTouchPriority(int priority) { touchPriority_ = priority; }
    bool isHovered() const { return hovered_; }

    void onEnter() override;
    void onExit() override;
    void OnMouseHover() override;
    void OnMouseLeave() override;
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchCancelled(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    PanelButton() = default;
    bool initWithFrames(const char* normalFrame, const char* hoverFrame, int tag);
    // Shows the normal or the hover frame of the current pair.
    virtual void showFrames(bool hover);
    void setCallback(Callback callback) { callback_ = std::move(callback); }

    std::string normalFrame_;
    std::string hoverFrame_;

private:
    void fire();
    void readTip();

    Callback callback_;
    cocos2d::CCObject* target_ = nullptr;
    cocos2d::SEL_MenuHandler selector_ = nullptr;
    std::string tipKey_;
    std::string tipText_;
    bool tipBound_ = false;
    bool enabled_ = true;
    bool hovered_ = false;
    bool tracking_ = false;
    int touchPriority_ = DEFAULT_TOUCH_PRIORITY;
};

// A button with two pairs of frames that switches pairs with its state.
class PanelToggleButton : public PanelButton {
public:
    static PanelToggleButton* create(const char* normalFrame, const char* hoverFrame,
                                     const char* onNormalFrame, const char* onHoverFrame, int tag,
                                     Callback callback);
    void setState(bool on);
    bool getState() const { return on_; }

protected:
    void showFrames(bool hover) override;

private:
    std::string onNormalFrame_;
    std::string onHoverFrame_;
    bool on_ = false;
};
