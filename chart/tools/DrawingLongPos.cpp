#include "DrawingLongPos.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "DrawingKLine.h"
#include "KLineBar.h"
#include "ToolBands.h"

USING_NS_CC;

namespace {

constexpr long long MAX_OFFSET = 1000000000LL;

// "%s%.2f(%.2f%%)%.f": the difference, its percentage of the entry and the difference x 100.
std::string boxText(const char* title, float price, float entry) {
    const double diff = static_cast<double>(price) - entry;
    char text[128];
    if (entry == 0)
        std::snprintf(text, sizeof text, "%s%.2f(--)%.f", title, diff, diff * 100);
    else
        std::snprintf(text, sizeof text, "%s%.2f(%.2f%%)%.f", title, diff, diff / entry * 100, diff * 100);
    return text;
}

std::string priceText(float price) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(price));
    return text;
}

}  // namespace

DrawingLongPos::DrawingLongPos(int type, int direction) : DrawingBase(type, 1), direction_(direction) {}

DrawingLongPos::~DrawingLongPos() = default;

DrawingLongPos::Outcome DrawingLongPos::simulate(const KLineBarList& bars, long long from, long long to,
                                                 float entry, float target, float stop, int direction) {
    Outcome outcome;
    const long long last = static_cast<long long>(bars.size()) - 1;
    from = std::max(from, 0LL);
    to = std::min(to, last);
    if (from > last || to < from) return outcome;
    long long k = from;
    for (; k <= to; ++k) {
        const KLineBar& bar = *bars[static_cast<size_t>(k)];
        if (bar.low <= entry && entry <= bar.high) break;
    }
    if (k > to) return outcome;
    outcome.openSlot = k;
    for (; k <= to; ++k) {
        const KLineBar& bar = *bars[static_cast<size_t>(k)];
        const bool targetHit = direction > 0 ? bar.high >= target : bar.low <= target;
        const bool stopHit = direction > 0 ? bar.low <= stop : bar.high >= stop;
        if (targetHit || stopHit) {
            outcome.result = targetHit ? Outcome::Result::Target : Outcome::Result::Stop;
            outcome.closeSlot = k;
            outcome.exitPrice = targetHit ? target : stop;
            return outcome;
        }
    }
    outcome.result = Outcome::Result::LastClose;
    outcome.closeSlot = to;
    outcome.exitPrice = bars[static_cast<size_t>(to)]->close;
    return outcome;
}

bool DrawingLongPos::addPoint(KLineBar* bar, float price, int barOffset, bool isClick) {
    if (!isClick || placedPoints_ > 0 || !bar) return isComplete();
    float range = chart_ ? chart_->getPriceMax() - chart_->getPriceMin() : 0.0f;
    if (!(range > 0) || !std::isfinite(range)) range = FLAT_RANGE;
    const float reach = TARGET_SHARE * range * static_cast<float>(direction_);
    points_.assign(POINT_COUNT, DrawingControlPoint{});
    for (DrawingControlPoint& p : points_) {
        p.bar = bar;
        p.barOffset = barOffset;
        p.price = price;
    }
    anchorSlot(slotOf(points_[0]) + ENTRY_BARS, points_[1]);
    points_[2].price = price + reach;
    points_[3].price = price - reach;
    placedPoints_ = 1;
    return true;
}

long long DrawingLongPos::slotOf(const DrawingControlPoint& point) const {
    return point.bar ? static_cast<long long>(point.bar->index) + point.barOffset : 0;
}

void DrawingLongPos::anchorSlot(long long slot, DrawingControlPoint& point) const {
    const KLineBarList* bars = chart_ ? chart_->getBarList() : nullptr;
    if (!bars || bars->empty()) {
        // Without the series the point keeps its bar and counts the bars beyond it.
        point.barOffset =
            static_cast<int>(std::clamp(slot - (slotOf(point) - point.barOffset), -MAX_OFFSET, MAX_OFFSET));
        return;
    }
    const long long last = static_cast<long long>(bars->size()) - 1;
    const long long inside = std::clamp(slot, 0LL, last);
    point.bar = (*bars)[static_cast<size_t>(inside)].get();
    point.barOffset = static_cast<int>(std::clamp(slot - point.bar->index, -MAX_OFFSET, MAX_OFFSET));
}

void DrawingLongPos::onPointsChanged(DrawingControlPoint* handle) {
    if (!hasPoints(POINT_COUNT)) return;
    // The entry line stays level, and the boxes start at the entry.
    if (handle == &points_[0]) {
        for (size_t i : {size_t{2}, size_t{3}}) {
            points_[i].bar = points_[0].bar;
            points_[i].barOffset = points_[0].barOffset;
        }
    }
    points_[1].price = points_[0].price;
}

void DrawingLongPos::updateX(float offsetX, float barSpacing) {
    offsetX_ = offsetX;
    barSpacing_ = barSpacing;
    DrawingBase::updateX(offsetX, barSpacing);
}

