#pragma once

#include <vector>

#include "PopuPanelBase.h"
#include "Theme.h"

class ChartChooserDelegate;
class PanelToggleButton;
class StockWindow;

// The time-type chooser of a chart window: nine buttons, tags 0 to 8 for the time-type indices. While
// shown it holds (retains) its window; hiding releases it and clears the window's toolbar selection.
// A new time type is fetched and the delegate (not owned, may be null) renews the subscriptions.
// Main thread only.
class SelectTimePanel : public PopuPanelBase {
public:
    static constexpr int TIME_TYPE_COUNT = 9;
    static constexpr float WIDTH = 200.0f;
    static constexpr float HEIGHT = 255.0f;

    // Null when a button image is missing.
    static SelectTimePanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND,
                                   const cocos2d::CCSize& size = cocos2d::CCSize(WIDTH, HEIGHT));
    ~SelectTimePanel() override;

    void setDelegate(ChartChooserDelegate* delegate) { delegate_ = delegate; }
    // Shows the chooser for window with the window's time type selected.
    void showForWindow(StockWindow* window);
    void hide() override;
    StockWindow* getWindow() const { return window_; }
    // Tag 0 to 8, or null.
    PanelToggleButton* getTimeButton(int tag) const;
    void onTimeButton(int tag);

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    SelectTimePanel() = default;
    bool initChooser(const cocos2d::ccColor3B& colour, const cocos2d::CCSize& size);
    void releaseWindow();

    ChartChooserDelegate* delegate_ = nullptr;
    StockWindow* window_ = nullptr;
    std::vector<PanelToggleButton*> timeButtons_;
};
