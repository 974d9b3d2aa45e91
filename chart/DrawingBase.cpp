#include "DrawingBase.h"

#include <cstring>

#include <algorithm>
#include <cmath>

#include "CCDrawingPrimitives.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {

// The handle and hover markers are shared by every tool. They are made once the sheet has the frame,
// and kept for the life of the program.
CCSprite* sharedMarker(const char* frameName, CCSprite*& slot) {
    if (slot) return slot;
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frameName)) return nullptr;
    slot = CCSprite::createWithSpriteFrameName(frameName);
    if (slot) slot->retain();
    return slot;
}

CCSprite* handleSprite() {
    static CCSprite* sprite = nullptr;
    return sharedMarker(DrawingBase::HANDLE_FRAME, sprite);
}

CCSprite* hoverSprite() {
    static CCSprite* sprite = nullptr;
    return sharedMarker(DrawingBase::HOVER_FRAME, sprite);
}

// Growth of the point list must not move the points under an active handle.
constexpr size_t RESERVED_POINTS = 32;

}  // namespace

DrawingBase::DrawingBase(int type, int requiredPoints) : type_(type), requiredPoints_(requiredPoints) {
    points_.reserve(RESERVED_POINTS);
}

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
    geometryStale_ = true;
}

void DrawingBase::updateY(float priceScale, float baseY, float priceMin) {
    for (DrawingControlPoint& p : points_) p.y = (p.price - priceMin) * priceScale + baseY;
    geometryStale_ = true;
}

uint64_t DrawingBase::anchorSignature() const {
    // FNV-1a over what anchors the points.
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 1099511628211ull;
        }
    };
    mix(points_.size());
    for (const DrawingControlPoint& p : points_) {
        uint32_t price = 0;
        std::memcpy(&price, &p.price, sizeof price);
        mix(reinterpret_cast<uintptr_t>(p.bar));
        mix(static_cast<uint64_t>(static_cast<uint32_t>(p.barOffset)) << 32 | price);
    }
    return hash;
}

void DrawingBase::ensureGeometry() {
    if (!geometryStale_) return;
    geometryStale_ = false;
    refreshGeometry(true);
}

bool DrawingBase::addPoint(KLineBar* bar, float price, int barOffset, bool isClick) {
    const size_t placed = static_cast<size_t>(placedPoints_);
    // Before the first click there is nothing for the rubber band to stretch from.
    if (!isClick && placed == 0) return isComplete();
    if (points_.size() <= placed) points_.emplace_back();
    DrawingControlPoint& point = points_[placed];
    point.bar = bar;
    point.price = price;
    point.barOffset = barOffset;
    if (isClick) ++placedPoints_;
    return isComplete();
}

void DrawingBase::setSelected(bool selected, bool) {
    selected_ = selected;
    if (!selected) activeHandle_ = nullptr;
}

bool DrawingBase::restorePoints(std::vector<DrawingControlPoint> points) {
    if (!isRestorableCount(points.size())) return false;
    for (const DrawingControlPoint& p : points)
        if (!p.bar) return false;
    activeHandle_ = nullptr;
    points_ = std::move(points);
    points_.reserve(RESERVED_POINTS);
    placedPoints_ = std::max(requiredPoints_, static_cast<int>(points_.size()));
    onRestored();
    return true;
}

bool DrawingBase::setColorIndex(int index) {
    if (index < 0 || index >= COLOUR_COUNT) return false;
    colourIndex_ = index;
    colour_ = COLOUR_TABLE[index];
    return true;
}

bool DrawingBase::setWidthIndex(int index) {
    if (index < 0 || index >= WIDTH_COUNT) return false;
    widthIndex_ = index;
    lineWidth_ = WIDTH_TABLE[index];
    return true;
}

CCPoint DrawingBase::projected(const DrawingControlPoint& point) const {
    if (!chart_ || !point.bar) return {point.x, point.y};
    return {static_cast<float>(point.bar->index + point.barOffset) * chart_->getBarSpacing() +
                chart_->getScrollOffset(),
            (point.price - chart_->getPriceMin()) * chart_->getPriceScale() + chart_->getCurrentBaseY()};
}

bool DrawingBase::beginDraw() const {
    for (const DrawingControlPoint& p : points_)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    ccGLEnableBlend(true);
    ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
    ccGLEnableLineSmooth(true);
    ccGLEnablePointSmooth(true);
    strokeColour();
    return true;
}

void DrawingBase::strokeColour() const {
    ccDrawColor4F(colour_.r, colour_.g, colour_.b, colour_.a);
    ccLineWidth(lineWidth_);
}

void DrawingBase::drawHandles() const {
    CCSprite* marker = selected_ ? handleSprite() : hovered_ ? hoverSprite() : nullptr;
    if (!marker) return;
    for (const DrawingControlPoint& p : points_) {
        marker->setPosition(p.x, p.y);
        marker->visit();
    }
}

void DrawingBase::forgetHandleBeyond(size_t count) {
    if (activeHandle_ && activeHandle_ >= points_.data() + count) activeHandle_ = nullptr;
}
