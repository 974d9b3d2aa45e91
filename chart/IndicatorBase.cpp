#include "IndicatorBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDirector.h"
#include "CCDrawingPrimitives.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCTouch.h"
#include "CDebugModule.h"
#include "ChartButton.h"
#include "ChartViewOwner.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr float TIME_AXIS_BASE_Y = 18.0f;
constexpr float NO_TIME_AXIS_BASE_Y = 1.0f;
constexpr float TOP_MARGIN = 3.0f;
constexpr float TITLE_X = 45.0f;
constexpr float SCALE_LABEL_RIGHT_MARGIN = 10.0f;
constexpr float SCALE_LABEL_EDGE_SHIFT = 8.0f;
constexpr float INFO_LABEL_GAP = 10.0f;
constexpr float CLOSE_BUTTON_X = 14.0f;
constexpr float CLOSE_BUTTON_FROM_TOP = 13.0f;
constexpr ccColor4F BORDER_COLOUR{0.3f, 0.4f, 0.6f, 0.6f};
constexpr float BORDER_WIDTH = 2.0f;
constexpr ccColor4F EVEN_DIVISION_COLOUR{0.18f, 0.22f, 0.27f, 1.0f};
constexpr ccColor4F ODD_DIVISION_COLOUR{0.15f, 0.16f, 0.16f, 1.0f};
constexpr ccColor4F CROSSHAIR_COLOUR{0.27f, 0.32f, 0.38f, 1.0f};
constexpr ccColor3B CROSS_VALUE_TEXT{180, 180, 180};
constexpr ccColor3B TITLE_TEXT{180, 180, 180};
// Children are drawn in these layers.
constexpr int Z_LABELS = 5;
constexpr int Z_READOUT = 20;

CCLabelTTF* makeLabel(const ccColor3B& colour, const CCPoint& anchor) {
    CCLabelTTF* label = CCLabelTTF::create("", ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE);
    label->setColor(colour);
    label->setAnchorPoint(anchor);
    return label;
}

void setCursor(bool resize) {
    if (CCEGLView* view = CCDirector::sharedDirector()->getOpenGLView()) {
        if (resize)
            view->LoadSizeCursor();
        else
            view->LoadArrowCursor();
    }
}
}  // namespace

IndicatorBase::IndicatorBase(int type, const char* name, int gridDivisions)
    : type_(type), name_(name), gridDivisions_(gridDivisions) {}

IndicatorBase::~IndicatorBase() {
    setCursor(false);
}

bool IndicatorBase::init(DrawingKLine* chart, float width, float height) {
    if (!chart) return false;
    chart_ = chart;
    setAnchorPoint(CCPointZero);

    titleLabel_ = makeLabel(TITLE_TEXT, CCPoint(0, 1));
    titleLabel_->setString(name_.c_str());
    addChild(titleLabel_, Z_LABELS);
    for (int i = 0; i < INFO_LABEL_COUNT; ++i) {
        infoLabels_[i] = makeLabel(infoColour(i), CCPoint(0, 1));
        infoLabels_[i]->setVisible(false);
        addChild(infoLabels_[i], Z_LABELS);
    }
    for (int i = 0; i < SCALE_LABEL_COUNT; ++i) {
        CCLabelTTF* label = makeLabel(ChartAxis::LABEL_COLOUR, CCPoint(1, 0.5f));
        addChild(label, Z_LABELS);
        scaleLabels_.push_back(label);
    }
    borderLine_ = CCSprite::createWithSpriteFrameName("line_gray_level.png");
    borderLine_->setAnchorPoint(CCPoint(1, 0.5f));
    borderLine_->setVisible(false);
    addChild(borderLine_, Z_READOUT);
    crossValueLabel_ = makeLabel(CROSS_VALUE_TEXT, CCPoint(1, 0.5f));
    crossValueLabel_->setVisible(false);
    addChild(crossValueLabel_, Z_READOUT);
    // Shown while the pointer is over the pane, like the chart's own buttons.
    closeButton_ = ChartButton::create("close_small.png", "close_small_sel.png", type_);
    closeButton_->setVisible(false);
    addChild(closeButton_, Z_READOUT);

    setViewSize(width, height);
    setTouchEnabled(true);
    setMouseEnabled(true);
    return true;
}

void IndicatorBase::setName(const std::string& name) {
    name_ = name;
    if (titleLabel_) titleLabel_->setString(name_.c_str());
}

