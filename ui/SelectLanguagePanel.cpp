#include "SelectLanguagePanel.h"

#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "Theme.h"

USING_NS_CC;

namespace {
constexpr float ROW_MARGIN = 5;
constexpr float ROW_GAP = 2;
constexpr float FLAG_X = 20;
constexpr float NAME_X = 40;
constexpr float FONT_SIZE = 14;
constexpr const char* ROW_FRAME = "stockFrameRect.png";
constexpr const char* CHOSEN_FRAME = "stockFrameRect2.png";
constexpr const char* FLAGS[SelectLanguagePanel::LANGUAGE_COUNT] = {"Newyork.png", "Beijing.png"};
constexpr const char* NAME_KEY = "language";

float rowHeight() {
    return (SelectLanguagePanel::HEIGHT - 2 * ROW_MARGIN) / SelectLanguagePanel::LANGUAGE_COUNT;
}
}  // namespace

SelectLanguagePanel* SelectLanguagePanel::create(float width, Chosen chosen) {
    return createAutoreleased<SelectLanguagePanel>(&SelectLanguagePanel::initChooser, width,
                                                   std::move(chosen));
}

bool SelectLanguagePanel::initChooser(float width, Chosen chosen) {
    if (!initPanel(PANEL_BACKGROUND, CCSize(width, HEIGHT))) return false;
    chosen_ = std::move(chosen);
    const LangData* names = findLangEntry(NAME_KEY);
    // Without the entry both rows show the "default" text, logged once.
    const std::string fallback = names ? "" : getLangTextOrDefault(NAME_KEY, "", " [language]");
    for (int language = 0; language < LANGUAGE_COUNT; ++language) {
        PanelToggleButton* row =
            PanelToggleButton::create(ROW_FRAME, CHOSEN_FRAME, CHOSEN_FRAME, CHOSEN_FRAME, language,
                                      [this](PanelButton* clicked) { onRow(clicked->getTag()); });
        // Each row names its language in that language: no binding, it reads the same after a switch.
        const std::string name = names ? getLangTextFor(names, language) : fallback;
        CCLabelTTF* label = CCLabelTTF::create(name.c_str(), FONT_FILE, FONT_SIZE);
        if (!row || !label) return false;
        const float y = HEIGHT - ROW_MARGIN - rowHeight() * (static_cast<float>(language) + 0.5f);
        row->setPosition(CCPoint(width / 2, y));
        const CCSize frame = row->getContentSize();
        if (frame.width > 0 && frame.height > 0) {
            row->setScaleX((width - 2 * ROW_MARGIN) / frame.width);
            row->setScaleY((rowHeight() - ROW_GAP) / frame.height);
        }
        addPanelButton(row);
        rows_.push_back(row);
        if (CCSprite* flag = CCSprite::createWithSpriteFrameName(FLAGS[language])) {
            flag->setPosition(CCPoint(FLAG_X, y));
            addChild(flag, 1);
        }
        label->setAnchorPoint(CCPoint(0, 0.5f));
        label->setPosition(CCPoint(NAME_X, y));
        addChild(label, 1);
        names_.push_back(label);
    }
    return true;
}

PanelToggleButton* SelectLanguagePanel::getRow(int language) const {
    if (language < 0 || language >= static_cast<int>(rows_.size())) return nullptr;
    return rows_[static_cast<size_t>(language)];
}

std::string SelectLanguagePanel::rowName(int language) const {
    if (language < 0 || language >= static_cast<int>(names_.size())) return "";
    return names_[static_cast<size_t>(language)]->getString();
}

void SelectLanguagePanel::show() {
    PopuPanelBase::show();
    for (size_t language = 0; language < rows_.size(); ++language)
        rows_[language]->setState(static_cast<int>(language) == getCurrentLanguage());
}

void SelectLanguagePanel::onRow(int language) {
    playHoverSound();
    hide();
    if (chosen_) chosen_(language);
}
