#pragma once

#include <array>
#include <memory>

#include "DrawingLine.h"
#include "ToolLabel.h"

// A Gann fan from P0 (id 14): with (dx, dy) = P1 - P0, five rays through (P0.x + dx, P0.y + f dy)
// and four through (P0.x + f dx, P0.y + dy), each run on to RAY_LENGTH px from P0 and labelled
// with its ratio; the eight sectors between neighbouring rays are shaded.
class DrawingGannFan : public DrawingLine {
public:
    static constexpr int TYPE = 14;
    static constexpr int RAY_COUNT = 9;
    static constexpr int STEEP_RAYS = 5;
    static constexpr float RATIOS[RAY_COUNT] = {1 / 8.0f, 1 / 4.0f, 1 / 3.0f, 1 / 2.0f, 1.0f,
                                                1 / 2.0f, 1 / 3.0f, 1 / 4.0f, 1 / 8.0f};
    static constexpr const char* LABELS[RAY_COUNT] = {"1/8", "1/4", "1/3", "1/2", "1/1",
                                                      "1/2", "1/3", "1/4", "1/8"};

    DrawingGannFan();
    // Where ray k is defined to pass (before it is run on).
    cocos2d::CCPoint rayThrough(int k) const;

protected:
    void drawShape() override;

private:
    std::array<std::unique_ptr<ToolLabel>, RAY_COUNT> labels_;
};