void DrawingLongPos::updateY(float priceScale, float baseY, float priceMin) {
    priceScale_ = priceScale;
    baseY_ = baseY;
    priceMin_ = priceMin;
    DrawingBase::updateY(priceScale, baseY, priceMin);
}

CCPoint DrawingLongPos::projectSlot(long long slot, float price) const {
    return {static_cast<float>(slot) * barSpacing_ + offsetX_, (price - priceMin_) * priceScale_ + baseY_};
}

void DrawingLongPos::refreshGeometry(bool) {
    if (!hasPoints(POINT_COUNT)) return;
    // The trade and its texts follow the anchors and the bars, not the projection.
    const uint64_t anchors = anchorSignature();
    const unsigned int series = chart_ ? chart_->getSeriesRevision() : 0;
    if (simulated_ && anchors == simulatedAnchors_ && series == simulatedSeries_) {
        placeTexts();
        return;
    }
    simulated_ = true;
    simulatedAnchors_ = anchors;
    simulatedSeries_ = series;
    const KLineBarList* bars = chart_ ? chart_->getBarList() : nullptr;
    const float entry = points_[0].price;
    if (bars)
        outcome_ = simulate(*bars, slotOf(points_[0]), slotOf(points_[1]), entry, points_[2].price,
                            points_[3].price, direction_);
    else
        outcome_ = Outcome{};
    updateTexts();
}

void DrawingLongPos::updateTexts() {
    const float entry = points_[0].price;
    const float target = points_[2].price;
    const float stop = points_[3].price;
    const double profit = outcome_.result == Outcome::Result::NotOpened
                              ? 0.0
                              : direction_ * (static_cast<double>(outcome_.exitPrice) - entry);
    char ratio[64] = "--";
    if (entry != stop) {
        const double value = (static_cast<double>(target) - entry) / (static_cast<double>(entry) - stop);
        if (std::isfinite(value)) std::snprintf(ratio, sizeof ratio, "%.2f", value);
    }
    char text[192];
    std::snprintf(text, sizeof text, "%s%.2f\n%s%s", "Closed P&L:", profit, "Risk/Reward Ratio:", ratio);
    result_.setText(text);
    targetText_.setText(boxText("Target:", target, entry));
    stopText_.setText(boxText("Stop:", stop, entry));
    targetPrice_.setText(priceText(target));
    entryPrice_.setText(priceText(entry));
    stopPrice_.setText(priceText(stop));
    placeTexts();
}

void DrawingLongPos::placeTexts() {
    const float midX = (points_[0].x + points_[1].x) / 2;
    const float right = std::max(points_[0].x, points_[1].x) + LABEL_GAP;
    targetText_.place(CCPoint(midX, (points_[0].y + points_[2].y) / 2), CCPoint(0.5f, 0.5f));
    stopText_.place(CCPoint(midX, (points_[0].y + points_[3].y) / 2), CCPoint(0.5f, 0.5f));
    result_.place(CCPoint(midX, std::min(points_[2].y, points_[3].y) - LABEL_GAP), CCPoint(0.5f, 1));
    targetPrice_.place(CCPoint(right, points_[2].y), CCPoint(0, 0.5f));
    entryPrice_.place(CCPoint(right, points_[0].y), CCPoint(0, 0.5f));
    stopPrice_.place(CCPoint(right, points_[3].y), CCPoint(0, 0.5f));
}

void DrawingLongPos::draw() {
    if (!hasPoints(POINT_COUNT) || !beginDraw()) {
        ccGLResetState();
        return;
    }
    ccDrawSolidRect(at(1), at(2), targetFill());
    ccDrawSolidRect(at(1), at(3), stopFill());
    if (outcome_.result != Outcome::Result::NotOpened) {
        const CCPoint open = projectSlot(outcome_.openSlot, points_[0].price);
        const CCPoint close = projectSlot(outcome_.closeSlot, outcome_.exitPrice);
        const bool won = direction_ * (static_cast<double>(outcome_.exitPrice) - points_[0].price) > 0;
        ccDrawSolidRect(open, close, won ? targetFill() : stopFill());
        ccDrawColor4F(TOOL_GREY.r, TOOL_GREY.g, TOOL_GREY.b, TOOL_GREY.a);
        ccLineWidth(1);
        ccDrawLine(open, close);
    }
    strokeColour();
    ccDrawLine(at(0), at(1));
    if (selected_ || hovered_) {
        // The upper box is listed first.
        const bool targetAbove = direction_ > 0;
        (targetAbove ? targetText_ : stopText_).draw();
        (targetAbove ? stopText_ : targetText_).draw();
        result_.draw();
        targetPrice_.draw();
        entryPrice_.draw();
        stopPrice_.draw();
    }
    drawHandles();
    ccGLResetState();
}
