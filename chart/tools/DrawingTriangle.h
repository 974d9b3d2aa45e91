#pragma once

#include "DrawingBase.h"

// A polygon placed click by click (id 6). A click closer than CLOSE_DISTANCE px to P0 closes it (the
// click itself adds no corner) once at least three corners remain; the click after MAX_CORNERS
// corners closes it too. The closed polygon is filled, triangulated, then outlined.
class DrawingTriangle : public DrawingBase {
public:
    static constexpr int TYPE = 6;
    static constexpr int OPEN_POINTS = 9999;
    static constexpr float CLOSE_DISTANCE = 16.0f;
    static constexpr int MIN_CORNERS = 3;
    static constexpr int MAX_CORNERS = 24;
    static constexpr cocos2d::ccColor4F FILL{0.7f, 0.1f, 0.1f, 0.2f};

    DrawingTriangle() : DrawingBase(TYPE, OPEN_POINTS) {}
    void draw() override;
    bool addPoint(KLineBar* bar, float price, int barOffset, bool isClick) override;
    bool isComplete() const override { return closed_; }
    void refreshGeometry(bool xChanged) override;

protected:
    bool isRestorableCount(size_t count) const override {
        return count >= MIN_CORNERS && count <= MAX_CORNERS;
    }
    void onRestored() override { closed_ = true; }

private:
    void dropNewest();

    bool closed_ = false;
    bool fillDirty_ = true;
    std::vector<cocos2d::CCPoint> fill_;
};
