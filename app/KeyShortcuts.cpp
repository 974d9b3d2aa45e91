#include "KeyShortcuts.h"

#include <algorithm>
#include <vector>

#include "CCDirector.h"
#include "CCKeyboard.h"
#include "DrawingKLine.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockWindow.h"
#include "WindowPool.h"

USING_NS_CC;

namespace {
constexpr float KEY_ZOOM_STEP = 2.0f;
constexpr float KEY_SCROLL_SPEED = 100.0f;

void zoomBy(DrawingKLine* chart, float step) {
    if (chart->isZoomReady())
        chart->zoomTo(std::clamp(chart->getBarWidth() + step, DrawingKLine::MIN_BAR_WIDTH,
                                 DrawingKLine::MAX_BAR_WIDTH));
}
}  // namespace

void KeyShortcuts::handleKeys() {
    DrawingKLine* chart = pool_.selected()->getChart();
    // A held arrow key zooms or scrolls a little every frame.
    if (chart && (CCKeyboard::isKeyDown(kCCKeyDown) || CCKeyboard::isKeyDown(kCCKeyUp) ||
                  CCKeyboard::isKeyDown(kCCKeyLeft) || CCKeyboard::isKeyDown(kCCKeyRight)))
        CCDirector::sharedDirector()->requestAnimationFrame();
    if (chart && CCKeyboard::isKeyDown(kCCKeyDown)) {
        zoomBy(chart, -KEY_ZOOM_STEP);
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyUp)) {
        zoomBy(chart, KEY_ZOOM_STEP);
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyLeft)) {
        chart->startScroll(KEY_SCROLL_SPEED);
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyRight)) {
        chart->startScroll(-KEY_SCROLL_SPEED);
        return;
    }
    for (int digit = 0; digit <= 9; ++digit) {
        const int key = static_cast<int>(CCKeyboard::digitKey(digit));
        if (!CCKeyboard::isKeyDown(CCKeyboard::digitKey(digit))) continue;
        if (key != lastDigitKey_) {
            lastDigitKey_ = key;
            handleDigit(digit);
        }
        return;
    }
    if (lastDigitKey_ != -1 && !CCKeyboard::isKeyDown(static_cast<CCKeyCode>(lastDigitKey_)))
        lastDigitKey_ = -1;
}

void KeyShortcuts::handleDigit(int digit) {
    if (digit == 0) {
        pool_.activate(pool_.selected());
        return;
    }
    if (!strip_) return;
    const std::vector<StockButton*>& buttons = strip_->getButtons();
    // Only as many digits as there are buttons mean anything.
    if (digit > static_cast<int>(buttons.size())) return;
    StockWindow* window = buttons[static_cast<size_t>(digit - 1)]->getWindow();
    if (window) pool_.activate(window);
}
