#pragma once

#include <functional>

#include "CCNode.h"

class AlertListPage;
class CStockPanel;
class LeftPanePage;
class NewsPanel;

// The collapsible pane at the left edge of the chart area with its pages, news (page 0) above the
// instrument list (page 1) above the price alerts (page 2). Shown pages share the pane's height; the pane is
// shown while any page is, and then narrows the chart area by its width. Showing the pane slides it in from
// the left, hiding the last page slides it out. The owner places the pane (anchored at its bottom left) and
// is told through the width-changed callback whenever getPaneWidth() changes, once per change, right when the
// change is asked for. Every page starts hidden. Main thread only.
class LeftPaneMaster : public cocos2d::CCNode {
public:
    static constexpr float PANE_WIDTH = 280;
    static constexpr int NEWS_PAGE = 0;
    static constexpr int STOCK_PAGE = 1;
    static constexpr int ALERT_PAGE = 2;
    static constexpr int PAGE_COUNT = 3;
    // Between two shown pages.
    static constexpr float PAGE_GAP = 5;
    static constexpr float SLIDE_SECONDS = 0.2f;

    // Null when a page cannot be made.
    static LeftPaneMaster* create(float height);

    // Shows or hides one page; a page index outside 0-2 is logged and ignored.
    void setPageShown(int page, bool shown, bool animated);
    bool isPageShown(int page) const;
    bool isPaneShown() const;
    // PANE_WIDTH while shown, else 0.
    float getPaneWidth() const;
    void setPaneHeight(float height);
    void setWidthChangedCallback(std::function<void()> callback) { widthChanged_ = std::move(callback); }
    // Called after a page opens or closes.
    void setPageChangedCallback(std::function<void()> callback) { pageChanged_ = std::move(callback); }

    NewsPanel* getNewsPanel() const { return news_; }
    CStockPanel* getStockPanel() const { return stock_; }
    AlertListPage* getAlertPage() const { return alerts_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    LeftPaneMaster() = default;
    bool initPane(float height);

private:
    LeftPanePage* page(int index) const;
    void layoutPages();
    // leaving: the page whose hiding closes the pane.
    void slide(bool in, bool animated, LeftPanePage* leaving);
    void showOnlyShownPages();

    cocos2d::CCNode* slider_ = nullptr;
    NewsPanel* news_ = nullptr;
    CStockPanel* stock_ = nullptr;
    AlertListPage* alerts_ = nullptr;
    std::function<void()> widthChanged_;
    std::function<void()> pageChanged_;
};
