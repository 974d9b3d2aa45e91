#include "DrawingRay.h"

#include "CCDrawingPrimitives.h"
#include "ToolGeometry.h"

USING_NS_CC;

void DrawingRay::drawShape() {
    ccDrawLine(at(0), ToolGeometry::rayEnd(at(0), at(1)));
}
