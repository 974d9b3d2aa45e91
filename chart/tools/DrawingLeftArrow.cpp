#include "DrawingLeftArrow.h"

#include "CCDrawingPrimitives.h"
#include "CCSprite.h"

USING_NS_CC;

DrawingLeftArrow::DrawingLeftArrow(int type, const char* iconFrame, const CCPoint& iconAnchor)
    : DrawingBase(type, 1) {
    if (!iconFrame) return;
    icon_ = CCSprite::createWithSpriteFrameName(iconFrame);
    icon_->retain();
    icon_->setAnchorPoint(iconAnchor);
}

DrawingLeftArrow::~DrawingLeftArrow() {
    if (icon_) icon_->release();
}

void DrawingLeftArrow::refreshGeometry(bool) {
    if (icon_ && hasPoints(1)) icon_->setPosition(at(0));
}

void DrawingLeftArrow::draw() {
    if (!beginDraw()) return;
    if (hasPoints(1)) {
        if (icon_) icon_->visit();
        drawContent();
    }
    drawHandles();
    ccGLResetState();
}
