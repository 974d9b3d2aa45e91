#include "TimeZoomPanel.h"

#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {
const ccColor3B BACKGROUND{23, 27, 41};
constexpr float ROW_MARGIN = 6;
constexpr float ROW_GAP = 2;
constexpr float FLAG_X = 24;
constexpr float NAME_X = 48;
constexpr float TIME_RIGHT = 12;
constexpr float FONT_SIZE = 13;
constexpr const char* ROW_FRAME = "stockFrameRect.png";
constexpr const char* CHOSEN_FRAME = "stockFrameRect2.png";
constexpr const char* TIME_FORMAT = "%m-%d %H:%M:%S";

float rowHeight() {
    return (TimeZoomPanel::HEIGHT - 2 * ROW_MARGIN) / DisplayTimeZone::ZONE_COUNT;
}
}  // namespace

TimeZoomPanel* TimeZoomPanel::create(Chosen chosen) {
    return createAutoreleased<TimeZoomPanel>(&TimeZoomPanel::initChooser, std::move(chosen));
}

bool TimeZoomPanel::initChooser(Chosen chosen) {
    if (!initPanel(BACKGROUND, CCSize(WIDTH, HEIGHT))) return false;
    chosen_ = std::move(chosen);
    for (int index = 0; index < DisplayTimeZone::ZONE_COUNT; ++index) {
        PanelToggleButton* row =
            PanelToggleButton::create(ROW_FRAME, CHOSEN_FRAME, CHOSEN_FRAME, CHOSEN_FRAME, index,
                                      [this](PanelButton* clicked) { onRow(clicked->getTag()); });
        CCLabelTTF* name = CCLabelTTF::create("", FONT_FILE, FONT_SIZE);
        CCLabelTTF* time = CCLabelTTF::create("", FONT_FILE, FONT_SIZE);
        if (!row || !name || !time) return false;
        const CCPoint centre = rowCentre(index);
        row->setPosition(centre);
        const CCSize frame = row->getContentSize();
        if (frame.width > 0 && frame.height > 0) {
            row->setScaleX((WIDTH - 2 * ROW_MARGIN) / frame.width);
            row->setScaleY((rowHeight() - ROW_GAP) / frame.height);
        }
        addPanelButton(row);
        rows_.push_back(row);
        if (CCSprite* flag = CCSprite::createWithSpriteFrameName(DisplayTimeZone::flagImage(index))) {
            flag->setPosition(CCPoint(FLAG_X, centre.y));
            addChild(flag, 1);
        }
        name->setAnchorPoint(CCPoint(0, 0.5f));
        name->setPosition(CCPoint(NAME_X, centre.y));
        addChild(name, 1);
        bindLangText(name, "country" + std::to_string(index));
        names_.push_back(name);
        time->setAnchorPoint(CCPoint(1, 0.5f));
        time->setPosition(CCPoint(WIDTH - TIME_RIGHT, centre.y));
        addChild(time, 1);
        times_.push_back(time);
    }
    DisplayTimeZone::shared().bindClock(this, [this] { refreshTimes(); });
    DisplayTimeZone::shared().bind(this, [this] { markChosen(); });
    return true;
}

CCPoint TimeZoomPanel::rowCentre(int index) const {
    return CCPoint(WIDTH / 2, HEIGHT - ROW_MARGIN - rowHeight() * (static_cast<float>(index) + 0.5f));
}

std::string TimeZoomPanel::rowName(int index) const {
    if (index < 0 || index >= static_cast<int>(names_.size())) return "";
    return names_[static_cast<size_t>(index)]->getString();
}

std::string TimeZoomPanel::rowTime(int index) const {
    if (index < 0 || index >= static_cast<int>(times_.size())) return "";
    return times_[static_cast<size_t>(index)]->getString();
}

void TimeZoomPanel::show() {
    PopuPanelBase::show();
    markChosen();
    refreshTimes();
}

void TimeZoomPanel::onRow(int index) {
    playHoverSound();
    hide();
    if (chosen_) chosen_(index);
}

void TimeZoomPanel::refreshTimes() {
    // Hidden rows need no ticking; show() refreshes them.
    if (!isShown()) return;
    const int64_t now = DisplayTimeZone::shared().nowSeconds();
    for (size_t index = 0; index < times_.size(); ++index) {
        times_[index]->setString(
            DisplayTimeZone::formatZoneTime(now, static_cast<int>(index), TIME_FORMAT).c_str());
    }
}

void TimeZoomPanel::markChosen() {
    const int chosen = DisplayTimeZone::shared().index();
    for (size_t index = 0; index < rows_.size(); ++index)
        rows_[index]->setState(static_cast<int>(index) == chosen);
}
