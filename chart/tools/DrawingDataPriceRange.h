#pragma once

#include "DrawingPriceRange.h"

// The box P0-P1, filled and outlined, with the price measurement over the bar and time measurement
// of the data range (id 12).
class DrawingDataPriceRange : public DrawingPriceRange {
public:
    static constexpr int TYPE = 12;
    static constexpr cocos2d::ccColor4F FILL{0.7f, 0.7f, 0.1f, 0.2f};

    DrawingDataPriceRange() : DrawingPriceRange(TYPE) {}

protected:
    void drawShape() override;
    std::string labelText() const override;
};
