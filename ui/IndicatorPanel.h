#pragma once

#include <vector>

#include "CCGeometry.h"
#include "PopuPanelBase.h"
#include "Theme.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d
class ChartChooserDelegate;
class StockWindow;

// The indicator picker of a chart window (its TOOLBAR_INDICATORS button): one row per indicator, the moving
// averages first, then the volume, MACD, KDJ and BOLL panes, each with its icon and its info text.
// A row is marked while its indicator shows in the target window. Picking a row toggles that
// indicator: the MA lines go on or off, a pane is added when absent (so each pane shows at most once)
// and removed when present. The picker then hides and asks the delegate (the main scene, not owned,
// may be null) to save the layout. While shown it holds (retains) its window; hiding releases it and
// clears the window's toolbar selection. Main thread only.
class IndicatorPanel : public PopuPanelBase {
public:
    static constexpr int INDICATOR_COUNT = 5;
    static constexpr float WIDTH = 360.0f;
    static constexpr float TITLE_HEIGHT = 40.0f;
    static constexpr float ROW_HEIGHT = 50.0f;
    static constexpr float HEIGHT = TITLE_HEIGHT + ROW_HEIGHT * INDICATOR_COUNT + 10.0f;

    // Null when an image is missing.
    static IndicatorPanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND);
    ~IndicatorPanel() override;

    void setDelegate(ChartChooserDelegate* delegate) { delegate_ = delegate; }
    // The window the rows act on; null leaves every row unmarked and picks change nothing.
    void setTargetWindow(StockWindow* window);
    StockWindow* getTargetWindow() const { return window_; }
    // Shows the picker with its top-left corner at a world point.
    void showAt(const cocos2d::CCPoint& topLeft);
    // Shows the picker where it stands, its rows marked after the target window.
    void show() override;
    void hide() override;

    // Indicator types 1 (MA) to 5; null outside.
    PanelButton* getRowButton(int type) const;
    bool isRowSelected(int type) const;
    // The row's icon and info text; null outside 1 to 5.
    cocos2d::CCSprite* getRowIcon(int type) const;
    cocos2d::CCLabelTTF* getRowInfo(int type) const;
    // The row handler: toggles indicator type in the target window, then hides and saves.
    void onIndicatorRow(int type);

private:
    struct Row {
        PanelButton* button;
        cocos2d::CCNode* mark;
        cocos2d::CCSprite* icon;
        cocos2d::CCLabelTTF* info;
    };

    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    IndicatorPanel() = default;
    bool initPicker(const cocos2d::ccColor3B& colour);
    void markRows();
    void releaseWindow();

    ChartChooserDelegate* delegate_ = nullptr;
    StockWindow* window_ = nullptr;
    std::vector<Row> rows_;
};
