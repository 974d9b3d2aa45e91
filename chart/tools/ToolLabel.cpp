#include "ToolLabel.h"

#include <vector>

#include "CCLabelTTF.h"
#include "CCScale9Sprite.h"
#include "Resources.h"

USING_NS_CC;

ToolLabel::ToolLabel(bool framed, float fontSize) {
    label_ = CCLabelTTF::create("", FONT_FILE, fontSize);
    label_->retain();
    if (framed) {
        frame_ = CCScale9Sprite::createWithSpriteFrameName(FRAME);
        frame_->retain();
    }
}

ToolLabel::~ToolLabel() {
    label_->release();
    if (frame_) frame_->release();
}

bool ToolLabel::setText(const std::string& text) {
    if (text == text_) return false;
    text_ = text;
    label_->setString(text_.c_str());
    if (frame_) {
        const CCSize size = label_->getContentSize();
        frame_->setContentSize(CCSize(size.width + PADDING, size.height + PADDING));
    }
    return true;
}

CCSize ToolLabel::getSize() const {
    return frame_ ? frame_->getContentSize() : label_->getContentSize();
}

void ToolLabel::place(const CCPoint& position, const CCPoint& anchor) {
    const CCSize size = getSize();
    // Both nodes are anchored at their centres.
    const CCPoint centre(position.x + (0.5f - anchor.x) * size.width,
                         position.y + (0.5f - anchor.y) * size.height);
    label_->setPosition(centre);
    if (frame_) frame_->setPosition(centre);
}

void ToolLabel::setFrameOpacity(unsigned char opacity) {
    if (frame_) frame_->setOpacity(opacity);
}

namespace {
bool deferring = false;
std::vector<CCLabelTTF*>& deferred() {
    static std::vector<CCLabelTTF*> labels;
    return labels;
}
}  // namespace

void ToolLabel::draw() const {
    if (frame_) frame_->visit();
    if (deferring)
        deferred().push_back(label_);
    else
        label_->visit();
}

void ToolLabel::deferTexts(bool defer) {
    deferring = defer;
    if (defer) deferred().clear();
}

void ToolLabel::drawDeferredTexts() {
    for (CCLabelTTF* label : deferred()) label->visit();
    deferred().clear();
}
