#pragma once

#include "CPanelBase.h"

// The column along the left edge between the top and bottom bars: the news, quote-list and alerts
// buttons toggle the left pane's pages (a page's button shows its "_sel" pair while the page is
// shown), the layout button opens the layout chooser beside it. Main thread only.
class LeftPanel : public CPanelBase {
public:
    static constexpr float WIDTH = 50;
    static constexpr float BUTTON_SIZE = 50;
    static constexpr int Z_ORDER = 50;
    static constexpr int NEWS_TAG = 0;
    static constexpr int QUOTE_TAG = 1;
    static constexpr int LAYOUT_TAG = 2;
    // Under the layout button; it toggles the pane's page ALERTS_PAGE.
    static constexpr int ALERTS_TAG = 3;
    static constexpr int ALERTS_PAGE = 2;

    static LeftPanel* create(float height);

    // Shows page (0 news, 1 quote list, 2 alerts) as shown or hidden on its button.
    void showPageState(int page, bool shown);
    bool isPageMarked(int page) const;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    LeftPanel() = default;
    bool initLeft(float height);
    void onButton(int tag) override;
    void layoutButtons() override;
};
