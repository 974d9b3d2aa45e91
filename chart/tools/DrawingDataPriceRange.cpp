#include "DrawingDataPriceRange.h"

#include "CCDrawingPrimitives.h"
#include "DrawingDataRange.h"
#include "DrawingKLine.h"

USING_NS_CC;

std::string DrawingDataPriceRange::labelText() const {
    std::string text = measure(points_[0].price, points_[1].price);
    std::string span;
    if (DrawingDataRange::measure(points_[0], points_[1], chart_ ? chart_->getTimeType() : 1, span))
        text += "\n" + span;
    return text;
}

void DrawingDataPriceRange::drawShape() {
    ccDrawSolidRect(at(0), at(1), FILL);
    strokeColour();
    ccDrawRect(at(0), at(1));
}
