#include "SelectTimePanel.h"

#include <string>

#include "CCLabelTTF.h"
#include "ChartChooserDelegate.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockWindow.h"

USING_NS_CC;

namespace {
constexpr float TITLE_FONT_SIZE = 18;
constexpr float CAPTION_FONT_SIZE = 14;
constexpr float TITLE_SPACE = 40;
constexpr float BUTTON_MARGIN = 15;
constexpr float BUTTON_GAP = 3;
constexpr const char* BUTTON_FRAME = "stockFrameRect.png";
constexpr const char* SELECTED_FRAME = "stockFrameRect2.png";
}  // namespace

SelectTimePanel* SelectTimePanel::create(const ccColor3B& colour, const CCSize& size) {
    return createAutoreleased<SelectTimePanel>(&SelectTimePanel::initChooser, colour, size);
}

SelectTimePanel::~SelectTimePanel() {
    releaseWindow();
}

bool SelectTimePanel::initChooser(const ccColor3B& colour, const CCSize& size) {
    if (!initPanel(colour, size)) return false;
    CCLabelTTF* title = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    if (!title) return false;
    bindLangText(title, "timeType");
    title->setPosition(CCPoint(size.width / 2, size.height - TITLE_SPACE / 2));
    addChild(title);
    // One row per time type under the title.
    const float rowHeight = (size.height - TITLE_SPACE) / TIME_TYPE_COUNT;
    for (int index = 0; index < TIME_TYPE_COUNT; ++index) {
        PanelToggleButton* button =
            PanelToggleButton::create(BUTTON_FRAME, SELECTED_FRAME, SELECTED_FRAME, SELECTED_FRAME, index,
                                      [this](PanelButton* clicked) { onTimeButton(clicked->getTag()); });
        if (!button) return false;
        const CCPoint centre(size.width / 2,
                             size.height - TITLE_SPACE - rowHeight * (static_cast<float>(index) + 0.5f));
        button->setPosition(centre);
        // The frame is stretched to its row so neighbouring buttons never overlap.
        const CCSize frame = button->getContentSize();
        if (frame.width > 0 && frame.height > 0) {
            button->setScaleX((size.width - 2 * BUTTON_MARGIN) / frame.width);
            button->setScaleY((rowHeight - BUTTON_GAP) / frame.height);
        }
        addPanelButton(button);
        timeButtons_.push_back(button);
        CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
        if (!caption) return false;
        bindLangText(caption, "timeType" + std::to_string(index));
        caption->setPosition(centre);
        addChild(caption, 1);
    }
    return true;
}

PanelToggleButton* SelectTimePanel::getTimeButton(int tag) const {
    if (tag < 0 || tag >= static_cast<int>(timeButtons_.size())) return nullptr;
    return timeButtons_[static_cast<size_t>(tag)];
}

void SelectTimePanel::showForWindow(StockWindow* window) {
    show();
    if (window != window_) {
        if (window) window->retain();
        releaseWindow();
        window_ = window;
    }
    for (PanelToggleButton* button : timeButtons_) button->setState(false);
    if (window_) {
        if (PanelToggleButton* current = getTimeButton(window_->getTimeTypeIndex())) current->setState(true);
    }
}

void SelectTimePanel::onTimeButton(int tag) {
    if (!window_ || !getTimeButton(tag)) return;
    playHoverSound();
    if (tag != window_->getTimeTypeIndex()) {
        window_->setTimeType(tag, true);
        if (delegate_) delegate_->renewKLineSubscriptions();
    }
    hide();
}

void SelectTimePanel::hide() {
    PopuPanelBase::hide();
    if (!window_) return;
    window_->clearToolbarSelection();
    releaseWindow();
}

void SelectTimePanel::releaseWindow() {
    if (window_) window_->release();
    window_ = nullptr;
}
