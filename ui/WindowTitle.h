#pragma once

#include <string>

#include "CCNode.h"
#include "PanelButton.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d
class KLineBar;

// The chart window's title area: the instrument button (flag and display name) with the time-type
// button after it, and right of both the hover read-out of the bar under the cursor (high, open,
// low, close and the three moving averages). It stands at the window's origin, so its positions are
// the window's; the window owns it as a child node, lays it out and gets the button clicks.
// Main thread only.
class WindowTitle : public cocos2d::CCNode {
public:
    static constexpr float BUTTON_HEIGHT = 30;
    static constexpr int READOUT_COUNT = 4;
    static constexpr int MA_COUNT = 3;

    // Null when an image of the buttons is missing.
    static WindowTitle* create(const std::string& displayName, PanelButton::Callback onStockButton,
                               PanelButton::Callback onTimeTypeButton);

    // The instrument button's top-left corner stands at left, 5 below the window's top.
    void placeInWindow(float left, float windowHeight);
    // The labels show the names and the buttons take their labels' size.
    void setNames(const std::string& displayName, const std::string& timeTypeName);
    // The flag frame named "code.png", else "defualt.png" (logged).
    void showFlag(const std::string& code);
    // White names for the active window, grey for the others.
    void setActive(bool active);
    // Right edge of the time-type button.
    float getRight() const;

    // The read-out shows the bar's prices ("%s %g" with the row captions) and, with showMA, its
    // three moving averages; the caller places it afterwards.
    void showBar(const KLineBar& bar, bool showMA);
    // Writes the read-out's captions in the current language around the numbers last shown.
    void composeReadout();
    void hideReadout();
    void hideMALabels();
    // Two columns right of the buttons with the MA row below; a read-out that would run into the
    // visible toolbar (a node of the window) takes the rows below the toolbar instead.
    void placeReadout(float windowHeight, const cocos2d::CCNode* toolbar);

    PanelButton* getStockButton() const { return stockButton_; }
    PanelButton* getTimeTypeButton() const { return timeTypeButton_; }
    cocos2d::CCLabelTTF* getNameLabel() const { return nameLabel_; }
    cocos2d::CCLabelTTF* getTimeTypeLabel() const { return timeTypeLabel_; }
    // 0 high, 1 open, 2 low, 3 close; null for others.
    cocos2d::CCLabelTTF* getHoverLabel(int index) const;
    cocos2d::CCLabelTTF* getMALabel(int index) const;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    WindowTitle() = default;
    bool initTitle(const std::string& displayName, PanelButton::Callback onStockButton,
                   PanelButton::Callback onTimeTypeButton);
    void buildReadout();

    PanelButton* stockButton_ = nullptr;
    cocos2d::CCSprite* flag_ = nullptr;
    cocos2d::CCLabelTTF* nameLabel_ = nullptr;
    PanelButton* timeTypeButton_ = nullptr;
    cocos2d::CCLabelTTF* timeTypeLabel_ = nullptr;
    cocos2d::CCLabelTTF* hoverLabels_[READOUT_COUNT] = {};
    float readoutValues_[READOUT_COUNT] = {};
    cocos2d::CCLabelTTF* maLabels_[MA_COUNT] = {};
};
