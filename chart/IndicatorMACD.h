#pragma once

#include <vector>

#include "IndicatorBase.h"

// The MACD (12, 26, 9) pane: the histogram around a zero line in the middle of the pane, red above
// and green at or below zero, with the DIFF and DEA lines, all on a scale symmetric about zero.
// Main thread only.
class IndicatorMACD : public IndicatorBase {
public:
    // Slots of a bar's drawing cache: histogram corners, DIFF and DEA points.
    static constexpr int CACHE_BAR_BOTTOM_LEFT = 12;
    static constexpr int CACHE_BAR_TOP_RIGHT = 13;
    static constexpr int CACHE_DIFF = 14;
    static constexpr int CACHE_DEA = 15;

    // Null when init fails.
    static IndicatorMACD* createPane(DrawingKLine* chart, float width, float height);
    ~IndicatorMACD() override;

    void onScaleChanged(float barWidth, float halfWidth, int period) override;
    void onProgress(float t) override;
    void draw() override;
    // y of the zero line.
    float zeroY() const { return valueHeight_ / 2 + baseY_; }

protected:
    void formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const override;
    cocos2d::ccColor3B infoColour(int index) const override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    IndicatorMACD();

    std::vector<cocos2d::CCPoint> diffLine_;
    std::vector<cocos2d::CCPoint> deaLine_;
};
