#pragma once

#include "IndicatorBase.h"

// The traded-volume pane: one bar per visible K-line bar, as tall as its volume, in the bar's own
// rise/fall colour at half opacity. Main thread only.
class IndicatorTrading : public IndicatorBase {
public:
    // Slots of a bar's drawing cache: the volume bar's bottom-left and top-right corners.
    static constexpr int CACHE_BOTTOM_LEFT = 7;
    static constexpr int CACHE_TOP_RIGHT = 8;

    // Null when init fails.
    static IndicatorTrading* createPane(DrawingKLine* chart, float width, float height);
    ~IndicatorTrading() override;

    void onScaleChanged(float barWidth, float halfWidth, int period) override;
    void onProgress(float t) override;
    void draw() override;

protected:
    void formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const override;
    cocos2d::ccColor3B infoColour(int index) const override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    IndicatorTrading();
};
