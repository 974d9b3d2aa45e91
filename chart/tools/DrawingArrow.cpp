#include "DrawingArrow.h"

#include "CCDrawingPrimitives.h"
#include "ToolGeometry.h"

USING_NS_CC;

void DrawingArrow::drawShape() {
    ccDrawLine(at(0), at(1));
    ToolGeometry::drawHead(at(0), at(1), HEAD_LENGTH);
}
