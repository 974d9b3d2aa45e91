#include "AddStockPanel.h"

#include <algorithm>
#include <cstdio>

#include "AddStockPanelDelegate.h"
#include "CCKeyboard.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCScale9Sprite.h"
#include "CCScrollView.h"
#include "CCSpriteFrameCache.h"
#include "CCTextFieldTTF.h"
#include "CCTouch.h"
#include "CDebugModule.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockWindow.h"
#include "Theme.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr const char* DEFAULT_FLAG = "defualt.png";
constexpr const char* SEARCH_FRAME = "rectFrame.png";
constexpr const char* SEARCH_ICON = "zoomIn.png";
constexpr const char* SEARCH_ICON_HOVER = "zoomIn_sel.png";
constexpr const char* LIST_CHECK_KEY = "AddStockPanel.listCheck";
constexpr const char* ESCAPE_CHECK_KEY = "AddStockPanel.escape";
constexpr const char* UNKNOWN_PRICE = "--";
constexpr float SEARCH_STRIP_HEIGHT = 50.0f;
constexpr float SEARCH_FONT_SIZE = 16.0f;
constexpr float CATEGORY_FONT_SIZE = 14.0f;
constexpr float ROW_FONT_SIZE = 14.0f;
constexpr float FLAG_SCALE = 0.75f;
constexpr ccColor4B COLUMN_COLOUR{18, 21, 32, AddStockPanel::COLUMN_OPACITY};
constexpr ccColor4B STRIP_COLOUR{30, 35, 52, AddStockPanel::COLUMN_OPACITY};
constexpr ccColor4B SEPARATOR_COLOUR{47, 53, 70, 255};
constexpr ccColor3B CAPTION_GREY{150, 150, 150};
constexpr ccColor3B CAPTION_SELECTED{255, 255, 255};
constexpr ccColor3B CODE_GREY{120, 120, 120};
constexpr ccColor3B NAME_COLOUR{220, 220, 220};

CCSpriteFrame* flagFrame(const std::string& code) {
    CCSpriteFrameCache* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    if (CCSpriteFrame* frame = frames->spriteFrameByName(code + ".png")) return frame;
    return frames->spriteFrameByName(DEFAULT_FLAG);
}
}  // namespace

AddStockPanel* AddStockPanel::create(const CCSize& size) {
    return createAutoreleased<AddStockPanel>(&AddStockPanel::initChooser, size);
}

AddStockPanel::~AddStockPanel() {
    if (replaceListener_) StockData::getInstance()->removeReplaceListener(replaceListener_);
    detachRows();
    releaseTarget();
}

bool AddStockPanel::initChooser(const CCSize& size) {
    if (!initPanel(PANEL_BACKGROUND, size)) return false;
    getBackground()->setOpacity(OPACITY);
    const float listHeight = std::max(0.0f, size.height - SEARCH_STRIP_HEIGHT);

    CCLayerColor* column = CCLayerColor::create(COLUMN_COLOUR, CATEGORY_WIDTH, size.height);
    CCLayerColor* strip =
        CCLayerColor::create(STRIP_COLOUR, std::max(0.0f, size.width - CATEGORY_WIDTH), SEARCH_STRIP_HEIGHT);
    if (!column || !strip) return false;
    addChild(column);
    strip->setPosition(CCPoint(CATEGORY_WIDTH, size.height - SEARCH_STRIP_HEIGHT));
    addChild(strip);

    CCScale9Sprite* frame = CCScale9Sprite::createWithSpriteFrameName(SEARCH_FRAME);
    if (!frame) return false;
    frame->setContentSize(CCSize(SEARCH_FRAME_WIDTH, SEARCH_FRAME_HEIGHT));
    frame->setAnchorPoint(CCPoint(0.5f, 0.5f));
    frame->setPosition(CCPoint(size.width - SEARCH_FRAME_WIDTH / 2 - 10, size.height - 25));
    addChild(frame, 1);

    searchField_ = CCTextFieldTTF::textFieldWithPlaceHolder(
        "", CCSize(SEARCH_FRAME_WIDTH - 50, 22), kCCTextAlignmentLeft, FONT_FILE, SEARCH_FONT_SIZE);
    if (!searchField_) return false;
    searchField_->setMaxLength(MAX_SEARCH_CHARACTERS);
    searchField_->setAnchorPoint(CCPoint(0, 0.5f));
    searchField_->setPosition(CCPoint(10, SEARCH_FRAME_HEIGHT / 2));
    searchField_->setOnEnter([this](CCTextFieldTTF*) {
        onSearch();
        if (typedSearch_ && !rows_.empty()) onInstrumentRow(0);
    });
    frame->addChild(searchField_);

    searchButton_ =
        PanelButton::create(SEARCH_ICON, SEARCH_ICON_HOVER, 0, [this](PanelButton*) { onSearch(); });
    if (!searchButton_) return false;
    // The button sits on the frame, but belongs to the panel so it is enabled only while shown.
    searchButton_->setPosition(frame->getPosition() + CCPoint(SEARCH_FRAME_WIDTH / 2 - 25, 0));
    addPanelButton(searchButton_);
    reorderChild(searchButton_, 2);

    categoryColumn_ = CCScrollView::create(CCSize(CATEGORY_WIDTH, size.height));
    list_ = CCScrollView::create(CCSize(LIST_WIDTH, listHeight));
    if (!categoryColumn_ || !list_) return false;
    categoryColumn_->setScrollBarVisible(false);
    addChild(categoryColumn_, 1);
    list_->setPosition(CCPoint(size.width - LIST_WIDTH, 0));
    list_->setScrollBarSize(4, 35);
    list_->setTouchPriority(LIST_TOUCH_PRIORITY);
    list_->setContentSize(CCSize(LIST_WIDTH, 0));
    addChild(list_, 1);

    replaceListener_ = StockData::getInstance()->addReplaceListener([this] {
        clearRows();
        listMoved_ = true;
    });
    rebuildCategories();
    return true;
}

