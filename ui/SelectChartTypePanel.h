#pragma once

#include <string>
#include <vector>

#include "PopuPanelBase.h"
#include "Theme.h"

namespace cocos2d {
class CCLabelTTF;
}
class ChartChooserDelegate;
class PanelToggleButton;
class StockWindow;

// The chart-type chooser of a chart window: four buttons, tags 1 to 4 for the chart types 0 to 3, and
// an info label with the text of the button under the mouse. While shown it holds (retains) its
// window; hiding releases it, clears the window's toolbar selection and saves the layout through the
// delegate (not owned, may be null). Main thread only.
class SelectChartTypePanel : public PopuPanelBase {
public:
    static constexpr int CHART_TYPE_COUNT = 4;
    static constexpr float WIDTH = 320.0f;
    static constexpr float HEIGHT = 230.0f;
    static constexpr float INFO_WIDTH = 290.0f;
    static constexpr float INFO_FONT_SIZE = 16.0f;

    // Null when a button image is missing.
    static SelectChartTypePanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND);
    ~SelectChartTypePanel() override;

    void setDelegate(ChartChooserDelegate* delegate) { delegate_ = delegate; }
    // Shows the chooser for window with the window's chart type selected.
    void showForWindow(StockWindow* window);
    void hide() override;
    StockWindow* getWindow() const { return window_; }
    // Tag 1 to 4, or null.
    PanelToggleButton* getTypeButton(int tag) const;
    cocos2d::CCLabelTTF* getInfoLabel() const { return infoLabel_; }
    void onTypeButton(int tag);
    // Shows the hover text of the button under the mouse, or hides the label.
    void update(float dt) override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    SelectChartTypePanel() = default;
    bool initChooser(const cocos2d::ccColor3B& colour);
    void releaseWindow();

    ChartChooserDelegate* delegate_ = nullptr;
    StockWindow* window_ = nullptr;
    std::vector<PanelToggleButton*> typeButtons_;
    std::vector<std::string> infoTexts_;
    cocos2d::CCLabelTTF* infoLabel_ = nullptr;
};
