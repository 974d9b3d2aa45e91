#pragma once

#include "CPanelBase.h"

class StockButtonPanel;
class StockButtonPanelDelegate;

// The bar along the top of the window: the window strip from the left edge and the small logo (a
// button, tag 1, that only logs) at the right. Main thread only.
class TopPanel : public CPanelBase {
public:
    static constexpr float HEIGHT = 56;
    static constexpr int Z_ORDER = 55;
    static constexpr int LOGO_TAG = 1;
    // The logo's centre, this far from the right edge; the strip stops short of it.
    static constexpr float LOGO_RIGHT_INSET = 60;
    static constexpr float STRIP_RIGHT_MARGIN = 120;

    static TopPanel* create(float width, StockButtonPanelDelegate* stripDelegate);

    // Null when the strip could not be made.
    StockButtonPanel* getStrip() const { return strip_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    TopPanel() = default;
    bool initTop(float width, StockButtonPanelDelegate* stripDelegate);
    void onButton(int tag) override;
    void layoutButtons() override;

private:
    StockButtonPanel* strip_ = nullptr;
};
