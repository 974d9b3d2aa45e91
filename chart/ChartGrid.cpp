#include "ChartGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CCLabelTTF.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr float GRID_SPACING_FACTOR = 1.25f;
constexpr float PRICE_LABEL_RIGHT_MARGIN = 10.0f;
}  // namespace

ChartGrid::ChartGrid(CCNode* parent, int labelZOrder) : parent_(parent), labelZOrder_(labelZOrder) {}

CCLabelTTF* ChartGrid::poolLabel(std::vector<CCLabelTTF*>& pool, size_t index, float anchorX, float anchorY) {
    while (pool.size() <= index) {
        CCLabelTTF* label = CCLabelTTF::create("", ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE);
        label->setColor(ChartAxis::LABEL_COLOUR);
        label->setAnchorPoint(CCPoint(anchorX, anchorY));
        parent_->addChild(label, labelZOrder_);
        pool.push_back(label);
        if (&pool == &timeLabelPool_) timeLabelTimes_.push_back(-1);
    }
    CCLabelTTF* label = pool[index];
    label->setVisible(labelsShown_);
    return label;
}

float ChartGrid::insideView(float x, const CCLabelTTF* label, float width) {
    const float half = label->getContentSize().width / 2;
    if (width < 2 * half) return x;
    return std::clamp(x, half, width - half);
}

void ChartGrid::hideFrom(std::vector<CCLabelTTF*>& pool, size_t index) {
    for (size_t i = index; i < pool.size(); ++i) pool[i]->setVisible(false);
}

void ChartGrid::forgetLabelTexts() {
    std::fill(timeLabelTimes_.begin(), timeLabelTimes_.end(), -1);
}

void ChartGrid::setLabelsShown(bool shown) {
    labelsShown_ = shown;
    if (!shown) {
        hideFrom(timeLabelPool_, 0);
        hideFrom(priceLabelPool_, 0);
    }
}

void ChartGrid::rebuildVertical(const std::vector<KLineBar*>& visibleBars, const KLineBarList& bars,
                                float barWidth, float barSpacing, float width, int timeType) {
    vertical_.clear();
    timeLabels_.clear();
    ++timeLabelVersion_;
    size_t labelCount = 0;
    if (!visibleBars.empty() && !bars.empty() && barSpacing > 0) {
        const GridStep& step = ChartAxis::step(ChartAxis::stepRow(barWidth));
        const int64_t period = ChartAxis::alignmentPeriod(timeType, step.alignMultiplier);
        size_t start = 0;
        for (size_t i = 0; i < visibleBars.size(); ++i)
            if (period > 0 && visibleBars[i]->time % period == 0) {
                start = i;
                break;
            }
        const KLineBar* startBar = visibleBars[start];
        const KLineBar* last = bars.back().get();
        const float startX = startBar->drawingCache[DrawingKLine::CACHE_CLOSE].x;
        const double maxSteps = width / barSpacing + 1;
        for (int n = 0; n <= maxSteps; n += step.minorStep) {
            const float x = startX + static_cast<float>(n) * barSpacing;
            if (x > width) break;
            const bool major = n % step.majorModulus == 0;
            GridRecord record;
            record.position = static_cast<int>(std::trunc(x));
            record.colour = major ? ChartAxis::MAJOR_COLOUR : ChartAxis::MINOR_COLOUR;
            if (major) {
                const long long index = static_cast<long long>(startBar->index) + n;
                const long long time =
                    index < static_cast<long long>(bars.size())
                        ? static_cast<long long>(bars[static_cast<size_t>(index)]->time)
                        : static_cast<long long>(last->time) +
                              (index - last->index) * static_cast<long long>(timeType) * 60;
                record.time = static_cast<int>(time);
                CCLabelTTF* label = poolLabel(timeLabelPool_, labelCount, 0.5f, 0.5f);
                if (timeLabelTimes_[labelCount] != time) {
                    timeLabelTimes_[labelCount] = time;
                    label->setString(ChartAxis::timeLabelText(time, timeType).c_str());
                }
                const float labelX = insideView(static_cast<float>(record.position), label, width);
                label->setPosition(labelX, ChartAxis::TIME_LABEL_Y);
                timeLabels_.push_back({labelX, label->getString()});
                ++labelCount;
            }
            vertical_.push_back(record);
        }
    }
    hideFrom(timeLabelPool_, labelCount);
}

void ChartGrid::rebuildHorizontal(float barWidth, float barSpacing, float width, float height,
                                  const std::function<float(float)>& priceAt) {
    horizontal_.clear();
    const GridStep& step = ChartAxis::step(ChartAxis::stepRow(barWidth));
    const float spacing = barSpacing * GRID_SPACING_FACTOR;
    size_t labelCount = 0;
    if (spacing > 0 && height > 0) {
        const float maxK = height / spacing + 1;
        for (int k = 0; static_cast<float>(k) <= maxK; k += step.minorStep) {
            const float y = static_cast<float>(k) * spacing;
            if (y > height) break;
            GridRecord record;
            record.position = static_cast<int>(std::trunc(y));
            record.colour = k % step.majorModulus == 0 ? ChartAxis::MAJOR_COLOUR : ChartAxis::MINOR_COLOUR;
            horizontal_.push_back(record);
            CCLabelTTF* label = poolLabel(priceLabelPool_, labelCount++, 1, 0);
            char text[32];
            std::snprintf(text, sizeof(text), "%g", static_cast<double>(priceAt(y)));
            label->setString(text);
            label->setPosition(width - PRICE_LABEL_RIGHT_MARGIN, y);
            // The lowest line sits on the time axis: its price is never shown.
            if (k == 0) label->setVisible(false);
        }
    }
    hideFrom(priceLabelPool_, labelCount);
}

void ChartGrid::draw(float left, float width, float height) const {
    ccLineWidth(1);
    for (const GridRecord& r : vertical_) {
        ccDrawColor4F(r.colour.r, r.colour.g, r.colour.b, r.colour.a);
        ccDrawLine(CCPoint(static_cast<float>(r.position), ChartAxis::TIME_AXIS_HEIGHT),
                   CCPoint(static_cast<float>(r.position), height));
    }
    const float from = std::trunc(left);
    for (const GridRecord& r : horizontal_) {
        ccDrawColor4F(r.colour.r, r.colour.g, r.colour.b, r.colour.a);
        ccDrawLine(CCPoint(from, static_cast<float>(r.position)),
                   CCPoint(width, static_cast<float>(r.position)));
    }
    const ccColor4F& major = ChartAxis::MAJOR_COLOUR;
    ccDrawColor4F(major.r, major.g, major.b, major.a);
    ccDrawLine(CCPoint(left, ChartAxis::TIME_AXIS_HEIGHT), CCPoint(width, ChartAxis::TIME_AXIS_HEIGHT));
}
