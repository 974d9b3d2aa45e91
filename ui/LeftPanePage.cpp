#include "LeftPanePage.h"

#include <algorithm>

#include "CCLabelTTF.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {}

bool LeftPanePage::initPage(const std::string& captionKey, const CCSize& size) {
    if (!init()) return false;
    header_ = CCSprite::create();
    caption_ = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
    body_ = CCNode::create();
    if (!header_ || !caption_ || !body_) return false;
    setAnchorPoint(CCPointZero);
    setColor(BODY_COLOUR);
    header_->setAnchorPoint(CCPoint(0, 1));
    header_->setColor(HEADER_COLOUR);
    caption_->setAnchorPoint(CCPoint(0, 0.5f));
    caption_->setPosition(CCPoint(CAPTION_X, HEADER_HEIGHT / 2));
    bindLangText(caption_, captionKey);
    header_->addChild(caption_);
    closeButton_ = PanelButton::create("close_small.png", "close_small_sel.png", 0, [this](PanelButton*) {
        if (closeCallback_) closeCallback_();
    });
    if (closeButton_) header_->addChild(closeButton_);
    addChild(body_);
    addChild(header_, HEADER_Z_ORDER);
    setPanelSize(size);
    setVisible(false);
    return true;
}

void LeftPanePage::setPanelSize(const CCSize& size) {
    const CCSize panel(std::max(0.0f, size.width), std::max(0.0f, size.height));
    setTextureRect(CCRect(0, 0, panel.width, panel.height));
    header_->setTextureRect(CCRect(0, 0, panel.width, HEADER_HEIGHT));
    header_->setPosition(CCPoint(0, panel.height));
    if (closeButton_)
        closeButton_->setPosition(
            CCPoint(panel.width - CLOSE_RIGHT_INSET, HEADER_HEIGHT * CLOSE_HEIGHT_SHARE));
    body_->setContentSize(getBodySize());
}

CCSize LeftPanePage::getBodySize() const {
    const CCSize& size = getContentSize();
    return CCSize(size.width, std::max(0.0f, size.height - HEADER_HEIGHT));
}

void LeftPanePage::setShown(bool shown) {
    shown_ = shown;
    setVisible(shown);
}
