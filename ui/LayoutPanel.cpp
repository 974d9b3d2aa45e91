#include "LayoutPanel.h"

#include <string>

#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CDebugModule.h"
#include "LanguageTable.h"
#include "LayoutPanelDelegate.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr float CAPTION_FONT_SIZE = 16;
constexpr uint8_t AVAILABLE_OPACITY = 255;
constexpr uint8_t UNAVAILABLE_OPACITY = 70;
constexpr const char* ROW_KEYS[LayoutPanel::ROW_COUNT] = {"1chart", "2chart", "3chart", "4chart",
                                                          "otherChart"};
}  // namespace

LayoutPanel* LayoutPanel::create(const ccColor3B& colour) {
    return createAutoreleased<LayoutPanel>(&LayoutPanel::initLayoutPanel, colour);
}

CCPoint LayoutPanel::buttonOffset(int layout) {
    if (layout <= 1) return CCPoint(120, 55);
    if (layout <= 3) return CCPoint(120 + BUTTON_SIZE * static_cast<float>(layout - 2), 105);
    const int index = layout - 4;
    return CCPoint(static_cast<float>(index % 5) * BUTTON_SIZE + 120,
                   static_cast<float>(index / 5 + 2) * BUTTON_SIZE + 55);
}

bool LayoutPanel::initLayoutPanel(const ccColor3B& colour) {
    if (!initPanel(colour, CCSize(WIDTH, HEIGHT))) return false;
    available_.fill(true);
    setModal(true);
    for (int row = 0; row < ROW_COUNT; ++row) {
        const float y = HEIGHT - (static_cast<float>(row) * BUTTON_SIZE + 55);
        CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
        if (!caption) return false;
        bindLangText(caption, ROW_KEYS[row]);
        caption->setPosition(CCPoint(CAPTION_X, y));
        addChild(caption);
        if (row + 1 < ROW_COUNT) {
            // Halfway between this row and the next.
            CCLayerColor* line = CCLayerColor::create(ccc4(255, 255, 255, 40), WIDTH, 1);
            if (!line) return false;
            line->setPosition(CCPoint(0, y - BUTTON_SIZE / 2));
            addChild(line);
        }
    }
    for (int layout = 1; layout <= LAYOUT_COUNT; ++layout) {
        const std::string normal = "icon_layout_" + std::to_string(layout) + ".png";
        const std::string selected = "icon_layout_" + std::to_string(layout) + "_sel.png";
        PanelToggleButton* button = PanelToggleButton::create(
            normal.c_str(), selected.c_str(), selected.c_str(), selected.c_str(), layout,
            [this](PanelButton* clicked) { onLayoutButton(clicked->getTag()); });
        if (!button) return false;
        const CCPoint offset = buttonOffset(layout);
        button->setPosition(CCPoint(offset.x, HEIGHT - offset.y));
        addPanelButton(button);
        layoutButtons_.push_back(button);
    }
    return true;
}

PanelToggleButton* LayoutPanel::getLayoutButton(int layout) const {
    if (layout < 1 || layout > static_cast<int>(layoutButtons_.size())) return nullptr;
    return layoutButtons_[static_cast<size_t>(layout - 1)];
}

void LayoutPanel::setCurrentLayout(int layout) {
    PanelToggleButton* button = getLayoutButton(layout);
    if (!button || layout == currentLayout_) return;
    if (PanelToggleButton* old = getLayoutButton(currentLayout_)) old->setState(false);
    button->setState(true);
    currentLayout_ = layout;
}

void LayoutPanel::setLayoutAvailable(int layout, bool available) {
    PanelToggleButton* button = getLayoutButton(layout);
    if (!button) return;
    available_[static_cast<size_t>(layout - 1)] = available;
    button->setEnabled(available && isShown());
    button->setOpacity(available ? AVAILABLE_OPACITY : UNAVAILABLE_OPACITY);
}

bool LayoutPanel::isLayoutAvailable(int layout) const {
    return getLayoutButton(layout) && available_[static_cast<size_t>(layout - 1)];
}

void LayoutPanel::show() {
    PopuPanelBase::show();
    // Showing enables every button; the unavailable layouts stay off.
    for (int layout = 1; layout <= LAYOUT_COUNT; ++layout)
        if (PanelToggleButton* button = getLayoutButton(layout))
            button->setEnabled(isLayoutAvailable(layout));
}

void LayoutPanel::onLayoutButton(int layout) {
    playHoverSound();
    logInfo("LayoutPanel callback:%d", layout);
    if (!isLayoutAvailable(layout)) return;
    if (layout == currentLayout_ && !(delegate_ && delegate_->wantsLayoutReapplied())) return;
    hide();
    setCurrentLayout(layout);
    if (delegate_) delegate_->applyLayout(layout, true);
}
