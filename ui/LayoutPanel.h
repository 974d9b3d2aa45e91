#pragma once

#include <array>
#include <vector>

#include "PopuPanelBase.h"
#include "Theme.h"

class LayoutPanelDelegate;
class PanelToggleButton;

// The layout chooser: 23 layout buttons in rows by the number of charts. Layouts are numbered 1 to 23,
// the same numbers as the buttons' tags and images; the chosen number goes to the delegate (the main
// scene), which is not owned and may be null. Main thread only.
class LayoutPanel : public PopuPanelBase {
public:
    static constexpr int LAYOUT_COUNT = 23;
    static constexpr float WIDTH = 350.0f;
    static constexpr float HEIGHT = 330.0f;
    static constexpr float BUTTON_SIZE = 50.0f;
    static constexpr float CAPTION_X = 45.0f;
    static constexpr int ROW_COUNT = 5;

    // Null when a button image is missing.
    static LayoutPanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND);

    // The centre of layout button k (1 to 23), x from the left and y down from the panel's top edge.
    static cocos2d::CCPoint buttonOffset(int layout);

    void setDelegate(LayoutPanelDelegate* delegate) { delegate_ = delegate; }
    // Selects button layout and unselects the old one; numbers outside 1 to 23 are ignored.
    void setCurrentLayout(int layout);
    int getCurrentLayout() const { return currentLayout_; }
    // An unavailable layout's button is dimmed and takes no clicks; numbers outside 1 to 23 are ignored.
    void setLayoutAvailable(int layout, bool available);
    bool isLayoutAvailable(int layout) const;
    // Button layout (1 to 23), or null.
    PanelToggleButton* getLayoutButton(int layout) const;
    void onLayoutButton(int layout);
    void show() override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    LayoutPanel() = default;
    bool initLayoutPanel(const cocos2d::ccColor3B& colour);

    LayoutPanelDelegate* delegate_ = nullptr;
    std::vector<PanelToggleButton*> layoutButtons_;
    int currentLayout_ = 0;
    std::array<bool, LAYOUT_COUNT> available_{};
};
