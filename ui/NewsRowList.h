#pragma once

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "CCScrollView.h"
#include "NewsItemSink.h"

class NewsRow;

// The news column's scrolling list: rows keyed by their item key, the newest on top with the only
// full-strength marker. It holds at most MAX_ROWS rows, dropping the oldest. Adding a row moves no
// other row (the stack grows upwards); only a change of height in the middle lays every row out
// again. A click on a row (a touch that did not scroll) reports it. Main thread only.
class NewsRowList : public cocos2d::CCScrollView, public NewsItemSink {
public:
    static constexpr size_t MAX_ROWS = 300;

    static NewsRowList* create(const cocos2d::CCSize& viewSize);

    void addFlash(const std::string& key, const std::string& text) override;
    void replaceFlashText(const std::string& key, const std::string& text) override;
    void addDataItem(const std::vector<std::string>& fields) override;
    void updateDataValues(const std::vector<std::string>& fields) override;
    void removeItem(const std::string& key) override;
    void clearItems() override;

    // Resizes the window onto the list and shows its top.
    void resize(const cocos2d::CCSize& viewSize);
    void scrollToStart();
    void setRowClickedCallback(std::function<void(NewsRow*)> callback) { rowClicked_ = std::move(callback); }

    // Oldest first.
    const std::deque<NewsRow*>& getRows() const { return rows_; }
    NewsRow* findRow(const std::string& key) const;
    // The row under a point in world space, or null.
    NewsRow* rowAt(const cocos2d::CCPoint& worldPoint) const;

    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NewsRowList() = default;
    bool initList(const cocos2d::CCSize& viewSize);

private:
    void append(NewsRow* row);
    void dropOldest();
    // Places every row again from the oldest up.
    void relayout();
    void fitContainer();

    cocos2d::CCNode* stack_ = nullptr;
    std::deque<NewsRow*> rows_;
    std::unordered_map<std::string, NewsRow*> byKey_;
    // The stack's y of the next row and of the oldest row's bottom: dropping the oldest moves the
    // stack, not the rows.
    float top_ = 0;
    float bottom_ = 0;
    std::function<void(NewsRow*)> rowClicked_;
};
