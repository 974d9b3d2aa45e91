#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCAction.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDevice.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCSet.h"
#include "CCSprite.h"
#include "CCTouch.h"
#include "ChartButton.h"
#include "ChartViewOwner.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "DrawingToolbar.h"
#include "IndicatorBase.h"
#include "KLineBar.h"

USING_NS_CC;
using namespace drawing_kline;

// --- touches

bool DrawingKLine::ccTouchBegan(CCTouch* touch, CCEvent*) {
    const CCPoint location = touch->getLocation();
    touchActive_ = IsPointOnMe(location.x, location.y);
    if (!touchActive_) return false;
    touchPlaced_ = false;
    toolbarTouch_ = false;
    textClickTool_ = nullptr;
    handleMoved_ = false;
    for (ChartButton* button : buttons_)
        if (button->isHit(location.x, location.y)) {
            pressedButton_ = button;
            button->setPressed(true);
            touchActive_ = false;
            return true;
        }
    if (touchToolbar(location)) {
        touchActive_ = false;
        toolbarTouch_ = true;
        return true;
    }
    const CCPoint point = convertToNodeSpace(location);
    if (!creatingTool_ && !displayOnly_ && alertLines_->touchBegan(point)) {
        touchActive_ = false;
        alertTouch_ = true;
        if (owner_) owner_->activateWindow();
        return true;
    }
    if (creatingTool_) {
        touchPlaced_ = true;
        placePoint(point, true);
        return true;
    }
    if (DrawingBase* hit = hitTool(point)) {
        // A second click on the selected text tool's handle edits its text (unless it drags).
        if (hit == selectedDrawing_ && hit->hasText()) textClickTool_ = hit;
        selectTool(hit);
    } else {
        selectTool(nullptr);
    }
    if (getActionByTag(TAG_ZOOM)) stopZoom();
    if (owner_) owner_->activateWindow();
    return true;
}

void DrawingKLine::ccTouchMoved(CCTouch* touch, CCEvent*) {
    if (alertTouch_) alertLines_->touchMoved(convertToNodeSpace(touch->getLocation()));
    if (!touchActive_) return;
    const CCPoint location = touch->getLocation();
    const CCPoint delta = location - touch->getPreviousLocation();
    if (!selectedDrawing_ && moveSpeed_ == 0) {
        if (!dragging_) stopFling();
        dragging_ = true;
        flingVelocity_ = delta.x;
        scrollTo(offsetX_ + delta.x);
    } else if (selectedDrawing_ && IsPointOnMe(location.x, location.y)) {
        moveSelected(convertToNodeSpace(location));
    }
}

void DrawingKLine::ccTouchEnded(CCTouch* touch, CCEvent*) {
    const CCPoint location = touch->getLocation();
    if (alertTouch_) {
        alertTouch_ = false;
        alertLines_->touchEnded(convertToNodeSpace(location));
        return;
    }
    if (pressedButton_) {
        ChartButton* button = pressedButton_;
        pressedButton_ = nullptr;
        button->setPressed(false);
        if (button->isHit(location.x, location.y)) pressButton(button);
        return;
    }
    // A touch the toolbar took (a button or a pop-up entry) ends there: the tool stays selected.
    if (toolbarTouch_) {
        toolbarTouch_ = false;
        const int tag = pressedToolbarTag_;
        pressedToolbarTag_ = 0;
        toolbar_->setPressed(0);
        const DrawingToolbar::Hit hit = toolbar_->hitAt(location);
        if (tag != 0 && hit.tag == tag && hit.entry == -1) onToolbarButton(tag);
        return;
    }
    touchActive_ = false;
    const CCPoint point = convertToNodeSpace(location);
    // A placement click is never half of the double click that toggles the crosshair.
    if (touchPlaced_) {
        touchPlaced_ = false;
        clickPending_ = false;
        unschedule(CLICK_KEY);
        return;
    }
    DrawingBase* hit = hitTool(point);
    if (hit && hit == selectedDrawing_) {
        hit->setSelected(true);
        if (handleMoved_)
            notifyDrawingsChanged();
        else if (hit == textClickTool_)
            openTextEdit(hit, false);
    } else if (selectedDrawing_) {
        if (handleMoved_) notifyDrawingsChanged();
        selectTool(nullptr);
    } else if (!dragging_) {
        if (!clickPending_) {
            clickPending_ = true;
            unschedule(CLICK_KEY);
            scheduleOnce([this](float) { clickPending_ = false; }, DOUBLE_CLICK_TIME, CLICK_KEY);
        } else {
            unschedule(CLICK_KEY);
            clickPending_ = false;
            if (owner_)
                owner_->setCrosshairInAllWindows(!showCrosshair_);
            else
                showCrosshair_ = !showCrosshair_;
        }
    }
    textClickTool_ = nullptr;
    handleMoved_ = false;
    if (dragging_) {
        dragging_ = false;
        float scale = 1.0f;
        if (CCEGLView* view = CCDirector::sharedDirector()->getOpenGLView())
            scale = (view->getScaleX() + view->getScaleY()) / 2;
        const int dpi = CCDevice::getDPI();
        const float speed = scale * flingVelocity_ / static_cast<float>(dpi > 0 ? dpi : 96);
        if (std::fabs(speed) > FLING_THRESHOLD) startFling();
    }
}

