#include "ReconnectPanel.h"

#include <ctime>
#include <string>

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "LanguageTable.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr const char* TITLE_KEY = "reconnecting";
constexpr const char* ELAPSED_KEY = "disconnectedFor";
constexpr const char* REFRESH_KEY = "reconnectRefresh";
constexpr const char* COUNT_MARK = "%d";
constexpr float TITLE_FONT_SIZE = 18;
constexpr float ELAPSED_FONT_SIZE = 14;
constexpr float TITLE_Y = 58;
constexpr float ELAPSED_Y = 28;
constexpr ccColor3B ELAPSED_COLOUR{170, 178, 194};
constexpr int FADE_TAG = 7;

ReconnectPanel::Clock& clockSlot() {
    static ReconnectPanel::Clock clock;
    return clock;
}

// The table's text is data, not a format string: only its first "%d" is replaced, so a stray "%s"
// in a translation cannot reach printf.
std::string withCount(std::string text, int64_t count) {
    const std::string number = std::to_string(count);
    const size_t mark = text.find(COUNT_MARK);
    if (mark == std::string::npos) return text + " " + number;
    return text.replace(mark, std::string(COUNT_MARK).size(), number);
}
}  // namespace

ReconnectPanel* ReconnectPanel::create() {
    return createAutoreleased<ReconnectPanel>(&ReconnectPanel::initPanel);
}

void ReconnectPanel::setClock(Clock clock) {
    clockSlot() = std::move(clock);
}

int64_t ReconnectPanel::now() {
    if (clockSlot()) return clockSlot()();
    return static_cast<int64_t>(std::time(nullptr));
}

bool ReconnectPanel::initPanel() {
    if (!init()) return false;
    // The fade runs on the panel's own opacity; the veil and the card keep theirs underneath.
    setCascadeOpacityEnabled(true);
    veil_ = CCLayerColor::create(ccc4(0, 0, 0, VEIL_OPACITY));
    card_ =
        CCLayerColor::create(ccc4(CARD_COLOUR.r, CARD_COLOUR.g, CARD_COLOUR.b, 255), CARD_WIDTH, CARD_HEIGHT);
    accent_ = CCLayerColor::create(ccc4(ACCENT_COLOUR.r, ACCENT_COLOUR.g, ACCENT_COLOUR.b, 255), CARD_WIDTH,
                                   ACCENT_HEIGHT);
    title_ = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    elapsed_ = CCLabelTTF::create("", FONT_FILE, ELAPSED_FONT_SIZE);
    if (!veil_ || !card_ || !accent_ || !title_ || !elapsed_) return false;
    for (CCNode* node : {static_cast<CCNode*>(veil_), static_cast<CCNode*>(card_)}) {
        node->setCascadeOpacityEnabled(true);
        addChild(node);
    }
    accent_->setPosition(CCPoint(0, CARD_HEIGHT - ACCENT_HEIGHT));
    title_->setPosition(CCPoint(CARD_WIDTH / 2, TITLE_Y));
    elapsed_->setPosition(CCPoint(CARD_WIDTH / 2, ELAPSED_Y));
    elapsed_->setColor(ELAPSED_COLOUR);
    card_->addChild(accent_);
    card_->addChild(title_);
    card_->addChild(elapsed_);
    const CCSize& window = CCDirector::sharedDirector()->getWinSize();
    setWindowSize(window.width, window.height);
    // Both texts follow the language, also while the panel is up.
    bindLangText(title_, TITLE_KEY);
    bindLangRefresh(this, [this] {
        elapsedText_ = getLangTextOrDefault(ELAPSED_KEY, elapsedText_);
        if (shown_) refreshElapsedText();
    });
    setVisible(false);
    return true;
}

void ReconnectPanel::setWindowSize(float width, float height) {
    setContentSize(CCSize(width, height));
    veil_->changeWidthAndHeight(width, height);
    card_->setPosition(CCPoint((width - CARD_WIDTH) / 2, (height - CARD_HEIGHT) / 2));
}

void ReconnectPanel::showPanel(int64_t disconnectedAtSeconds) {
    const bool wasShown = shown_;
    shown_ = true;
    disconnectedAt_ = disconnectedAtSeconds > 0 ? disconnectedAtSeconds : now();
    refreshElapsedText();
    unschedule(REFRESH_KEY);
    schedule([this](float) { refreshElapsedText(); }, REFRESH_SECONDS, REFRESH_KEY);
    if (wasShown) return;
    stopActionByTag(FADE_TAG);
    if (!isVisible()) setOpacity(0);
    setVisible(true);
    CCAction* fade = CCFadeTo::create(FADE_SECONDS * (255 - getOpacity()) / 255, 255);
    fade->setTag(FADE_TAG);
    runAction(fade);
}

void ReconnectPanel::hidePanel() {
    unschedule(REFRESH_KEY);
    if (!shown_) return;
    shown_ = false;
    stopActionByTag(FADE_TAG);
    CCAction* fade =
        CCSequence::create(CCFadeTo::create(FADE_SECONDS * getOpacity() / 255, 0), CCHide::create(), nullptr);
    fade->setTag(FADE_TAG);
    runAction(fade);
}

int64_t ReconnectPanel::getElapsedSeconds() const {
    if (!shown_) return 0;
    const int64_t elapsed = now() - disconnectedAt_;
    return elapsed > 0 ? elapsed : 0;
}

void ReconnectPanel::refreshElapsedText() {
    elapsed_->setString(withCount(elapsedText_, getElapsedSeconds()).c_str());
}