void IndicatorBase::setViewSize(float width, float height) {
    setContentSize(CCSize(width, height));
    timeAxisShown_ = height >= TIME_AXIS_MIN_HEIGHT;
    baseY_ = timeAxisShown_ ? TIME_AXIS_BASE_Y : NO_TIME_AXIS_BASE_Y;
    valueHeight_ = std::max(height - baseY_ - TOP_MARGIN, 0.0f);
    if (borderLine_) borderLine_->setPosition(width, height - 1);
    if (titleLabel_) titleLabel_->setPosition(TITLE_X, height - 1);
    if (closeButton_) closeButton_->setPosition(CLOSE_BUTTON_X, height - CLOSE_BUTTON_FROM_TOP);
    placeScaleLabels();
    placeInfoLabels();
    timeAxisVersion_ = 0;
}

void IndicatorBase::placeScaleLabels() {
    const int n = static_cast<int>(scaleLabels_.size());
    if (n < 2) return;
    const float step = valueHeight_ / static_cast<float>(n - 1);
    const float x = getContentSize().width - SCALE_LABEL_RIGHT_MARGIN;
    for (int i = 0; i < n; ++i) {
        float y = std::trunc(static_cast<float>(i) * step + baseY_);
        if (i == 0) y += SCALE_LABEL_EDGE_SHIFT;
        if (i == n - 1) y -= SCALE_LABEL_EDGE_SHIFT;
        scaleLabels_[i]->setPosition(x, y);
    }
}

void IndicatorBase::placeInfoLabels() {
    if (!titleLabel_) return;
    float x = titleLabel_->getPositionX();
    const float y = titleLabel_->getPositionY();
    for (CCLabelTTF* label : infoLabels_) {
        label->setPosition(x, y);
        x += label->getContentSize().width + INFO_LABEL_GAP;
    }
}

CCLabelTTF* IndicatorBase::getScaleLabel(int index) const {
    return index >= 0 && index < static_cast<int>(scaleLabels_.size()) ? scaleLabels_[index] : nullptr;
}

CCLabelTTF* IndicatorBase::getInfoLabel(int index) const {
    return index >= 0 && index < INFO_LABEL_COUNT ? infoLabels_[index] : nullptr;
}

void IndicatorBase::setScaleLabelText(int index, const char* text) {
    CCLabelTTF* label = getScaleLabel(index);
    if (!label) {
        logInfo(" failed to update info :%d", index);
        return;
    }
    if (!text) {
        label->setVisible(false);
        return;
    }
    label->setString(text);
    label->setVisible(true);
}

bool IndicatorBase::hasVisibleBars() const {
    return chart_ && !chart_->getVisibleBars().empty();
}

const std::vector<KLineBar*>& IndicatorBase::visibleBars() const {
    return chart_->getVisibleBars();
}

void IndicatorBase::onScaleChanged(float barWidth, float halfWidth, int period) {
    barWidth_ = barWidth;
    halfWidth_ = halfWidth;
    period_ = period;
}

void IndicatorBase::applyValueRange(float minValue, float maxValue) {
    scaleFrom_ = scale_;
    const float difference = maxValue != minValue ? maxValue - minValue : 1.0f;
    targetScale_ = valueHeight_ / difference;
    if (!std::isfinite(targetScale_)) targetScale_ = scale_;
    baseShift_ = (minValue - lastMin_) * scale_;
    if (!std::isfinite(baseShift_)) baseShift_ = 0;
    lastMin_ = minValue;
    minValue_ = minValue;
}

void IndicatorBase::setCrossValue(float y) {
    const float span = getContentSize().height - baseY_;
    // A pane too short to hold a value band has nothing to read out.
    const double value =
        span > 0 ? (y - baseY_) * (topValue_ - bottomValue_) / span + bottomValue_ : bottomValue_;
    char text[48];
    std::snprintf(text, sizeof(text), "%.5f", value);
    crossValueLabel_->setString(text);
}

void IndicatorBase::showInfoAt(const KLineBar* bar) {
    if (!bar || !chart_) {
        for (CCLabelTTF* label : infoLabels_) label->setVisible(false);
        titleLabel_->setVisible(true);
        infoTime_ = -1;
        return;
    }
    if (static_cast<long long>(bar->time) == infoTime_) return;
    infoTime_ = bar->time;
    std::string texts[INFO_LABEL_COUNT];
    formatInfo(*bar, texts);
    for (int i = 0; i < INFO_LABEL_COUNT; ++i) {
        infoLabels_[i]->setString(texts[i].c_str());
        infoLabels_[i]->setVisible(true);
    }
    titleLabel_->setVisible(false);
    placeInfoLabels();
}

