#pragma once

#include "LeftPanePage.h"
#include "NewsItemSink.h"

namespace cocos2d {
class CCLabelTTF;
}
class NewsDetailPanel;
class NewsRow;
class NewsRowList;

// The news page of the left pane, captioned "news": under its header today's date (the day of the
// month large, the month number and "month" below it, in the display zone and turning over at its
// midnight), then the scrolling list of news rows that the item operations fill. A click on a row
// opens the item's detail pop-up. Showing enables the list and the close button, hiding disables
// them. Main thread only.
class NewsPanel : public LeftPanePage, public NewsItemSink {
public:
    static constexpr float DATE_HEIGHT = 44;
    static constexpr float DAY_FONT_SIZE = 22;
    static constexpr float MONTH_FONT_SIZE = 13;
    static constexpr float DATE_X = 24;

    static NewsPanel* create(const cocos2d::CCSize& size);

    void setPanelSize(const cocos2d::CCSize& size) override;
    void setShown(bool shown) override;

    void addFlash(const std::string& key, const std::string& text) override;
    void replaceFlashText(const std::string& key, const std::string& text) override;
    void addDataItem(const std::vector<std::string>& fields) override;
    void updateDataValues(const std::vector<std::string>& fields) override;
    void removeItem(const std::string& key) override;
    void clearItems() override;

    NewsRowList* getList() const { return list_; }
    cocos2d::CCLabelTTF* getDayLabel() const { return day_; }
    cocos2d::CCLabelTTF* getMonthLabel() const { return month_; }
    cocos2d::CCLabelTTF* getMonthWordLabel() const { return monthWord_; }
    // Opens the detail pop-up of a listed row (what a click does); null when it cannot be made.
    NewsDetailPanel* openDetail(NewsRow* row);
    NewsDetailPanel* getDetail() const { return detail_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NewsPanel() = default;
    ~NewsPanel() override;
    bool initNews(const cocos2d::CCSize& size);

private:
    void refreshDate();
    cocos2d::CCSize listSize() const;

    cocos2d::CCNode* date_ = nullptr;
    cocos2d::CCLabelTTF* day_ = nullptr;
    cocos2d::CCLabelTTF* month_ = nullptr;
    cocos2d::CCLabelTTF* monthWord_ = nullptr;
    NewsRowList* list_ = nullptr;
    NewsDetailPanel* detail_ = nullptr;
};
