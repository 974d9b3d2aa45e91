#include "DrawingBase.h"

#include "KLineBar.h"

USING_NS_CC;

DrawingBase::DrawingBase(int type, int requiredPoints) : type_(type), requiredPoints_(requiredPoints) {}

DrawingBase::~DrawingBase() = default;

bool DrawingBase::hitTest(const CCPoint& point) {
    DrawingControlPoint* nearest = nullptr;
    float best = HANDLE_HIT_RADIUS;
    for (DrawingControlPoint& p : points_) {
        float d = CCPoint(p.x, p.y).getDistance(point);
        if (d <= best) {
            best = d;
            nearest = &p;
        }
    }
    if (nearest) {
        activeHandle_ = nearest;
        hovered_ = true;
        onHandleHit();
        return true;
    }
    hovered_ = false;
    if (!selected_) activeHandle_ = nullptr;
    return false;
}

bool DrawingBase::moveActiveHandle(KLineBar* bar, float price, int barOffset) {
    if (locked_ || !activeHandle_ || !bar) return false;
    activeHandle_->bar = bar;
    activeHandle_->price = price;
    activeHandle_->barOffset = barOffset;
    onPointsChanged(activeHandle_);
    return true;
}

void DrawingBase::updateX(float offsetX, float barSpacing) {
    for (DrawingControlPoint& p : points_)
        if (p.bar) p.x = static_cast<float>(p.bar->index + p.barOffset) * barSpacing + offsetX;
    refreshGeometry(true);
}

void DrawingBase::updateY(float priceScale, float baseY, float priceMin) {
    for (DrawingControlPoint& p : points_) p.y = (p.price - priceMin) * priceScale + baseY;
    refreshGeometry(false);
}

bool DrawingBase::addPoint(KLineBar*, float, int, bool isClick) {
    if (isClick) ++placedPoints_;
    return isComplete();
}

void DrawingBase::setSelected(bool selected, bool) {
    selected_ = selected;
    if (!selected) activeHandle_ = nullptr;
}

bool DrawingBase::setColorIndex(int index) {
    static const cocos2d::ccColor4F TABLE[8] = {
        {0.85f, 0.29f, 0.19f, 1}, {1, 0.47f, 0, 1},     {1, 0.94f, 0.25f, 1}, {0.37f, 0.95f, 0.28f, 1},
        {0.09f, 0.85f, 0.9f, 1},  {0.25f, 0.48f, 1, 1}, {0.61f, 0.27f, 1, 1}, {1, 1, 1, 1}};
    if (index < 0 || index >= 8) return false;
    colourIndex_ = index;
    colour_ = TABLE[index];
    return true;
}

bool DrawingBase::setWidthIndex(int index) {
    if (index < 0 || index >= 3) return false;
    widthIndex_ = index;
    lineWidth_ = static_cast<float>(index + 1);
    return true;
}
