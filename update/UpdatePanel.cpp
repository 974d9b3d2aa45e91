#include "UpdatePanel.h"

#include <algorithm>
#include <cmath>

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCScale9Sprite.h"
#include "CCScrollView.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr float NOTES_MARGIN = 40;
constexpr float NOTES_HEIGHT = 130;
constexpr float NOTES_CENTRE_Y = 153;
constexpr float NOTE_LINE_HEIGHT = 22;
constexpr float NOTE_FONT_SIZE = 14;
constexpr float TITLE_FONT_SIZE = 18;
constexpr float CAPTION_FONT_SIZE = 16;
constexpr float TITLE_FROM_TOP = 30;
constexpr float BUTTON_Y = 40;
constexpr float BAR_X = 20;
constexpr uint8_t BAR_OPACITY = 230;
constexpr float SHRINK_SECONDS = 0.2f;
constexpr float CLOSE_GROW_SCALE = 1.25f;
constexpr float CLOSE_GROW_SECONDS = 0.07f;
constexpr float CLOSE_SHRINK_SECONDS = 0.2f;
const ccColor3B BAR_COLOUR = {48, 131, 255};

PanelButton* makeButton(const char* normal, const char* hover, int tag, const std::string& captionKey,
                        std::function<void()> onClick) {
    PanelButton* button = PanelButton::create(normal, hover, tag, [onClick](PanelButton*) {
        playHoverSound();
        if (onClick) onClick();
    });
    if (!button) return nullptr;
    button->setTouchPriority(UpdatePanel::BUTTON_TOUCH_PRIORITY);
    CCLabelTTF* caption = CCLabelTTF::create(getLangTextOrDefault(captionKey, captionKey).c_str(), FONT_FILE,
                                             CAPTION_FONT_SIZE);
    const CCSize size = button->getContentSize();
    caption->setPosition(CCPoint(size.width / 2, size.height / 2));
    button->addChild(caption);
    return button;
}
}  // namespace

UpdatePanel* UpdatePanel::create(const CCSize& size, const ccColor3B& colour, bool force,
                                 std::vector<std::string> notes, Choices choices) {
    auto* panel = new UpdatePanel();
    if (!panel->init(size, colour, force, std::move(notes), std::move(choices))) {
        delete panel;
        return nullptr;
    }
    panel->autorelease();
    return panel;
}

bool UpdatePanel::init(const CCSize& size, const ccColor3B& colour, bool force,
                       std::vector<std::string> notes, Choices choices) {
    if (!initPanel(colour, size)) return false;
    setAnchorPoint(CCPoint(0.5f, 0.5f));
    force_ = force;
    notes_ = std::move(notes);
    choices_ = std::move(choices);
    maxBarWidth_ = size.width - NOTES_MARGIN;

    const CCSize listSize(size.width - NOTES_MARGIN, NOTES_HEIGHT);
    CCScale9Sprite* frame = CCScale9Sprite::create("rectFrame.png");
    if (frame) {
        frame->setContentSize(listSize);
        frame->setPosition(CCPoint(size.width / 2, NOTES_CENTRE_Y));
        addChild(frame);
        notesFrame_ = frame;
    }
    CCNode* lines = CCNode::create();
    const float contentHeight = std::max(listSize.height, NOTE_LINE_HEIGHT * float(notes_.size()));
    lines->setContentSize(CCSize(listSize.width, contentHeight));
    for (size_t i = 0; i < notes_.size(); ++i) {
        CCLabelTTF* line = CCLabelTTF::create(notes_[i].c_str(), FONT_FILE, NOTE_FONT_SIZE);
        line->setAnchorPoint(CCPoint(0, 1));
        line->setPosition(CCPoint(10, contentHeight - NOTE_LINE_HEIGHT * float(i) - 4));
        lines->addChild(line);
    }
    notesList_ = CCScrollView::create(listSize, lines);
    notesList_->setDirection(kCCScrollViewDirectionVertical);
    notesList_->setContentOffset(CCPoint(0, listSize.height - contentHeight));
    notesList_->setPosition(CCPoint(NOTES_MARGIN / 2, NOTES_CENTRE_Y - NOTES_HEIGHT / 2));
    addChild(notesList_);

    title_ = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    statusText_ = getLangTextOrDefault(force_ ? "forceUpdate" : "needUpdate", "");
    title_->setString(statusText_.c_str());
    title_->setPosition(CCPoint(size.width / 2, size.height - TITLE_FROM_TOP));
    addChild(title_);

    updateButton_ = makeButton("btnOK.png", "btnOK_sel.png", TAG_UPDATE, "update", [this] {
        disableButtons();
        if (choices_.update) choices_.update();
    });
    otherButton_ = makeButton("btnGray.png", "btnGray_sel.png", TAG_OTHER, force_ ? "exit" : "skip", [this] {
        disableButtons();
        if (choices_.other) choices_.other();
    });
    if (!updateButton_ || !otherButton_) return false;
    updateButton_->setPosition(CCPoint(size.width * 3 / 4, BUTTON_Y));
    otherButton_->setPosition(CCPoint(size.width / 4, BUTTON_Y));
    addPanelButton(updateButton_);
    addPanelButton(otherButton_);
    return true;
}

