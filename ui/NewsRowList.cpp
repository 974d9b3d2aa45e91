#include "NewsRowList.h"

#include <algorithm>

#include "CCTouch.h"
#include "CDebugModule.h"
#include "NewsRow.h"

USING_NS_CC;

namespace {
// Dropped rows leave the stack this far below the container before every row is placed afresh.
constexpr float REBASE_DISTANCE = 100000;
// Room above the newest row: a row's time label and marker reach a few units over its top edge.
constexpr float TOP_PADDING = 6;
constexpr size_t DATA_KEY_FIELD = 1;
constexpr size_t FIRST_VALUE_FIELD = 2;
constexpr size_t MIN_UPDATE_FIELDS = 4;
}  // namespace

NewsRowList* NewsRowList::create(const CCSize& viewSize) {
    return createAutoreleased<NewsRowList>(&NewsRowList::initList, viewSize);
}

bool NewsRowList::initList(const CCSize& viewSize) {
    if (!initWithViewSize(viewSize, nullptr)) return false;
    stack_ = CCNode::create();
    if (!stack_) return false;
    setDirection(kCCScrollViewDirectionVertical);
    addChild(stack_);
    fitContainer();
    return true;
}

NewsRow* NewsRowList::findRow(const std::string& key) const {
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : found->second;
}

void NewsRowList::addFlash(const std::string& key, const std::string& text) {
    if (key.empty() || byKey_.count(key)) return;
    NewsRow* row = NewsRow::createFlash(key, text, getViewSize().width);
    if (!row) {
        logWarn("news flash %s: its row could not be made", key.c_str());
        return;
    }
    append(row);
}

void NewsRowList::addDataItem(const std::vector<std::string>& fields) {
    if (fields.size() < NewsRow::MIN_DATA_FIELDS) return;
    const std::string& key = fields[NewsRow::DATA_KEY_FIELD];
    if (NewsRow* listed = findRow(key)) {
        // A repeated item brings newer figures: its row takes them instead of a twin.
        if (listed->getKind() == NewsRow::Kind::Data) {
            const float before = listed->getContentSize().height;
            listed->setDataRecord(fields);
            if (listed->getContentSize().height != before) relayout();
        }
        return;
    }
    NewsRow* row = NewsRow::createData(fields, getViewSize().width);
    if (!row) {
        logWarn("news data item %s: its row could not be made", key.c_str());
        return;
    }
    append(row);
}

void NewsRowList::replaceFlashText(const std::string& key, const std::string& text) {
    NewsRow* row = findRow(key);
    if (!row || row->getKind() != NewsRow::Kind::Flash) return;
    const float before = row->getContentSize().height;
    row->setFlashText(text);
    if (row->getContentSize().height != before) relayout();
}

void NewsRowList::updateDataValues(const std::vector<std::string>& fields) {
    if (fields.size() < MIN_UPDATE_FIELDS) return;
    NewsRow* row = findRow(fields[DATA_KEY_FIELD]);
    if (!row || row->getKind() != NewsRow::Kind::Data) return;
    // A record without its actual value publishes none yet.
    const std::string actual = fields.size() > FIRST_VALUE_FIELD + 2 ? fields[FIRST_VALUE_FIELD + 2] : "";
    row->setValues(fields[FIRST_VALUE_FIELD], fields[FIRST_VALUE_FIELD + 1], actual);
}

void NewsRowList::removeItem(const std::string& key) {
    NewsRow* row = findRow(key);
    if (!row) return;
    byKey_.erase(key);
    rows_.erase(std::find(rows_.begin(), rows_.end(), row));
    row->removeFromParentAndCleanup(true);
    relayout();
    scrollToStart();
}

void NewsRowList::clearItems() {
    byKey_.clear();
    rows_.clear();
    stack_->removeAllChildrenWithCleanup(true);
    relayout();
    scrollToStart();
}

void NewsRowList::append(NewsRow* row) {
    if (!rows_.empty()) rows_.back()->setMarkerDimmed(true);
    while (rows_.size() >= MAX_ROWS) dropOldest();
    row->setPosition(CCPoint(0, top_));
    top_ += row->getContentSize().height;
    stack_->addChild(row);
    rows_.push_back(row);
    byKey_[row->getKey()] = row;
    if (bottom_ > REBASE_DISTANCE) relayout();
    fitContainer();
    scrollToStart();
}

void NewsRowList::dropOldest() {
    NewsRow* oldest = rows_.front();
    rows_.pop_front();
    byKey_.erase(oldest->getKey());
    bottom_ += oldest->getContentSize().height;
    oldest->removeFromParentAndCleanup(true);
}

void NewsRowList::relayout() {
    float y = 0;
    for (NewsRow* row : rows_) {
        row->setPosition(CCPoint(0, y));
        y += row->getContentSize().height;
    }
    top_ = y;
    bottom_ = 0;
    fitContainer();
}

void NewsRowList::fitContainer() {
    stack_->setPosition(CCPoint(0, -bottom_));
    setContentSize(CCSize(getViewSize().width, top_ - bottom_ + TOP_PADDING));
}

void NewsRowList::scrollToStart() {
    setContentOffset(minContainerOffset());
}

void NewsRowList::resize(const CCSize& viewSize) {
    const bool widthChanged = viewSize.width != getViewSize().width;
    setViewSize(viewSize);
    if (widthChanged) {
        for (NewsRow* row : rows_) row->changeWidth(viewSize.width);
    }
    fitContainer();
    scrollToStart();
}

NewsRow* NewsRowList::rowAt(const CCPoint& worldPoint) const {
    for (NewsRow* row : rows_) {
        const CCPoint local = row->convertToNodeSpace(worldPoint);
        const CCSize size = row->getContentSize();
        if (local.x >= 0 && local.y >= 0 && local.x < size.width && local.y < size.height) return row;
    }
    return nullptr;
}

void NewsRowList::ccTouchEnded(CCTouch* touch, CCEvent* event) {
    const bool click = !isTouchMoved();
    CCScrollView::ccTouchEnded(touch, event);
    if (!click || !rowClicked_) return;
    if (NewsRow* row = rowAt(touch->getLocation())) rowClicked_(row);
}
