#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "ChartColours.h"
#include "ChartGrid.h"
#include "ChartType.h"
#include "ClippingRipple.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "RiseFallColours.h"
#include "ToolLabel.h"

USING_NS_CC;
using namespace drawing_kline;

// --- drawing

void DrawingKLine::visit() {
    if (!isVisible()) return;
    // Labels and markers are placed before the children are ordered and drawn.
    updateGeometry();
    alertLines_->layoutTags(getContentSize().height);
    DrawingView::visit();
}

void DrawingKLine::draw() {
    if (barCount() == 0) {
        if (showGrid_) drawGrid();
    } else {
        updateGeometry();
        if (showGrid_) drawGrid();
        if (!visibleBars_.empty()) {
            if (chartType_ == CHART_CANDLES)
                drawCandles();
            else if (chartType_ == CHART_BARS)
                drawOHLCBars();
            else
                lineChart_->render();
            if (showMA_) drawMALines();
        }
    }
    ToolLabel::deferTexts(true);
    for (auto& drawing : drawings_)
        if (drawing->isVisible()) {
            drawing->ensureGeometry();
            drawing->draw();
        }
    ToolLabel::deferTexts(false);

    const CCSize& size = getContentSize();
    ccLineWidth(1);
    if (showCrosshair_) {
        ccDrawColor4F(CROSSHAIR_COLOUR.r, CROSSHAIR_COLOUR.g, CROSSHAIR_COLOUR.b, CROSSHAIR_COLOUR.a);
        ccDrawLine(CCPoint(crossPoint_.x, 0), CCPoint(crossPoint_.x, size.height));
        if (isMouseOver()) ccDrawLine(CCPoint(0, crossPoint_.y), CCPoint(size.width, crossPoint_.y));
    }
    alertLines_->drawLines(size);
    if (linkedTime_ > 0) {
        const float x = linkedLineX();
        if (x >= 0) {
            ccDrawColor4F(LINKED_LINE_COLOUR.r, LINKED_LINE_COLOUR.g, LINKED_LINE_COLOUR.b,
                          LINKED_LINE_COLOUR.a);
            ccDrawLine(CCPoint(std::trunc(x) + 0.5f, 0), CCPoint(std::trunc(x) + 0.5f, size.height));
        }
    }
    if (showLastPriceLine_) {
        const float y = lastPricePointer_->getPositionY();
        ccDrawColor4F(LAST_PRICE_LINE_COLOUR.r, LAST_PRICE_LINE_COLOUR.g, LAST_PRICE_LINE_COLOUR.b,
                      LAST_PRICE_LINE_COLOUR.a);
        ccDrawLine(CCPoint(0, y), CCPoint(size.width, y));
    }
    ccGLResetState();
}

void DrawingKLine::drawGrid() {
    const CCSize& size = getContentSize();
    grid_->draw(std::max(offsetX_, 0.0f), size.width, size.height);
}

void DrawingKLine::drawCandles() {
    ccLineWidth(static_cast<float>(candleLineWidth_));
    const bool wicks = barWidth_ >= WICK_MIN_BAR_WIDTH;
    for (KLineBar* bar : visibleBars_) {
        const CCPoint* c = bar->drawingCache;
        drawColour(bar->color);
        if (wicks) ccDrawLine(c[CACHE_HIGH], c[CACHE_LOW]);
        const ccColor4F colour{bar->color[0], bar->color[1], bar->color[2], bar->color[3]};
        ccDrawSolidPoly(c + CACHE_BODY, 4, colour);
        ccDrawPoly(c + CACHE_BODY, 4, true);
    }
}

void DrawingKLine::drawOHLCBars() {
    ccLineWidth(bodyHalfWidth_ * 0.5f);
    for (KLineBar* bar : visibleBars_) {
        const CCPoint* c = bar->drawingCache;
        const float x = c[CACHE_CLOSE].x;
        const float openY = c[CACHE_BODY].y;
        const float closeY = c[CACHE_CLOSE].y;
        const CCPoint points[6] = {{x - bodyHalfWidth_, openY}, {x, openY},  {x, c[CACHE_HIGH].y},
                                   {x, c[CACHE_LOW].y},         {x, closeY}, {x + bodyHalfWidth_, closeY}};
        drawColour(bar->color);
        ccDrawPoly(points, 6, false);
    }
}

void DrawingKLine::drawMALines() {
    ccLineWidth(1);
    ccGLEnableBlend(true);
    ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
    ccGLEnableLineSmooth(true);
    ccGLEnablePointSmooth(true);
    for (int k = 0; k < MA_COUNT; ++k) {
        if (maLines_[k].empty()) continue;
        ccDrawColor4F(MA_COLOURS[k].r, MA_COLOURS[k].g, MA_COLOURS[k].b, MA_COLOURS[k].a);
        ccDrawPoly(maLines_[k].data(), static_cast<unsigned int>(maLines_[k].size()), false);
    }
    ccGLResetState();
}