void UpdatePanel::disableButtons() {
    for (PanelButton* button : getButtons()) button->setEnabled(false);
}

void UpdatePanel::showDownloading() {
    // The buttons stay children, hidden and disabled: the base class keeps pointers to them.
    disableButtons();
    updateButton_->setVisible(false);
    otherButton_->setVisible(false);
    auto drop = [](auto*& node) {
        if (node) node->removeFromParentAndCleanup(true);
        node = nullptr;
    };
    drop(notesFrame_);
    drop(notesList_);
    const CCSize size = getContentSize();
    // The dialog keeps its centre while it shrinks to the downloading height.
    CCLayerColor* background = getBackground();
    background->ignoreAnchorPointForPosition(false);
    background->setAnchorPoint(CCPoint(0.5f, 0.5f));
    background->setPosition(CCPoint(size.width / 2, size.height / 2));
    background->runAction(CCScaleTo::create(SHRINK_SECONDS, 1.0f, DOWNLOAD_HEIGHT / size.height));
    bar_ = CCSprite::create();
    bar_->setColor(BAR_COLOUR);
    bar_->setOpacity(BAR_OPACITY);
    bar_->setAnchorPoint(CCPoint(0, 0.5f));
    bar_->setPosition(CCPoint(BAR_X, size.height / 2 - BAR_HEIGHT / 2));
    addChild(bar_);
    setProgress(0);
    title_->setPosition(CCPoint(size.width / 2, size.height / 2 + DOWNLOAD_HEIGHT / 2 - TITLE_FROM_TOP));
    setStatus("downloading");
}

void UpdatePanel::setProgress(double share) {
    if (!bar_) return;
    if (std::isnan(share)) share = 1;
    const float width = static_cast<float>(std::clamp(share, 0.0, 1.0)) * maxBarWidth_;
    bar_->setTextureRect(CCRect(0, 0, width, BAR_HEIGHT));
    bar_->setVisible(width > 0);
}

float UpdatePanel::getProgressWidth() const {
    return bar_ ? bar_->getContentSize().width : 0;
}

void UpdatePanel::setStatus(const std::string& key) {
    statusText_ = getLangTextOrDefault(key, statusText_);
    title_->setString(statusText_.c_str());
}

void UpdatePanel::close() {
    disableButtons();
    runAction(CCSequence::create(CCScaleTo::create(CLOSE_GROW_SECONDS, CLOSE_GROW_SCALE),
                                 CCScaleTo::create(CLOSE_SHRINK_SECONDS, 0.0f), CCRemoveSelf::create(),
                                 nullptr));
}
