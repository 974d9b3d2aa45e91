#pragma once

#include <vector>

#include "PopuPanelBase.h"
#include "Theme.h"

namespace cocos2d {
class CCLabelTTF;
}
class PanelToggleButton;
class StockWindow;

// The drawing-tool chooser of a chart window: the tools in six groups (lines, shapes, ranges, icons,
// texts, planners), each an icon with its name as tip. A pick starts the tool on the window's chart and
// leaves the window's toolbar button pressed until the tool is placed or cancelled; closing without a
// pick releases it. While shown it holds (retains) its window. Main thread only.
class SelectDrawingToolPanel : public PopuPanelBase {
public:
    static constexpr int GROUP_COUNT = 6;
    static constexpr float WIDTH = 230.0f;
    static constexpr float HEIGHT = 376.0f;

    // Null when an icon is missing.
    static SelectDrawingToolPanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND);
    ~SelectDrawingToolPanel() override;

    void showForWindow(StockWindow* window);
    void hide() override;
    StockWindow* getWindow() const { return window_; }
    // The button of a tool id, or null (id 9 and unknown ids have none).
    PanelToggleButton* getToolButton(int id) const;
    void onToolButton(int id);

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    SelectDrawingToolPanel() = default;
    bool initChooser(const cocos2d::ccColor3B& colour);
    void releaseWindow();

    StockWindow* window_ = nullptr;
    bool picked_ = false;
    std::vector<PanelToggleButton*> toolButtons_;
};
