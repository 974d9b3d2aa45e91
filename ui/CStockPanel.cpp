#include "CStockPanel.h"

#include <algorithm>
#include <cstdio>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCScrollView.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockData.h"
#include "StockInfo.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "quoteList";
constexpr ccColor4B SEPARATOR_COLOUR{47, 53, 70, 255};
constexpr CCSize BOX_SIZE(80, 22);
constexpr float FLAG_SCALE = 0.75f;
constexpr float FLAG_X = 22;
constexpr float NAME_X = 48;
constexpr float VALUE_X = 200;
constexpr float PRICE_HEIGHT_SHARE = 0.68f;
constexpr float CHANGE_HEIGHT_SHARE = 0.32f;
constexpr float SCROLL_BAR_WIDTH = 4;
constexpr float SCROLL_BAR_LENGTH = 35;
constexpr int LIST_Z_ORDER = 1;

CCSprite* plainSprite(const CCSize& size, const ccColor3B& colour) {
    CCSprite* sprite = CCSprite::create();
    if (!sprite) return nullptr;
    sprite->setTextureRect(CCRect(0, 0, size.width, size.height));
    sprite->setColor(colour);
    return sprite;
}

CCLabelTTF* valueLabel(const char* text, const CCPoint& at) {
    CCLabelTTF* label = CCLabelTTF::create(text, FONT_FILE, CStockPanel::FONT_SIZE);
    if (label) label->setPosition(at);
    return label;
}
}  // namespace

CStockPanel* CStockPanel::create(const CCSize& size) {
    return createAutoreleased<CStockPanel>(&CStockPanel::initStockPanel, size);
}

CStockPanel::~CStockPanel() {
    if (replaceListener_) StockData::getInstance()->removeReplaceListener(replaceListener_);
    detachRows();
}

bool CStockPanel::initStockPanel(const CCSize& size) {
    list_ = CCScrollView::create(CCSize(size.width, std::max(0.0f, size.height - HEADER_HEIGHT)));
    if (!list_) return false;
    list_->setScrollBarSize(SCROLL_BAR_WIDTH, SCROLL_BAR_LENGTH);
    list_->setContentSize(CCSize(size.width, 0));
    // The list exists before the page sizes itself.
    if (!initPage(CAPTION_KEY, size)) return false;
    getBody()->addChild(list_, LIST_Z_ORDER);
    // The old records are freed right after this: their references to the rows must go first.
    replaceListener_ = StockData::getInstance()->addReplaceListener([this] { clearRows(); });
    return true;
}

void CStockPanel::setPanelSize(const CCSize& size) {
    LeftPanePage::setPanelSize(size);
    // This page's close button sits at half the header's height.
    if (PanelButton* close = getCloseButton())
        close->setPosition(CCPoint(getContentSize().width - CLOSE_RIGHT_INSET, HEADER_HEIGHT / 2));
    if (!list_) return;
    // The rows at the top stay there when the page grows or shrinks (the news page comes and goes).
    const float scrolled = list_->getContentOffset().y - list_->minContainerOffset().y;
    list_->setViewSize(getBodySize());
    layoutRows();
    list_->setContentOffset(CCPoint(0, list_->minContainerOffset().y + scrolled));
}

void CStockPanel::setShown(bool shown) {
    LeftPanePage::setShown(shown);
    if (!shown) setHoveredRow(-1);
}

void CStockPanel::rebuild() {
    clearRows();
    StockData* catalogue = StockData::getInstance();
    for (const auto& [code, record] : catalogue->getStocks()) {
        StockInfo* found = catalogue->findStock(code);
        if (found) addRow(found, 0);
    }
    layoutRows();
    list_->setContentOffset(list_->minContainerOffset());
    ++rebuildCount_;
}

void CStockPanel::addRow(StockInfo* record, float y) {
    const float width = getContentSize().width;
    CCLayerColor* row = CCLayerColor::create(ROW_COLOUR, width, ROW_HEIGHT);
    if (!row) return;
    row->setPosition(CCPoint(0, y));
    if (CCLayerColor* separator = CCLayerColor::create(SEPARATOR_COLOUR, width, 1)) row->addChild(separator);

    CCSpriteFrameCache* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    CCSpriteFrame* flagFrame = frames->spriteFrameByName(record->getCode() + ".png");
    if (!flagFrame) {
        logInfo("addStockList : get stock flag error:%s", record->getCode().c_str());
        flagFrame = frames->spriteFrameByName(DEFAULT_FLAG);
    }
    if (flagFrame) {
        CCSprite* flag = CCSprite::createWithSpriteFrame(flagFrame);
        flag->setScale(FLAG_SCALE);
        flag->setPosition(CCPoint(FLAG_X, ROW_HEIGHT / 2));
        row->addChild(flag);
    }
    if (CCLabelTTF* name = CCLabelTTF::create(record->getName().c_str(), FONT_FILE, FONT_SIZE,
                                              CCSize(NAME_WIDTH, 0), kCCTextAlignmentLeft)) {
        name->setAnchorPoint(CCPoint(0, 0.5f));
        name->setPosition(CCPoint(NAME_X, ROW_HEIGHT / 2));
        row->addChild(name);
    }

    const CCPoint priceAt(VALUE_X, ROW_HEIGHT * PRICE_HEIGHT_SHARE);
    const CCPoint changeAt(VALUE_X, ROW_HEIGHT * CHANGE_HEIGHT_SHARE);
    CCSprite* box1 = plainSprite(BOX_SIZE, StockInfo::UP_COLOR);
    CCSprite* box2 = plainSprite(BOX_SIZE, StockInfo::UP_COLOR);
    CCLabelTTF* price = valueLabel(UNKNOWN_TEXT, priceAt);
    CCLabelTTF* change = valueLabel(UNKNOWN_TEXT, changeAt);
    if (!box1 || !box2 || !price || !change) return;
    box1->setPosition(priceAt);
    box2->setPosition(changeAt);
    row->addChild(box1);
    row->addChild(box2);
    row->addChild(price, 1);
    row->addChild(change, 1);
    list_->addChild(row);

    record->setPriceLabelB(price);
    record->setChangeLabelB(change);
    record->setColorItemB1(box1);
    record->setColorItemB2(box2);
    // A record that already had a quote shows it at once instead of waiting for the next one.
    if (record->getQuoteTime() != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(record->getLastPrice()));
        price->setString(text);
        std::snprintf(text, sizeof text, "%0.3f%%", static_cast<double>(record->getChangeRatio()) * 100);
        change->setString(text);
        record->refreshColor(UserData::getInstance()->getInverseRedGreen());
    }
    rows_.push_back(Row{row, record, price, change, box1, box2});
}