// --- drawing

void IndicatorBase::visit() {
    if (!isVisible()) return;
    syncTimeLabels();
    DrawingView::visit();
}

void IndicatorBase::syncTimeLabels() {
    if (!chart_) return;
    const unsigned int version = chart_->getTimeAxisVersion();
    if (version == timeAxisVersion_ && timeAxisSize_ == getContentSize()) return;
    timeAxisVersion_ = version;
    timeAxisSize_ = getContentSize();
    const auto& labels = chart_->getTimeAxisLabels();
    size_t shown = 0;
    if (timeAxisShown_) {
        for (const auto& source : labels) {
            if (shown == timeLabels_.size()) {
                CCLabelTTF* label = makeLabel(ChartAxis::LABEL_COLOUR, CCPoint(0.5f, 0.5f));
                addChild(label, Z_LABELS);
                timeLabels_.push_back(label);
            }
            CCLabelTTF* label = timeLabels_[shown++];
            label->setString(source.text.c_str());
            label->setPosition(source.x, ChartAxis::TIME_LABEL_Y);
            label->setVisible(true);
        }
    }
    for (size_t i = shown; i < timeLabels_.size(); ++i) timeLabels_[i]->setVisible(false);
}

void IndicatorBase::drawGrid(int divisions) {
    const CCSize& size = getContentSize();
    ccLineWidth(BORDER_WIDTH);
    ccDrawColor4F(BORDER_COLOUR.r, BORDER_COLOUR.g, BORDER_COLOUR.b, BORDER_COLOUR.a);
    ccDrawLine(CCPoint(0, size.height - 1), CCPoint(size.width, size.height - 1));
    if (!chart_ || !chart_->isShowGrid()) return;
    ccLineWidth(1);
    if (divisions > 1) {
        const float step = valueHeight_ / static_cast<float>(divisions - 1);
        for (int k = 1; k <= divisions - 2; ++k) {
            const ccColor4F& c = k % 2 == 0 ? EVEN_DIVISION_COLOUR : ODD_DIVISION_COLOUR;
            const float y = baseY_ + static_cast<float>(k) * step;
            ccDrawColor4F(c.r, c.g, c.b, c.a);
            ccDrawLine(CCPoint(0, y), CCPoint(size.width, y));
        }
    }
    for (const GridRecord& r : chart_->getVerticalGrid()) {
        ccDrawColor4F(r.colour.r, r.colour.g, r.colour.b, r.colour.a);
        ccDrawLine(CCPoint(static_cast<float>(r.position), baseY_),
                   CCPoint(static_cast<float>(r.position), size.height - TOP_MARGIN));
    }
}

void IndicatorBase::draw() {
    if (!chart_) return;
    const CCSize& size = getContentSize();
    ccLineWidth(1);
    ccDrawColor4F(CROSSHAIR_COLOUR.r, CROSSHAIR_COLOUR.g, CROSSHAIR_COLOUR.b, CROSSHAIR_COLOUR.a);
    if (chart_->getShowCrosshair()) {
        const float x = chart_->getCrossPoint().x;
        ccDrawLine(CCPoint(x, 0), CCPoint(x, size.height));
        if (isMouseOver()) ccDrawLine(CCPoint(0, crossPoint_.y), CCPoint(size.width, crossPoint_.y));
    }
    ccGLResetState();
}

ccColor3B IndicatorBase::labelColour(const ccColor4F& colour) {
    auto byte = [](float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255); };
    return ccc3(byte(colour.r), byte(colour.g), byte(colour.b));
}

void IndicatorBase::beginSmoothLines() {
    ccLineWidth(1);
    ccGLEnableBlend(true);
    ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
    ccGLEnableLineSmooth(true);
    ccGLEnablePointSmooth(true);
}

void IndicatorBase::endSmoothLines() {
    ccGLResetState();
}

void IndicatorBase::drawSmoothLine(const std::vector<CCPoint>& points, const ccColor4F& colour) {
    if (points.size() < 2) return;
    ccDrawColor4F(colour.r, colour.g, colour.b, colour.a);
    ccDrawPoly(points.data(), static_cast<unsigned int>(points.size()), false);
}

// --- pointer, resizing and the close button

void IndicatorBase::showReadout(bool shown) {
    borderLine_->setVisible(shown);
    crossValueLabel_->setVisible(shown);
    closeButton_->setVisible(shown);
    closeButton_->setEnabled(shown);
}

