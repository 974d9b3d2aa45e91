#pragma once

#include <vector>

#include "IndicatorBase.h"

// The Bollinger-band pane: each bar as a price step (open to close) with the upper, middle and lower
// bands, on a scale that holds both the prices and the bands. Main thread only.
class IndicatorBOLL : public IndicatorBase {
public:
    // Slots of a bar's drawing cache: the four points of the price step, then UPPER, MID, LOWER.
    static constexpr int CACHE_STEP = 16;
    static constexpr int CACHE_UPPER = 20;
    static constexpr int CACHE_MID = 21;
    static constexpr int CACHE_LOWER = 22;

    // Null when init fails.
    static IndicatorBOLL* createPane(DrawingKLine* chart, float width, float height);
    ~IndicatorBOLL() override;

    void onScaleChanged(float barWidth, float halfWidth, int period) override;
    void onProgress(float t) override;
    void draw() override;

protected:
    void formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const override;
    cocos2d::ccColor3B infoColour(int index) const override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    IndicatorBOLL();

    std::vector<cocos2d::CCPoint> bands_[3];
};
