#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CCSprite.h"
#include "LinkedWindowButton.h"

namespace cocos2d {
class CCLabelTTF;
}
class KLineSeries;
class PanelButton;
class StockWindow;

// One button of the window button strip: the linked window's instrument name, last price and
// change, and a small chart of its newest bars. The close button shows while the pointer is over
// the button and asks the owner to close the window. Anchored at its left edge, middle height.
// The window is not owned. Main thread only.
class StockButton : public cocos2d::CCSprite, public LinkedWindowButton {
public:
    using CloseHandler = std::function<void(StockButton* button)>;

    static constexpr float CLOSE_FADE_SECONDS = 0.3f;
    static constexpr int NAME_GREY = 120;

    // Null when a frame is missing from the sprite sheet.
    static StockButton* create();

    // Links the window (null to unlink) and redraws the small chart.
    void link(StockWindow* window, const std::string& displayName);
    StockWindow* getWindow() const { return window_; }
    int getIndex() const { return index_; }
    void setIndex(int index) { index_ = index; }
    void setNarrow(bool narrow);
    bool isNarrow() const { return narrow_; }
    void setActive(bool active);
    bool isActive() const { return active_; }
    bool isRising() const { return rising_; }
    // The colour of the price texts, the pointer and the small chart.
    cocos2d::ccColor3B getQuoteColour() const { return quoteColour_; }
    void setCloseHandler(CloseHandler handler) { closeHandler_ = std::move(handler); }
    // A button that may not close its window never shows its close button.
    void setCloseAllowed(bool allowed);
    bool isCloseAllowed() const { return closeAllowed_; }

    // --- LinkedWindowButton
    void showQuote(float last, float change) override;
    void setDisplayName(const std::string& name) override;
    // Marks the small chart for the next frame: a burst of bars costs one rebuild per frame.
    void redrawChart() override;
    void setChartShown(bool shown) override { chartShown_ = shown; }

    // The small chart's segments (two points each) for these bars, drawn into a button of this
    // size; the points are also stored in each drawn bar's small-chart group.
    static std::vector<cocos2d::CCPoint> smallChartPoints(const KLineSeries& series, int chartType,
                                                          const cocos2d::CCSize& size);

    // The small chart as the last frame drew it.
    const std::vector<cocos2d::CCPoint>& getChartPoints() const { return chartPoints_; }
    PanelButton* getCloseButton() const { return closeButton_; }
    cocos2d::CCLabelTTF* getNameLabel() const { return nameLabel_; }
    cocos2d::CCLabelTTF* getPriceLabel() const { return priceLabel_; }
    cocos2d::CCLabelTTF* getChangeLabel() const { return changeLabel_; }
    cocos2d::CCSprite* getPointer() const { return pointer_; }

    void onEnter() override;
    void onExit() override;
    void OnMouseHover() override;
    void OnMouseLeave() override;
    void visit() override;
    void draw() override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    StockButton() = default;
    bool initButton();

private:
    void applyFrames();
    void placeChildren();
    void colourLabels();
    void rebuildChart();

    StockWindow* window_ = nullptr;
    int index_ = 0;
    bool narrow_ = false;
    bool active_ = false;
    bool rising_ = true;
    bool closeAllowed_ = true;
    bool chartShown_ = true;
    CloseHandler closeHandler_;
    std::vector<cocos2d::CCPoint> chartPoints_;
    bool chartDirty_ = false;
    cocos2d::ccColor3B quoteColour_{200, 66, 66};

    cocos2d::CCSprite* selection_ = nullptr;
    cocos2d::CCSprite* frameRect_ = nullptr;
    PanelButton* closeButton_ = nullptr;
    cocos2d::CCLabelTTF* nameLabel_ = nullptr;
    cocos2d::CCLabelTTF* priceLabel_ = nullptr;
    cocos2d::CCLabelTTF* changeLabel_ = nullptr;
    cocos2d::CCSprite* pointer_ = nullptr;
};
