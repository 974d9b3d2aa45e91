#pragma once

#include <vector>

#include "IndicatorBase.h"

// The KDJ (9, 3, 3) pane: the K, D and J lines on a fixed scale of 0 to 100 (the series keeps the
// values within 1 to 100). Main thread only.
class IndicatorKDJ : public IndicatorBase {
public:
    // Slots of a bar's drawing cache: K, D and J points.
    static constexpr int CACHE_K = 23;
    static constexpr int CACHE_D = 24;
    static constexpr int CACHE_J = 25;

    // Null when init fails.
    static IndicatorKDJ* createPane(DrawingKLine* chart, float width, float height);
    ~IndicatorKDJ() override;

    bool init(DrawingKLine* chart, float width, float height) override;
    void onScaleChanged(float barWidth, float halfWidth, int period) override;
    void onProgress(float t) override;
    void draw() override;

protected:
    void formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const override;
    cocos2d::ccColor3B infoColour(int index) const override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    IndicatorKDJ();

    std::vector<cocos2d::CCPoint> lines_[3];
};
