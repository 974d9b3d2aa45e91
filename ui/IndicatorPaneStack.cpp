#include "IndicatorPaneStack.h"

#include <algorithm>
#include <cmath>

#include "DrawingKLine.h"
#include "IndicatorBOLL.h"
#include "IndicatorBase.h"
#include "IndicatorKDJ.h"
#include "IndicatorMACD.h"
#include "IndicatorTrading.h"

namespace {

constexpr float MIN_PANE_HEIGHT = 1.0f;

IndicatorBase* createPane(int type, DrawingKLine* chart, float width, float height) {
    switch (type) {
        case IndicatorBase::TYPE_TRADING:
            return IndicatorTrading::createPane(chart, width, height);
        case IndicatorBase::TYPE_MACD:
            return IndicatorMACD::createPane(chart, width, height);
        case IndicatorBase::TYPE_KDJ:
            return IndicatorKDJ::createPane(chart, width, height);
        case IndicatorBase::TYPE_BOLL:
            return IndicatorBOLL::createPane(chart, width, height);
        default:
            return nullptr;
    }
}

}  // namespace

bool IndicatorPaneStack::add(int type, float heightRatio, cocos2d::CCNode* window, DrawingKLine* chart,
                             float windowWidth, float windowHeight) {
    for (const Pane& pane : panes_) {
        if (pane.type == type) return false;
    }
    const float ratio =
        std::clamp(std::isfinite(heightRatio) ? heightRatio : IndicatorPane::DEFAULT_HEIGHT_RATIO,
                   IndicatorPane::MIN_HEIGHT_RATIO, IndicatorPane::MAX_HEIGHT_RATIO);
    IndicatorBase* view = createPane(type, chart, windowWidth, std::floor(ratio * windowHeight));
    if (!view) return false;
    window->addChild(view);
    panes_.push_back(Pane{type, ratio, view});
    syncViews();
    return true;
}

bool IndicatorPaneStack::remove(int type) {
    auto it =
        std::find_if(panes_.begin(), panes_.end(), [type](const Pane& pane) { return pane.type == type; });
    if (it == panes_.end()) return false;
    IndicatorBase* view = it->view;
    panes_.erase(it);
    syncViews();
    view->removeFromParent();
    return true;
}

int IndicatorPaneStack::lastType() const {
    return panes_.empty() ? 0 : panes_.back().type;
}

float IndicatorPaneStack::layout(float chartWidth, float windowHeight, bool windowShown) {
    // A share above the cap is scaled down so the chart keeps its room (and a broken settings file
    // cannot push the chart off the window).
    float total = 0;
    for (const Pane& pane : panes_) total += std::max(0.0f, pane.heightRatio);
    const float shrink = total > MAX_TOTAL_SHARE ? MAX_TOTAL_SHARE / total : 1.0f;
    float y = 0;
    for (auto it = panes_.rbegin(); it != panes_.rend(); ++it) {
        const float paneHeight = std::floor(std::max(0.0f, it->heightRatio) * shrink * windowHeight);
        if (paneHeight <= MIN_PANE_HEIGHT) {
            it->view->setVisible(false);
            continue;
        }
        it->view->setVisible(windowShown);
        it->view->setPosition(0, y);
        it->view->setViewSize(chartWidth, paneHeight);
        y += paneHeight;
    }
    return y;
}

void IndicatorPaneStack::relink(DrawingView* chart, bool windowShown) {
    DrawingView* upper = chart;
    chart->setUpperView(nullptr);
    for (const Pane& pane : panes_) {
        if (!pane.view->isVisible() && windowShown) continue;
        upper->setLowerView(pane.view);
        pane.view->setUpperView(upper);
        upper = pane.view;
    }
    upper->setLowerView(nullptr);
}

void IndicatorPaneStack::takeHeights(float windowHeight) {
    if (windowHeight <= 0) return;
    for (Pane& pane : panes_) {
        if (pane.view->isVisible()) pane.heightRatio = pane.view->getContentSize().height / windowHeight;
    }
}

void IndicatorPaneStack::setVisible(bool visible) {
    for (const Pane& pane : panes_) pane.view->setVisible(visible);
}

void IndicatorPaneStack::appendTo(std::vector<IndicatorPane>& panes) const {
    for (const Pane& pane : panes_) panes.push_back(IndicatorPane{pane.type, pane.heightRatio});
}

void IndicatorPaneStack::removeAll() {
    for (const Pane& pane : panes_) pane.view->removeFromParent();
    panes_.clear();
    views_.clear();
}

void IndicatorPaneStack::syncViews() {
    views_.clear();
    for (const Pane& pane : panes_) views_.push_back(pane.view);
}