void AddStockPanel::setTargetWindow(StockWindow* window) {
    if (window == target_) return;
    if (window) window->retain();
    releaseTarget();
    target_ = window;
}

void AddStockPanel::releaseTarget() {
    if (target_) target_->release();
    target_ = nullptr;
}

void AddStockPanel::show() {
    PopuPanelBase::show();
    searchField_->attachWithIME();
    scrollToTop();
    setCategoriesEnabled(true);
    if (!categories_.empty()) selectCategory(0);
    listMoved_ = true;
    lastOffset_ = list_->getContentOffset();
    schedule([this](float) { checkListMoved(); }, LIST_CHECK_SECONDS, LIST_CHECK_KEY);
    // Escape closes the chooser; a press already held when it opened does not.
    escapeWasDown_ = CCKeyboard::isKeyDown(kCCKeyEscape);
    schedule(
        [this](float) {
            const bool down = CCKeyboard::isKeyDown(kCCKeyEscape);
            const bool pressed = down && !escapeWasDown_;
            escapeWasDown_ = down;
            if (pressed && isShown()) hide();
        },
        0, ESCAPE_CHECK_KEY);
    if (delegate_) delegate_->setKeyboardEnabled(false);
}

void AddStockPanel::hide() {
    PopuPanelBase::hide();
    searchField_->setString("");
    searchField_->detachWithIME();
    clearRows();
    setCategoriesEnabled(false);
    unschedule(LIST_CHECK_KEY);
    unschedule(ESCAPE_CHECK_KEY);
    typedSearch_ = false;
    if (delegate_) {
        delegate_->refreshQuoteSubscriptions();
        delegate_->setKeyboardEnabled(true);
    }
}

void AddStockPanel::onExit() {
    if (isShown()) hide();
    PopuPanelBase::onExit();
}

void AddStockPanel::checkListMoved() {
    const CCPoint offset = list_->getContentOffset();
    if (!listMoved_ && offset.equals(lastOffset_)) return;
    listMoved_ = false;
    lastOffset_ = offset;
    if (delegate_) delegate_->refreshQuoteSubscriptions();
}

