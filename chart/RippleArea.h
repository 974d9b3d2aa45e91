#pragma once

#include <vector>

#include "CCNode.h"

// The filled area under a polyline, down to y = 0: one quad per segment. The line and area chart uses
// it as the stencil that cuts its background image to the area under the prices. Main thread only.
class RippleArea : public cocos2d::CCNode {
public:
    static RippleArea* create();

    // The polyline's points, left to right, in the parent's node space.
    std::vector<cocos2d::CCPoint>& points() { return points_; }
    void draw() override;

private:
    RippleArea() = default;

    std::vector<cocos2d::CCPoint> points_;
};
