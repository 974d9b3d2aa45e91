#pragma once

#include <functional>
#include <string>

#include "CCSprite.h"
#include "Theme.h"

namespace cocos2d {
class CCLabelTTF;
}
class PanelButton;

// One page of the left pane: a plain panel of the pane's width with a header strip across its top
// showing the page's caption from the language table, and a body node under the header that holds
// the page's content. Anchored at its bottom left; the pane sizes it. It starts hidden.
// Main thread only.
class LeftPanePage : public cocos2d::CCSprite {
public:
    static constexpr float HEADER_HEIGHT = 26;
    static constexpr cocos2d::ccColor3B BODY_COLOUR = PANEL_BACKGROUND;
    static constexpr cocos2d::ccColor3B HEADER_COLOUR{40, 50, 60};
    static constexpr int HEADER_Z_ORDER = 10;
    static constexpr float CAPTION_FONT_SIZE = 14;
    static constexpr float CAPTION_X = 10;
    // The close button's centre: this far from the header's right edge, at this share of its height.
    static constexpr float CLOSE_RIGHT_INSET = 20;
    static constexpr float CLOSE_HEIGHT_SHARE = 0.6f;

    // Resizes the panel; the header follows the top edge and the body fills the rest.
    virtual void setPanelSize(const cocos2d::CCSize& size);
    virtual void setShown(bool shown);
    bool isShown() const { return shown_; }

    // Called when the header's close button is clicked; the pane closes the page.
    void setCloseCallback(std::function<void()> callback) { closeCallback_ = std::move(callback); }
    PanelButton* getCloseButton() const { return closeButton_; }

    cocos2d::CCSprite* getHeader() const { return header_; }
    cocos2d::CCLabelTTF* getCaption() const { return caption_; }
    cocos2d::CCNode* getBody() const { return body_; }
    // The body's size: the panel below its header (never negative).
    cocos2d::CCSize getBodySize() const;

protected:
    LeftPanePage() = default;
    bool initPage(const std::string& captionKey, const cocos2d::CCSize& size);

private:
    cocos2d::CCSprite* header_ = nullptr;
    cocos2d::CCLabelTTF* caption_ = nullptr;
    cocos2d::CCNode* body_ = nullptr;
    PanelButton* closeButton_ = nullptr;
    std::function<void()> closeCallback_;
    bool shown_ = false;
};
