#include "NewsPanel.h"

#include <algorithm>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "NewsDetailPanel.h"
#include "NewsRowList.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "news";
constexpr const char* MONTH_KEY = "month";
constexpr float DATE_GAP = 3;
constexpr int Z_DETAIL = 128;
}  // namespace

NewsPanel* NewsPanel::create(const CCSize& size) {
    return createAutoreleased<NewsPanel>(&NewsPanel::initNews, size);
}

NewsPanel::~NewsPanel() {
    if (detail_) detail_->removeDestroyHook(this);
}

bool NewsPanel::initNews(const CCSize& size) {
    date_ = CCNode::create();
    day_ = CCLabelTTF::create("", FONT_FILE, DAY_FONT_SIZE);
    month_ = CCLabelTTF::create("", FONT_FILE, MONTH_FONT_SIZE);
    monthWord_ = CCLabelTTF::create("", FONT_FILE, MONTH_FONT_SIZE);
    list_ = NewsRowList::create(CCSize(std::max(0.0f, size.width), 0));
    if (!date_ || !day_ || !month_ || !monthWord_ || !list_) return false;
    // The page's own set-up sizes the panel, which places the date and the list.
    if (!initPage(CAPTION_KEY, size)) return false;
    day_->setAnchorPoint(CCPoint(0.5f, 1));
    day_->setPosition(CCPoint(DATE_X, DATE_HEIGHT - DATE_GAP));
    month_->setAnchorPoint(CCPoint(1, 0));
    month_->setPosition(CCPoint(DATE_X, DATE_GAP));
    monthWord_->setAnchorPoint(CCPoint(0, 0));
    monthWord_->setPosition(CCPoint(DATE_X + 1, DATE_GAP));
    date_->addChild(day_);
    date_->addChild(month_);
    date_->addChild(monthWord_);
    getBody()->addChild(date_);
    getBody()->addChild(list_);
    list_->setRowClickedCallback([this](NewsRow* row) { openDetail(row); });
    bindLangText(monthWord_, MONTH_KEY);
    // Today is the display zone's: a zone switch and its midnight both turn the date over.
    DisplayTimeZone::shared().bind(day_, [this] { refreshDate(); });
    DisplayTimeZone::shared().bindClock(day_, [this] { refreshDate(); });
    setShown(false);
    return true;
}

void NewsPanel::refreshDate() {
    const ZonedTime today = DisplayTimeZone::shared().now();
    day_->setString(std::to_string(today.day).c_str());
    month_->setString(std::to_string(today.month).c_str());
}

CCSize NewsPanel::listSize() const {
    const CCSize body = getBodySize();
    return CCSize(body.width, std::max(0.0f, body.height - DATE_HEIGHT));
}

void NewsPanel::setPanelSize(const CCSize& size) {
    LeftPanePage::setPanelSize(size);
    // Called by the page's set-up before the date and list are placed.
    if (!date_ || !list_) return;
    const CCSize list = listSize();
    date_->setPosition(CCPoint(0, list.height));
    list_->setPosition(CCPointZero);
    list_->resize(list);
}

void NewsPanel::setShown(bool shown) {
    LeftPanePage::setShown(shown);
    // A hidden list and button take no clicks.
    if (list_) list_->setTouchEnabled(shown);
    if (getCloseButton()) getCloseButton()->setEnabled(shown);
    if (!shown && detail_) detail_->close();
}

NewsDetailPanel* NewsPanel::openDetail(NewsRow* row) {
    if (!row) return nullptr;
    CCScene* scene = CCDirector::sharedDirector()->getRunningScene();
    if (!scene) return nullptr;
    // The pop-up belongs to the scene it shows in; the panel only keeps a pointer while it lives.
    if (!detail_) {
        detail_ = NewsDetailPanel::create();
        if (!detail_) return nullptr;
        detail_->setDestroyHook(this, [this](CCNode*) { detail_ = nullptr; });
        scene->addChild(detail_, Z_DETAIL);
    }
    detail_->showRow(row, CCDirector::sharedDirector()->getWinSize());
    return detail_;
}

void NewsPanel::addFlash(const std::string& key, const std::string& text) {
    list_->addFlash(key, text);
}
void NewsPanel::replaceFlashText(const std::string& key, const std::string& text) {
    list_->replaceFlashText(key, text);
}
void NewsPanel::addDataItem(const std::vector<std::string>& fields) {
    list_->addDataItem(fields);
}
void NewsPanel::updateDataValues(const std::vector<std::string>& fields) {
    list_->updateDataValues(fields);
}
void NewsPanel::removeItem(const std::string& key) {
    list_->removeItem(key);
}
void NewsPanel::clearItems() {
    list_->clearItems();
}
