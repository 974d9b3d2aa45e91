#pragma once

// Constants and small helpers shared by the chart view's source files (DrawingKLine*.cpp).

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "CCDrawingPrimitives.h"
#include "CCLabelTTF.h"
#include "ChartAxis.h"
#include "ChartColours.h"
#include "DrawingKLine.h"
#include "IndicatorBase.h"

namespace drawing_kline {

namespace {
inline constexpr float PRICE_AREA_SHARE = 0.6f;
inline constexpr float PRICE_BASE_SHARE = 0.2f;
inline constexpr float FLAT_PRICE_RANGE = 2.0f;
inline constexpr float MIN_BODY_HEIGHT = 2.0f;
inline constexpr float BAR_SPACING_FACTOR = 1.4f;
inline constexpr float BODY_HALF_FACTOR = 0.5f;
inline constexpr float MIN_BAR_SPACING = 1.0f;
inline constexpr float MIN_BODY_HALF_WIDTH = 0.5f;
inline constexpr float WICK_MIN_BAR_WIDTH = 3.0f;
inline constexpr float SCALE_ANIM_DURATION = 0.2f;
inline constexpr float SCALE_ANIM_START = 0.02f;
inline constexpr float POINTER_GLIDE_TIME = 0.1f;
inline constexpr float POINTER_BLINK_TIME = 0.8f;
inline constexpr uint8_t POINTER_BLINK_OPACITY = 180;
inline constexpr float OFF_SCREEN = -100.0f;
inline constexpr float CLEARED_OFFSET = 100.0f;
inline constexpr float RESET_BAR_SPACING = 35.0f;
inline constexpr float RESET_TARGET_BAR_WIDTH = 10.0f;
inline constexpr float ZOOM_DURATION = 0.25f;
inline constexpr float SPRING_BACK_DELAY = 0.12f;
inline constexpr float WHEEL_BATCH_TIME = 0.06f;
inline constexpr float DOUBLE_CLICK_TIME = 0.3f;
inline constexpr float FLING_DECAY = 0.85f;
inline constexpr float FLING_STOP_SPEED = 1.0f;
// Release speed (inches per frame) above which a drag keeps gliding.
inline constexpr float FLING_THRESHOLD = 0.04375f;
inline constexpr float BUTTON_MOVE_TICKS = 18.0f;
inline constexpr float BUTTON_FADE_TIME = 0.5f;
inline constexpr float BUTTON_SPACING = 35.0f;
inline constexpr float BUTTON_ROW_WIDTH = 140.0f;
inline constexpr float BUTTON_Y = 35.0f;
inline constexpr float BUTTON_ZOOM_STEP = 2.0f;
inline constexpr float LAST_PRICE_LABEL_MARGIN = 20.0f;
inline constexpr float SHADE_SCALE_MIN = 0.2f;
inline constexpr float SHADE_SCALE_MAX = 0.35f;
inline constexpr float SHADE_WIDTH_UNIT = 128.0f;
inline constexpr float COMPACT_MIN_WIDTH = 215.0f;
inline constexpr float COMPACT_MIN_PANE = 100.0f;
inline constexpr float COMPACT_PANE_SHARE = 0.3f;
inline constexpr float CROSS_TIME_BACKGROUND_WIDTH = 140.0f;
inline constexpr int INDICATOR_PERIODS[3] = {5, 10, 20};
inline constexpr int MA_LINE_START[DrawingKLine::MA_COUNT] = {5, 10, 20};
static_assert(DrawingKLine::MA_COUNT == MA_LINE_COUNT);
inline constexpr cocos2d::ccColor4F CROSSHAIR_COLOUR{0.27f, 0.32f, 0.38f, 1.0f};
// Another window's crosshair time: brighter than the crosshair, so it reads as a guide.
inline constexpr cocos2d::ccColor4F LINKED_LINE_COLOUR{0.86f, 0.66f, 0.26f, 0.75f};
inline constexpr cocos2d::ccColor4F LAST_PRICE_LINE_COLOUR{0.85f, 0.88f, 0.98f, 0.55f};
inline constexpr cocos2d::ccColor3B CROSS_TIME_TEXT{220, 220, 220};
inline constexpr cocos2d::ccColor3B CROSS_TIME_BACKGROUND{120, 120, 125};
inline constexpr uint8_t CROSS_TIME_BACKGROUND_OPACITY = 160;
inline constexpr cocos2d::ccColor3B LAST_PRICE_TEXT{20, 20, 20};
inline constexpr const char* LOADING_FILE = "res/bg/loadingLeft.png";
inline constexpr const char* TICK_KEY = "chartTick";
inline constexpr const char* FLING_KEY = "chartFling";
inline constexpr const char* CLICK_KEY = "chartDoubleClick";
inline const char* const BUTTON_FRAMES[DrawingKLine::BUTTON_COUNT][2] = {
    {"zoomIn.png", "zoomIn_sel.png"},
    {"moveLeft.png", "moveLeft_sel.png"},
    {"moveRight.png", "moveRight_sel.png"},
    {"zoomOut.png", "zoomOut_sel.png"}};

// Children are drawn in these layers. The sheet sprites that are always shown lie under the series
// and the labels above it, so that a chart costs two draw calls (sheet, then font with everything
// untextured between). The last-price pointer sits on the newest candle, so it comes right after the
// series: still the sheet's batch, since untextured shapes join whatever texture the batch has. What
// only shows under the mouse pointer goes on top.
enum ChildLayer {
    Z_LINE_CHART = -20,
    Z_SHADES = -12,
    Z_LAST_PRICE_LINE = -11,
    Z_POINTER = 1,
    Z_LABELS = 5,
    // The drawing tools' texts, deferred from draw() so that they make one batch.
    Z_TOOL_TEXTS = 6,
    // Alert tags: over the tools' texts, under the crosshair's labels.
    Z_ALERTS = 8,
    Z_LOADING = 12,
    Z_CROSSHAIR = 25,
    Z_BUTTONS = 30,
    Z_TOOLBAR = 40,
};

inline float clampWidth(float width) {
    if (!std::isfinite(width)) return DrawingKLine::MIN_BAR_WIDTH;
    return std::clamp(width, DrawingKLine::MIN_BAR_WIDTH, DrawingKLine::MAX_BAR_WIDTH);
}

inline cocos2d::CCLabelTTF* makeLabel(const cocos2d::ccColor3B& colour) {
    cocos2d::CCLabelTTF* label =
        cocos2d::CCLabelTTF::create("", ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE);
    label->setColor(colour);
    return label;
}

inline void drawColour(const float* rgba) {
    cocos2d::ccDrawColor4F(rgba[0], rgba[1], rgba[2], rgba[3]);
}
}  // namespace
}  // namespace drawing_kline