void AddStockPanel::rebuildCategories() {
    clearCategories();
    auto addCategory = [this](const std::string& caption, bool all, const std::string& listName,
                              const std::string& category) {
        PanelButton* button =
            PanelButton::create(SEARCH_FRAME, SEARCH_FRAME, static_cast<int>(categories_.size()),
                                [this](PanelButton* clicked) { onCategoryButton(clicked); });
        if (!button) return;
        // Only the caption and the selection mark show; the frame is the hit area.
        button->setOpacity(0);
        button->setAnchorPoint(CCPointZero);
        button->setContentSize(CCSize(CATEGORY_WIDTH, CATEGORY_HEIGHT));
        CCLayerColor* mark = CCLayerColor::create(PANEL_SELECTION, CATEGORY_WIDTH, CATEGORY_HEIGHT);
        CCLabelTTF* label = CCLabelTTF::create(caption.c_str(), FONT_FILE, CATEGORY_FONT_SIZE);
        if (!mark || !label) return;
        mark->setVisible(false);
        button->addChild(mark, -1);
        label->setPosition(CCPoint(CATEGORY_WIDTH / 2, CATEGORY_HEIGHT / 2));
        label->setColor(CAPTION_GREY);
        button->addChild(label);
        button->setEnabled(isShown());
        categoryColumn_->addChild(button);
        categories_.push_back(Category{button, mark, label, all, listName, category});
    };
    addCategory(getLangTextOrDefault("allStock", ""), true, "", "");
    // The first category's caption is the table's; the others are the service's names, kept as sent.
    if (!categories_.empty()) bindLangText(categories_.front().caption, "allStock");
    for (const auto& [listName, categories] : StockData::getInstance()->getLists()) {
        for (const auto& [category, records] : categories) {
            addCategory(category, false, listName, category);
            logInfo("add stock type btn:%s, %d", category.c_str(), static_cast<int>(categories_.size()) - 1);
        }
    }
    // Stacked from the top of the column: button k (from 1) at column height - k x 50.
    const float height = CATEGORY_HEIGHT * static_cast<float>(categories_.size());
    categoryColumn_->setContentSize(CCSize(CATEGORY_WIDTH, height));
    for (size_t i = 0; i < categories_.size(); ++i)
        categories_[i].button->setPosition(CCPoint(0, height - CATEGORY_HEIGHT * static_cast<float>(i + 1)));
    categoryColumn_->setContentOffset(categoryColumn_->minContainerOffset());
    if (isShown()) {
        selectCategory(0);
    } else {
        clearRows();
    }
}

void AddStockPanel::clearCategories() {
    for (Category& category : categories_) category.button->removeFromParent();
    categories_.clear();
}

PanelButton* AddStockPanel::getCategoryButton(size_t index) const {
    return index < categories_.size() ? categories_[index].button : nullptr;
}

bool AddStockPanel::isCategorySelected(size_t index) const {
    return index < categories_.size() && categories_[index].mark->isVisible();
}

void AddStockPanel::setCategoriesEnabled(bool enabled) {
    for (Category& category : categories_) category.button->setEnabled(enabled);
}

void AddStockPanel::unselectCategories() {
    for (Category& category : categories_) {
        category.mark->setVisible(false);
        category.caption->setColor(CAPTION_GREY);
    }
}

void AddStockPanel::onCategoryButton(PanelButton* button) {
    if (!button) {
        logInfo("place call by panelButton!!");
        return;
    }
    for (size_t i = 0; i < categories_.size(); ++i) {
        if (categories_[i].button != button) continue;
        playHoverSound();
        selectCategory(i);
        return;
    }
}

void AddStockPanel::selectCategory(size_t index) {
    if (index >= categories_.size()) return;
    unselectCategories();
    const Category& chosen = categories_[index];
    chosen.mark->setVisible(true);
    chosen.caption->setColor(CAPTION_SELECTED);
    StockData* catalogue = StockData::getInstance();
    std::vector<StockInfo*> records;
    if (chosen.all) {
        for (const auto& [code, record] : catalogue->getStocks())
            records.push_back(catalogue->findStock(code));
    } else {
        // The catalogue may have changed since the buttons were built: a vanished category lists nothing.
        const StockData::ListMap& lists = catalogue->getLists();
        auto list = lists.find(chosen.listName);
        if (list != lists.end()) {
            auto category = list->second.find(chosen.category);
            if (category != list->second.end()) records = category->second;
        }
    }
    showRecords(records);
}

void AddStockPanel::startTypedSearch(const std::string& letters) {
    if (!isShown()) return;
    searchField_->setString(letters.c_str());
    typedSearch_ = true;
    onSearch();
}

void AddStockPanel::onSearch() {
    playHoverSound();
    logInfo("add stock panel search!!!");
    showRecords(StockData::getInstance()->searchStocks(searchField_->getString()));
    unselectCategories();
}

