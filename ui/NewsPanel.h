#pragma once

#include "LeftPanePage.h"

// The news page of the left pane, captioned "news". Its body is empty until the news list is
// placed in it. Main thread only.
class NewsPanel : public LeftPanePage {
public:
    static NewsPanel* create(const cocos2d::CCSize& size);

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NewsPanel() = default;
};
