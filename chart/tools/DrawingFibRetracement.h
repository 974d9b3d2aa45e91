#pragma once

#include <array>
#include <memory>

#include "DrawingLine.h"
#include "ToolLabel.h"

// Fibonacci retracement between P0 and P1 (id 13): a horizontal line per level, level 0 at P1 and
// level 1 at P0, the bands between neighbouring levels shaded, each level labelled "%g(%.2f)" with
// its ratio and price right-aligned just left of P0, and the diagonal P0-P1 in grey.
class DrawingFibRetracement : public DrawingLine {
public:
    static constexpr int TYPE = 13;
    static constexpr int LEVEL_COUNT = 10;
    static constexpr double LEVELS[LEVEL_COUNT] = {0,     0.236, 0.382, 0.5,   0.618,
                                                   0.786, 1,     1.618, 2.618, 3.618};
    static constexpr float LABEL_GAP = 3.0f;

    DrawingFibRetracement();
    void refreshGeometry(bool xChanged) override;
    const ToolLabel& getLevelLabel(int level) const { return *labels_[static_cast<size_t>(level)]; }
    float levelY(int level) const;

protected:
    void drawShape() override;

private:
    std::array<std::unique_ptr<ToolLabel>, LEVEL_COUNT> labels_;
    uint64_t textAnchors_ = 0;
};