void DrawingKLine::ccTouchCancelled(CCTouch*, CCEvent*) {
    touchActive_ = false;
    if (alertTouch_) alertLines_->touchCancelled();
    alertTouch_ = false;
    dragging_ = false;
    if (pressedButton_) pressedButton_->setPressed(false);
    pressedButton_ = nullptr;
    pressedToolbarTag_ = 0;
    toolbarTouch_ = false;
    toolbar_->setPressed(0);
    touchPlaced_ = false;
    textClickTool_ = nullptr;
    if (handleMoved_) notifyDrawingsChanged();
    handleMoved_ = false;
}

void DrawingKLine::pressButton(ChartButton* button) {
    playHoverSound();
    onButton(button->getTag());
    if (owner_ && !owner_->isActiveWindow()) owner_->activateWindow();
}

void DrawingKLine::releaseTouches() {
    for (auto& entry : touches_) entry.second->release();
    touches_.clear();
    pinchDistance_ = 0;
    pinching_ = false;
}

void DrawingKLine::ccTouchesBegan(CCSet* touches, CCEvent*) {
    for (CCObject* object : *touches) {
        auto* touch = static_cast<CCTouch*>(object);
        const CCPoint location = touch->getLocation();
        if (!IsPointOnMe(location.x, location.y)) continue;
        char key[16];
        std::snprintf(key, sizeof(key), "%d", touch->getID());
        auto found = touches_.find(key);
        if (found != touches_.end()) found->second->release();
        touch->retain();
        touches_[key] = touch;
    }
    pinchDistance_ = 0;
}

void DrawingKLine::ccTouchesMoved(CCSet* touches, CCEvent* event) {
    if (touches_.size() == 2 && !pinnedStart_) {
        const CCPoint a = touches_.begin()->second->getLocation();
        const CCPoint b = std::next(touches_.begin())->second->getLocation();
        const CCPoint span = b - a;
        if (std::fabs(span.x) > std::fabs(span.y)) {
            const float distance = span.getLength();
            // The first move of a pinch only measures it: there is no previous distance to divide by.
            if (pinchDistance_ > 0 && distance > 0) {
                ScaleKLineInfo info;
                info.fromWidth = barWidth_;
                info.toWidth = clampWidth(distance / pinchDistance_ * barWidth_);
                info.currentWidth = info.toWidth;
                info.anchorX = snapToBar(crossPoint_.x);
                info.anchorFromOffset = info.anchorX - offsetX_;
                info.finished = false;
                targetBarWidth_ = info.toWidth;
                applyZoomStep(&info);
                pinching_ = true;
            }
            pinchDistance_ = distance;
        }
        return;
    }
    if (touches_.size() <= 1 && touches->count() == 1) {
        auto* touch = static_cast<CCTouch*>(touches->anyObject());
        ccTouchMoved(touch, event);
        const CCPoint location = touch->getLocation();
        ccMouseMove(location.x, location.y);
    }
}

void DrawingKLine::ccTouchesEnded(CCSet* touches, CCEvent*) {
    for (CCObject* object : *touches) {
        auto* touch = static_cast<CCTouch*>(object);
        char key[16];
        std::snprintf(key, sizeof(key), "%d", touch->getID());
        auto found = touches_.find(key);
        if (found == touches_.end()) continue;
        found->second->release();
        touches_.erase(found);
    }
    if (touches_.size() < 2) {
        pinchDistance_ = 0;
        if (pinching_) {
            // The gesture's last step: a width left outside the settled band springs back.
            pinching_ = false;
            ScaleKLineInfo info;
            info.fromWidth = barWidth_;
            info.toWidth = barWidth_;
            info.currentWidth = barWidth_;
            info.anchorX = snapToBar(crossPoint_.x);
            info.anchorFromOffset = info.anchorX - offsetX_;
            info.finished = true;
            applyZoomStep(&info);
        }
    }
}

// --- mouse

