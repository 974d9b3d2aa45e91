#pragma once

#include <vector>

#include "CCNode.h"
#include "CCTouchDelegate.h"

class PanelButton;
class StockButton;
class StockButtonPanelDelegate;
class StockWindow;

// The strip of window buttons across the top of the main scene, one per chart window in window
// order, with the layout and add buttons. Buttons that do not fit are squeezed together (and all
// take the narrow frames); the hovered one then gets its full width. A button can be dragged to
// a new place; the delegate (the main scene, not owned, may be null) follows the new order.
// Main thread only.
class StockButtonPanel : public cocos2d::CCNode, public cocos2d::CCTouchDelegate {
public:
    static constexpr int LAYOUT_BUTTON_TAG = 1;
    static constexpr int ADD_BUTTON_TAG = 2;
    static constexpr float MOVE_SECONDS = 0.3f;
    static constexpr float FIRST_BUTTON_X = 65.0f;
    static constexpr int DRAG_Z_ORDER = 99;
    static constexpr int TOUCH_PRIORITY = 0;

    // Null when a button image is missing.
    static StockButtonPanel* create(const cocos2d::CCSize& size);

    void setDelegate(StockButtonPanelDelegate* delegate) { delegate_ = delegate; }
    // A new button for this window at the end of the strip; null when it cannot be made.
    StockButton* addButton(StockWindow* window, const std::string& displayName);
    // Takes out the button of a closed window; the only button stays.
    void removeButton(StockButton* button);
    void relayout(bool animate);

    const std::vector<StockButton*>& getButtons() const { return buttons_; }
    StockButton* buttonOf(const StockWindow* window) const;
    float getSlotWidth() const { return slotWidth_; }
    float getSpacing() const { return spacing_; }
    bool isCompressed() const { return compressed_; }
    StockButton* getHoveredButton() const { return hovered_; }
    PanelButton* getLayoutButton() const { return layoutButton_; }
    PanelButton* getAddButton() const { return addButton_; }

    void onEnter() override;
    void onExit() override;
    bool ccMouseMove(float x, float y) override;
    void OnMouseLeave() override;
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchMoved(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchCancelled(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    StockButtonPanel() = default;
    bool initPanel(const cocos2d::CCSize& size);

private:
    void moveButton(StockButton* button, float x, bool animate);
    void renumber();
    void hoverButton(StockButton* button);
    void endDrag();
    StockButton* buttonAt(const cocos2d::CCPoint& world) const;
    void onChooserButton(PanelButton* button);
    float addButtonWidth() const;

    StockButtonPanelDelegate* delegate_ = nullptr;
    std::vector<StockButton*> buttons_;
    float slotWidth_ = 0;
    float spacing_ = 0;
    bool compressed_ = false;
    StockButton* hovered_ = nullptr;
    StockButton* pressed_ = nullptr;
    StockButton* dragged_ = nullptr;
    cocos2d::CCPoint pressAt_;
    cocos2d::CCPoint pressedFrom_;
    PanelButton* layoutButton_ = nullptr;
    PanelButton* addButton_ = nullptr;
};