void CStockPanel::layoutRows() {
    const float width = getContentSize().width;
    const float height = ROW_HEIGHT * static_cast<float>(rows_.size());
    list_->setContentSize(CCSize(width, height));
    for (size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].node->setContentSize(CCSize(width, ROW_HEIGHT));
        rows_[i].node->setPosition(CCPoint(0, height - ROW_HEIGHT * static_cast<float>(i + 1)));
    }
}

void CStockPanel::detachRows() {
    for (Row& row : rows_) {
        StockInfo* record = row.record;
        if (record->getPriceLabelB() == row.price) record->setPriceLabelB(nullptr);
        if (record->getChangeLabelB() == row.change) record->setChangeLabelB(nullptr);
        if (record->getColorItemB1() == row.box1) record->setColorItemB1(nullptr);
        if (record->getColorItemB2() == row.box2) record->setColorItemB2(nullptr);
    }
}

void CStockPanel::clearRows() {
    detachRows();
    for (Row& row : rows_) row.node->removeFromParent();
    rows_.clear();
    hoveredRow_ = -1;
    pressedRow_ = -1;
    list_->setContentSize(CCSize(getContentSize().width, 0));
}

std::vector<std::string> CStockPanel::getListedCodes() const {
    std::vector<std::string> codes;
    codes.reserve(rows_.size());
    for (const Row& row : rows_) codes.push_back(row.record->getCode());
    return codes;
}

CCLayerColor* CStockPanel::getRow(size_t index) const {
    return index < rows_.size() ? rows_[index].node : nullptr;
}

CCLabelTTF* CStockPanel::getPriceLabel(size_t index) const {
    return index < rows_.size() ? static_cast<CCLabelTTF*>(rows_[index].price) : nullptr;
}

CCLabelTTF* CStockPanel::getChangeLabel(size_t index) const {
    return index < rows_.size() ? static_cast<CCLabelTTF*>(rows_[index].change) : nullptr;
}

int CStockPanel::rowAt(const CCPoint& world) const {
    if (!isShown() || !isVisible()) return -1;
    // Only the list's window counts: rows scrolled out of it are not hit.
    const CCPoint inList = list_->convertToNodeSpace(world);
    const CCSize view = list_->getViewSize();
    if (inList.x < 0 || inList.y < 0 || inList.x >= view.width || inList.y >= view.height) return -1;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const CCPoint inRow = rows_[i].node->convertToNodeSpace(world);
        if (inRow.x >= 0 && inRow.y >= 0 && inRow.x < rows_[i].node->getContentSize().width &&
            inRow.y < ROW_HEIGHT)
            return static_cast<int>(i);
    }
    return -1;
}

void CStockPanel::setHoveredRow(int row) {
    if (row == hoveredRow_) return;
    if (hoveredRow_ >= 0 && hoveredRow_ < static_cast<int>(rows_.size()))
        rows_[static_cast<size_t>(hoveredRow_)].node->setColor(
            ccColor3B{ROW_COLOUR.r, ROW_COLOUR.g, ROW_COLOUR.b});
    hoveredRow_ = row;
    if (row >= 0) rows_[static_cast<size_t>(row)].node->setColor(ROW_HOVER_COLOUR);
}

void CStockPanel::onEnter() {
    LeftPanePage::onEnter();
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, TOUCH_PRIORITY, true);
    setMouseEnabled(true);
}

void CStockPanel::onExit() {
    CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
    setMouseEnabled(false);
    setHoveredRow(-1);
    pressedRow_ = -1;
    LeftPanePage::onExit();
}

bool CStockPanel::ccMouseMove(float x, float y) {
    setHoveredRow(rowAt(CCPoint(x, y)));
    return false;
}

void CStockPanel::OnMouseLeave() {
    setHoveredRow(-1);
}

bool CStockPanel::ccTouchBegan(CCTouch* touch, CCEvent*) {
    pressedRow_ = rowAt(touch->getLocation());
    return pressedRow_ >= 0;
}

void CStockPanel::ccTouchEnded(CCTouch* touch, CCEvent*) {
    const int pressed = pressedRow_;
    pressedRow_ = -1;
    // A drag scrolled the list: no pick.
    if (pressed < 0 || list_->isTouchMoved()) return;
    if (rowAt(touch->getLocation()) != pressed) return;
    const std::string code = rows_[static_cast<size_t>(pressed)].record->getCode();
    playHoverSound();
    logInfo("CStockPanel row %s clicked", code.c_str());
    if (rowCallback_) rowCallback_(code);
}

void CStockPanel::ccTouchCancelled(CCTouch*, CCEvent*) {
    pressedRow_ = -1;
}
