#pragma once

#include <functional>
#include <string>

#include "CCNode.h"

namespace cocos2d {
class CCSprite;
}  // namespace cocos2d
class ChartButton;
class DrawingBase;

// The editing toolbar of the selected drawing tool: colour, line width, lock, show/hide and delete
// (tags COLOUR to DELETE), with the colour and the width pop-ups (one open at a time). A child of the
// chart view, which clips it: it lays itself out to fit whatever size the view has, down to the
// smallest chart of a nine-window layout. It only shows state and reports hits; the view applies them
// to the tool. Main thread only.
class DrawingToolbar : public cocos2d::CCNode {
public:
    static constexpr int COLOUR = 1;
    static constexpr int WIDTH = 2;
    static constexpr int LOCK = 3;
    static constexpr int SHOW_HIDE = 4;
    static constexpr int DELETE = 5;
    static constexpr int BUTTON_COUNT = 5;
    static constexpr float COLOUR_POPUP_WIDTH = 100;
    static constexpr float COLOUR_POPUP_HEIGHT = 164;
    static constexpr float WIDTH_POPUP_WIDTH = 70;
    static constexpr float WIDTH_POPUP_HEIGHT = 138;

    // A toolbar button (tag, entry -1) or a pop-up entry (tag COLOUR or WIDTH, entry its table index).
    struct Hit {
        int tag = 0;
        int entry = -1;
        explicit operator bool() const { return tag != 0; }
    };
    // Shows (true) or hides a tip text near a point in world coordinates.
    using TipDisplay = std::function<void(bool show, const std::string& text, const cocos2d::CCPoint& at)>;
    static void setTipDisplay(TipDisplay display);

    static DrawingToolbar* create();

    // Icons from the tool's colour, width, lock and visibility; shows the toolbar.
    void showFor(const DrawingBase& tool);
    // Hides the toolbar, its pop-ups and its tip.
    void hideAll();
    // Fits the toolbar and its pop-ups into a view of this size (node space of the view).
    void place(const cocos2d::CCSize& viewSize);
    // COLOUR or WIDTH opens that pop-up (closing the other) or closes it when open.
    void togglePopup(int tag);
    bool isPopupOpen(int tag) const;
    // What lies under a world point; nothing while hidden.
    Hit hitAt(const cocos2d::CCPoint& world);
    // Pressed look of a toolbar button; 0 releases all.
    void setPressed(int tag);
    // Null for tags outside COLOUR to DELETE.
    ChartButton* getButton(int tag) const { return tag >= COLOUR && tag <= DELETE ? button(tag) : nullptr; }
    // The tip follows the pointer; false when the pointer is not over a button.
    bool hoverAt(const cocos2d::CCPoint& world);

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    DrawingToolbar() = default;
    bool initToolbar();
    void buildPopup(int tag);
    void placePopup(int tag);
    ChartButton* button(int tag) const { return buttons_[tag - 1]; }

    ChartButton* buttons_[BUTTON_COUNT] = {};
    cocos2d::CCSprite* colourIcon_ = nullptr;
    cocos2d::CCSprite* widthIcon_ = nullptr;
    cocos2d::CCNode* colourPopup_ = nullptr;
    cocos2d::CCNode* widthPopup_ = nullptr;
    cocos2d::CCSize viewSize_;
    int hoveredTag_ = 0;
};
