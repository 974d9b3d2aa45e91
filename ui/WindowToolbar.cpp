#include "WindowToolbar.h"

#include <algorithm>
#include <cstdio>

#include "CCClippingNode.h"
#include "CCLayerColor.h"
#include "LanguageTable.h"

USING_NS_CC;

namespace {

constexpr const char* CAPTION_KEYS[WindowToolbar::BUTTON_COUNT] = {
    "chartType", "graphicalTools", "indicators", "timeTyle", "saveChartImage", "priceAlert"};
constexpr float BUTTON_GAP = 4;
constexpr float EDGE_GAP = 5;

}  // namespace

bool WindowToolbar::build(CCNode* window, int z, PanelButton::Callback onButton) {
    auto* clip = CCClippingNode::create();
    node_ = clip;
    window->addChild(node_, z);
    float x = 0;
    float height = 0;
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        char normal[32];
        char selected[32];
        std::snprintf(normal, sizeof(normal), "toolsBar_%d.png", i);
        std::snprintf(selected, sizeof(selected), "toolsBar_sel_%d.png", i);
        auto* button =
            PanelToggleButton::create(normal, selected, selected, selected, CHART_TYPE + i, onButton);
        if (!button) return false;
        // The caption is the button's hover tip; a missing key takes the "default" entry (logged).
        if (findLangEntry(CAPTION_KEYS[i])) {
            button->setTipsInfo(CAPTION_KEYS[i]);
        } else {
            getLangTextOrDefault(CAPTION_KEYS[i], "");
            button->setTipsInfo("default");
        }
        const CCSize buttonSize = button->getContentSize();
        button->setPosition(x + buttonSize.width * 0.5f, buttonSize.height * 0.5f);
        x += buttonSize.width + BUTTON_GAP;
        height = std::max(height, buttonSize.height);
        node_->addChild(button);
        buttons_[i] = button;
    }
    const CCSize size(std::max(0.0f, x - BUTTON_GAP), height);
    node_->setContentSize(size);
    clip->setStencil(CCLayerColor::create(ccc4(255, 255, 255, 255), size.width, size.height));
    return true;
}

void WindowToolbar::place(float chartRight, float windowHeight, float titleRight, float titleRowHeight) {
    const CCSize size = node_->getContentSize();
    const float x = std::max(0.0f, chartRight - size.width - EDGE_GAP);
    float y = windowHeight - size.height - EDGE_GAP;
    if (x < titleRight + EDGE_GAP) y -= titleRowHeight + EDGE_GAP;
    node_->setPosition(x, y);
}

PanelToggleButton* WindowToolbar::getButton(int tag) const {
    return tag >= CHART_TYPE && tag <= PRICE_ALERT ? buttons_[tag - CHART_TYPE] : nullptr;
}

void WindowToolbar::reset() {
    for (PanelToggleButton* button : buttons_)
        if (button) button->setState(false);
}