void DrawingKLine::updateCrosshairAt(float x) {
    crossPoint_.x = x;
    const long long slot = slotAt(x);
    const long long time = timeOfSlot(slot);
    if (barCount() != 0 && time > 0 && time != crossLabelTime_) {
        crossLabelTime_ = time;
        crossTimeLabel_->setString(ChartAxis::crosshairTimeText(time, timeType_).c_str());
        KLineBar* bar = slot >= 0 ? barAt(static_cast<size_t>(slot)) : nullptr;
        if (owner_) owner_->showBarInfo(bar);
        if (indicators_)
            for (IndicatorBase* pane : *indicators_) pane->showInfoAt(bar);
    }
    crossTimeBackground_->setPosition(std::trunc(x), ChartAxis::TIME_LABEL_Y);
    crossTimeBackground_->setVisible(time > 0 && !displayOnly_);
}

void DrawingKLine::showCrossPrice() {
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", static_cast<double>(priceAtY(crossPoint_.y)));
    crossPriceLabel_->setString(text);
}

void DrawingKLine::refreshCrosshairLabels() {
    if (crossTimeBackground_->isVisible()) updateCrosshairAt(snapToBar(crossPoint_.x));
    if (crossPriceLine_->isVisible()) showCrossPrice();
}

void DrawingKLine::setHoverTime(long long time) {
    if (time == hoverTime_) return;
    hoverTime_ = time;
    if (owner_) owner_->crosshairTimeChanged(time);
}

bool DrawingKLine::ccMouseMove(float x, float y) {
    if (!isMouseInMe(x, y)) {
        alertLines_->hoverAt(0, false);
        setHoverTime(0);
        crossPriceLine_->setVisible(false);
        // Over one of the panes the time label stays: the pane moves it.
        bool overPane = false;
        if (indicators_)
            for (IndicatorBase* pane : *indicators_) overPane = overPane || pane->isMouseInMe(x, y);
        if (!overPane) crossTimeBackground_->setVisible(false);
        return true;
    }
    const CCPoint point = convertToNodeSpace(CCPoint(x, y));
    crossPoint_ = point;
    alertLines_->hoverAt(point.y, true);
    updateCrosshairAt(snapToBar(point.x));
    setHoverTime(barCount() == 0 ? 0 : std::max(0LL, timeOfSlot(slotAt(snapToBar(point.x)))));
    crossPriceLine_->setPosition(getContentSize().width, crossPoint_.y);
    crossPriceLine_->setVisible(true);
    showCrossPrice();
    toolbar_->hoverAt(CCPoint(x, y));
    if (creatingTool_ && creatingTool_->getPlacedPoints() >= 1)
        placePoint(point, false);
    else if (!drawings_.empty())
        hoverTools(point);
    if (!buttonsDisabled_) showButtons();
    return true;
}

bool DrawingKLine::ccMouseWheel(int, float delta, float x, float y) {
    if (!IsPointOnMe(x, y)) return false;
    if (wheelNotches_ == 0 || (wheelNotches_ > 0 && delta < 0) || (wheelNotches_ < 0 && delta > 0)) {
        wheelNotches_ = 0;
        stopActionByTag(TAG_WHEEL);
        CCAction* timer = CCSequence::create(CCDelayTime::create(WHEEL_BATCH_TIME),
                                             CCCallFunc::create([this] { onWheelTimer(); }), nullptr);
        timer->setTag(TAG_WHEEL);
        runAction(timer);
    }
    wheelNotches_ += delta > 0 ? 1 : -1;
    return true;
}

void DrawingKLine::onWheelTimer() {
    const int n = wheelNotches_;
    wheelNotches_ = 0;
    // A button glide owns the view: the notches of this batch are dropped.
    if (moveSpeed_ != 0 || n == 0) return;
    stopFling();
    const int sign = n > 0 ? 1 : -1;
    float width = barWidth_ + static_cast<float>(n + 2 * (n - sign));
    width = std::clamp(width, MIN_BAR_WIDTH, MAX_BAR_WIDTH);
    if (width != targetBarWidth_) zoomTo(width);
}

void DrawingKLine::OnMouseLeave() {
    hideButtons();
}

void DrawingKLine::showButtons() {
    if (buttons_[0]->isVisible()) return;
    for (ChartButton* button : buttons_) {
        button->stopAllActions();
        button->setVisible(true);
        button->setEnabled(true);
        button->setOpacity(0);
        button->runAction(CCFadeTo::create(BUTTON_FADE_TIME, 255));
    }
}

void DrawingKLine::hideButtons() {
    for (ChartButton* button : buttons_) {
        button->setEnabled(false);
        if (!button->isVisible()) continue;
        button->stopAllActions();
        button->runAction(
            CCSequence::create(CCFadeTo::create(BUTTON_FADE_TIME, 0), CCHide::create(), nullptr));
    }
}

ChartButton* DrawingKLine::getButton(int tag) const {
    return tag >= 0 && tag < BUTTON_COUNT ? buttons_[tag] : nullptr;
}
