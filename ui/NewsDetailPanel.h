#pragma once

#include <string>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
}
class NewsRow;

// The pop-up of one news item: its shown time, its whole text and, for calendar items, the fields
// the row leaves out (country, currency, unit, effect) with the values. It closes on its button or
// a click outside it (that click goes on to what lies under it). Main thread only.
class NewsDetailPanel : public PopuPanelBase {
public:
    static constexpr float WIDTH = 360;
    static constexpr float MARGIN = 14;
    static constexpr float FONT_SIZE = 14;
    static constexpr cocos2d::ccColor3B BACKGROUND{23, 27, 41};

    static NewsDetailPanel* create();

    // Fills the panel from a row and shows it centred in a window of winSize.
    void showRow(NewsRow* row, const cocos2d::CCSize& winSize);
    void close();

    // The key of the item shown, empty while closed.
    const std::string& getShownKey() const { return key_; }
    cocos2d::CCLabelTTF* getTimeLabel() const { return time_; }
    cocos2d::CCLabelTTF* getBodyLabel() const { return body_; }

    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NewsDetailPanel() = default;
    bool initDetail();

private:
    void layout(const cocos2d::CCSize& winSize);

    cocos2d::CCLabelTTF* time_ = nullptr;
    cocos2d::CCLabelTTF* body_ = nullptr;
    PanelButton* closeButton_ = nullptr;
    std::string key_;
};