void AddStockPanel::showRecords(const std::vector<StockInfo*>& records) {
    clearRows();
    const float height = ROW_HEIGHT * static_cast<float>(records.size());
    list_->setContentSize(CCSize(LIST_WIDTH, height));
    const bool inverse = UserData::getInstance()->getInverseRedGreen();
    for (size_t i = 0; i < records.size(); ++i) {
        StockInfo* record = records[i];
        if (!record) continue;
        CCNode* row = CCNode::create();
        row->setContentSize(CCSize(LIST_WIDTH, ROW_HEIGHT));
        row->setPosition(CCPoint(0, height - ROW_HEIGHT * static_cast<float>(i + 1)));
        if (CCLayerColor* separator = CCLayerColor::create(SEPARATOR_COLOUR, LIST_WIDTH, 1))
            row->addChild(separator);
        if (CCSpriteFrame* frame = flagFrame(record->getCode())) {
            CCSprite* flag = CCSprite::createWithSpriteFrame(frame);
            flag->setScale(FLAG_SCALE);
            flag->setPosition(CCPoint(22, ROW_HEIGHT / 2));
            row->addChild(flag);
        }
        CCLabelTTF* name = CCLabelTTF::create(record->getName().c_str(), FONT_FILE, ROW_FONT_SIZE);
        CCLabelTTF* code = CCLabelTTF::create(record->getCode().c_str(), FONT_FILE, ROW_FONT_SIZE);
        // A price is known once a quote came in.
        const bool known = record->getQuoteTime() != 0 || record->getLastPrice() != 0;
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(record->getLastPrice()));
        CCLabelTTF* price = CCLabelTTF::create(known ? text : UNKNOWN_PRICE, FONT_FILE, ROW_FONT_SIZE);
        name->setAnchorPoint(CCPoint(0, 0.5f));
        name->setPosition(CCPoint(48, ROW_HEIGHT / 2));
        name->setColor(NAME_COLOUR);
        code->setAnchorPoint(CCPoint(0, 0.5f));
        code->setPosition(CCPoint(190, ROW_HEIGHT / 2));
        code->setColor(CODE_GREY);
        price->setAnchorPoint(CCPoint(1, 0.5f));
        price->setPosition(CCPoint(LIST_WIDTH - 12, ROW_HEIGHT / 2));
        if (known) {
            const bool up = record->getChangeRatio() >= 0;
            price->setColor(up != inverse ? StockInfo::UP_COLOR : StockInfo::DOWN_COLOR);
        }
        row->addChild(name);
        row->addChild(code);
        row->addChild(price);
        list_->addChild(row);
        record->setPriceLabelA(price);
        record->setColorItemA1(price);
        rows_.push_back(Row{row, price, record});
    }
    scrollToTop();
    // New rows need their quotes even when the offset stayed the same.
    listMoved_ = true;
}

void AddStockPanel::detachRows() {
    for (Row& row : rows_) {
        if (row.record->getPriceLabelA() == row.price) row.record->setPriceLabelA(nullptr);
        if (row.record->getColorItemA1() == row.price) row.record->setColorItemA1(nullptr);
    }
}

void AddStockPanel::clearRows() {
    detachRows();
    for (Row& row : rows_) row.node->removeFromParent();
    rows_.clear();
    pressedRow_ = -1;
    list_->setContentSize(CCSize(LIST_WIDTH, 0));
}

void AddStockPanel::scrollToTop() {
    list_->setContentOffset(list_->minContainerOffset());
}

std::vector<std::string> AddStockPanel::getListedCodes() const {
    std::vector<std::string> codes;
    codes.reserve(rows_.size());
    for (const Row& row : rows_) codes.push_back(row.record->getCode());
    return codes;
}

std::vector<std::string> AddStockPanel::getVisibleCodes() const {
    std::vector<std::string> codes;
    for (const Row& row : rows_) {
        if (list_->isNodeVisible(row.node)) codes.push_back(row.record->getCode());
    }
    return codes;
}

CCNode* AddStockPanel::getRow(size_t index) const {
    return index < rows_.size() ? rows_[index].node : nullptr;
}

void AddStockPanel::onInstrumentRow(size_t index) {
    if (index >= rows_.size()) return;
    playHoverSound();
    // Hiding drops the rows: take what the pick needs first.
    const std::string code = rows_[index].record->getCode();
    const CCPoint at = rows_[index].node->convertToWorldSpace(CCPointZero);
    logInfo("AddStockPanel list %s calback!", code.c_str());
    hide();
    if (delegate_) {
        delegate_->addStockWindow(code, at, target_);
        delegate_->refreshQuoteSubscriptions();
        delegate_->saveWindowLayout();
    }
    releaseTarget();
}

int AddStockPanel::rowAt(const CCPoint& world) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].node->IsPointOnMe(world.x, world.y)) return static_cast<int>(i);
    }
    return -1;
}

bool AddStockPanel::ccTouchBegan(CCTouch* touch, CCEvent* event) {
    if (!PopuPanelBase::ccTouchBegan(touch, event)) return false;
    pressedRow_ = rowAt(touch->getLocation());
    return true;
}

void AddStockPanel::ccTouchEnded(CCTouch* touch, CCEvent*) {
    const int pressed = pressedRow_;
    pressedRow_ = -1;
    // A drag scrolled the list: no pick.
    if (pressed < 0 || list_->isTouchMoved()) return;
    if (rowAt(touch->getLocation()) == pressed) onInstrumentRow(static_cast<size_t>(pressed));
}

void AddStockPanel::ccTouchCancelled(CCTouch*, CCEvent*) {
    pressedRow_ = -1;
}