DrawingView* IndicatorBase::resizeNeighbour() const {
    if (resizeMode_ == 2) return lowerView_;
    if (resizeMode_ == 1) return upperView_;
    return nullptr;
}

void IndicatorBase::setResizeMode(int mode) {
    if (mode == resizeMode_) return;
    resizeMode_ = mode;
    setCursor(mode != 0);
}

bool IndicatorBase::ccMouseMove(float x, float y) {
    if (!isMouseInMe(x, y)) {
        showReadout(false);
        if (!resizeDragging_) setResizeMode(0);
        return false;
    }
    const CCPoint point = convertToNodeSpace(CCPoint(x, y));
    const CCSize& size = getContentSize();
    crossPoint_ = CCPoint(chart_->snapToBar(point.x), point.y);
    showReadout(true);
    borderLine_->setPositionY(point.y);
    crossValueLabel_->setPosition(size.width - SCALE_LABEL_RIGHT_MARGIN, point.y);
    chart_->updateCrosshairAt(crossPoint_.x);
    setCrossValue(point.y);

    if (resizeDragging_) return true;
    const bool nearBottom = point.y < RESIZE_EDGE && lowerView_;
    const bool nearTop = point.y > size.height - RESIZE_EDGE && upperView_;
    if (nearBottom || nearTop) {
        DrawingView* neighbour = nearBottom ? lowerView_ : upperView_;
        resizeTotal_ = neighbour->getContentSize().height + size.height;
        if (resizeTotal_ > RESIZE_MIN_TOTAL)
            setResizeMode(nearBottom ? 2 : 1);
        else
            setResizeMode(0);
    } else {
        setResizeMode(0);
    }
    return true;
}

void IndicatorBase::OnMouseLeave() {
    showReadout(false);
    if (!resizeDragging_) setResizeMode(0);
}

bool IndicatorBase::ccTouchBegan(CCTouch* touch, CCEvent*) {
    const CCPoint location = touch->getLocation();
    if (!IsPointOnMe(location.x, location.y)) return false;
    if (closeButton_->isHit(location.x, location.y)) {
        closePressed_ = true;
        closeButton_->setPressed(true);
        return true;
    }
    DrawingView* neighbour = resizeNeighbour();
    if (!neighbour) return false;
    resizeDragging_ = true;
    resizeMoved_ = false;
    resizeStartY_ = location.y;
    resizeOwnHeight_ = getContentSize().height;
    resizeOwnY_ = getPositionY();
    resizeNeighbourHeight_ = neighbour->getContentSize().height;
    resizeNeighbourY_ = neighbour->getPositionY();
    return true;
}

void IndicatorBase::ccTouchMoved(CCTouch* touch, CCEvent*) {
    DrawingView* neighbour = resizeNeighbour();
    if (!resizeDragging_ || !neighbour) return;
    const float width = getContentSize().width;
    const float neighbourWidth = neighbour->getContentSize().width;
    float delta = touch->getLocation().y - resizeStartY_;
    if (resizeMode_ == 2) {
        // Bottom border: this pane gives up what the pane below gains.
        delta = std::clamp(delta, RESIZE_MIN_HEIGHT - resizeNeighbourHeight_,
                           resizeOwnHeight_ - RESIZE_MIN_HEIGHT);
        setPositionY(resizeOwnY_ + delta);
        setViewSize(width, resizeOwnHeight_ - delta);
        neighbour->setViewSize(neighbourWidth, resizeNeighbourHeight_ + delta);
    } else {
        // Top border: the view above gives up what this pane gains.
        delta = std::clamp(delta, RESIZE_MIN_HEIGHT - resizeOwnHeight_,
                           resizeNeighbourHeight_ - RESIZE_MIN_HEIGHT);
        setViewSize(width, resizeOwnHeight_ + delta);
        neighbour->setPositionY(resizeNeighbourY_ + delta);
        neighbour->setViewSize(neighbourWidth, resizeNeighbourHeight_ - delta);
    }
    resizeMoved_ = true;
}

void IndicatorBase::ccTouchEnded(CCTouch* touch, CCEvent*) {
    if (closePressed_) {
        closePressed_ = false;
        closeButton_->setPressed(false);
        const CCPoint location = touch->getLocation();
        if (closeButton_->isHit(location.x, location.y) && chart_ && chart_->getOwner())
            chart_->getOwner()->removeIndicator(type_);
        return;
    }
    if (!resizeDragging_) return;
    resizeDragging_ = false;
    if (resizeMoved_ && chart_ && chart_->getOwner()) chart_->getOwner()->layoutPanes();
}
