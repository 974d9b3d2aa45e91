#include "ClippingRipple.h"

#include <algorithm>
#include <cmath>

#include "CCClippingNode.h"
#include "CCDrawingPrimitives.h"
#include "CCSprite.h"
#include "ChartType.h"
#include "DrawingKLine.h"
#include "KLineBar.h"
#include "RippleArea.h"

USING_NS_CC;

namespace {
constexpr ccColor4F LINE_COLOUR{0.9f, 0.9f, 0.9f, 1.0f};
// Bars are sampled every max(1, trunc(SAMPLING_BASE - barWidth)) by their time.
constexpr float SAMPLING_BASE = 5.0f;
}  // namespace

ClippingRipple* ClippingRipple::create() {
    return createAutoreleased<ClippingRipple>(&ClippingRipple::init);
}

bool ClippingRipple::init() {
    setAnchorPoint(CCPointZero);
    area_ = RippleArea::create();
    clipper_ = CCClippingNode::create(area_);
    addChild(clipper_, -1);
    background_ = CCSprite::create(BACKGROUND_FILE);
    background_->setAnchorPoint(CCPointZero);
    clipper_->addChild(background_);
    clipper_->setVisible(chartType_ == CHART_AREA);
    return true;
}

void ClippingRipple::setChartType(int type) {
    chartType_ = type;
    clipper_->setVisible(type == 2);
}

void ClippingRipple::setViewSize(const CCSize& size) {
    setContentSize(size);
    const CCSize& image = background_->getContentSize();
    if (image.width > 0 && image.height > 0) {
        background_->setScaleX(size.width / image.width);
        background_->setScaleY(size.height / image.height);
    }
}

void ClippingRipple::rebuild(const std::vector<KLineBar*>& visibleBars, float barWidth) {
    polyline_.clear();
    const auto step = static_cast<uint32_t>(std::max(1.0f, std::trunc(SAMPLING_BASE - barWidth)));
    for (size_t i = 0; i < visibleBars.size(); ++i) {
        KLineBar* bar = visibleBars[i];
        if (i == 0 || i + 1 == visibleBars.size() || bar->time % step == 0)
            polyline_.push_back(bar->drawingCache[DrawingKLine::CACHE_CLOSE]);
    }
    area_->points() = polyline_;
}

void ClippingRipple::clear() {
    polyline_.clear();
    area_->points().clear();
}

void ClippingRipple::render() {
    if (isVisible()) CCNode::visit();
}

void ClippingRipple::draw() {
    if (polyline_.size() < 2) return;
    ccLineWidth(LINE_WIDTH);
    ccGLEnableBlend(true);
    ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
    ccGLEnableLineSmooth(true);
    ccGLEnablePointSmooth(true);
    ccDrawColor4F(LINE_COLOUR.r, LINE_COLOUR.g, LINE_COLOUR.b, LINE_COLOUR.a);
    ccDrawPoly(polyline_.data(), static_cast<unsigned int>(polyline_.size()), false);
    ccGLResetState();
}
