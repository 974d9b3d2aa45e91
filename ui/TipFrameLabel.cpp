#include "TipFrameLabel.h"

#include <algorithm>
#include <memory>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCScale9Sprite.h"
#include "Resources.h"

USING_NS_CC;

namespace {
// Keeps centre within [half, limit - half]; an item wider than the limit starts at 0.
float clampCentre(float centre, float half, float limit) {
    return std::max(half, std::min(centre, limit - half));
}
}  // namespace

TipFrameLabel* TipFrameLabel::create(const std::string& frameImage, const CCSize& padding, float fontSize) {
    return createAutoreleased<TipFrameLabel>(&TipFrameLabel::initLabel, frameImage, padding, fontSize);
}

bool TipFrameLabel::initLabel(const std::string& frameImage, const CCSize& padding, float fontSize) {
    if (!init()) return false;
    // A negative padding would make the frame smaller than its text.
    padding_ = CCSize(std::max(0.0f, padding.width), std::max(0.0f, padding.height));
    frame_ = CCScale9Sprite::createWithSpriteFrameName(frameImage.c_str());
    label_ = CCLabelTTF::create("", FONT_FILE, fontSize);
    if (!frame_ || !label_) return false;
    setAnchorPoint(CCPoint(0.5f, 0.5f));
    setCascadeOpacityEnabled(true);
    setCascadeColorEnabled(false);
    addChild(frame_, 0);
    addChild(label_, 1);
    fitFrame();
    return true;
}

void TipFrameLabel::setText(const std::string& text, const ccColor3B& colour) {
    text_ = text;
    label_->setString(text.c_str());
    label_->setColor(colour);
    fitFrame();
}

CCSize TipFrameLabel::getFrameSize() const {
    return frame_->getContentSize();
}

void TipFrameLabel::fitFrame() {
    const CCSize text = label_->getContentSize();
    const CCSize size(text.width + 2 * padding_.width, text.height + 2 * padding_.height);
    frame_->setContentSize(size);
    setContentSize(size);
    frame_->setPosition(CCPoint(size.width / 2, size.height / 2));
    label_->setPosition(CCPoint(size.width / 2, size.height / 2));
}

void TipFrameLabel::showTip(const std::string& text, const CCPoint& at) {
    setText(text, ccWHITE);
    stopAllActions();
    setScale(1.0f);
    setOpacity(255);
    const CCSize window = CCDirector::sharedDirector()->getWinSize();
    const CCSize size = getFrameSize();
    const float halfWidth = size.width / 2;
    const float halfHeight = size.height / 2;
    float y = at.y + TIP_GAP + halfHeight;
    if (y + halfHeight > window.height) y = at.y - TIP_GAP - halfHeight;
    const CCPoint centre(clampCentre(at.x, halfWidth, window.width),
                         clampCentre(y, halfHeight, window.height));
    setPosition(getParent() ? getParent()->convertToNodeSpace(centre) : centre);
    setVisible(true);
}

void TipFrameLabel::hideTip() {
    setVisible(false);
}

PanelButton::TipDisplay TipFrameLabel::makeTipDisplay() {
    retain();
    std::shared_ptr<TipFrameLabel> held(this, [](TipFrameLabel* label) { label->release(); });
    return [held](bool show, const std::string& text, const CCPoint& at) {
        if (show) {
            held->showTip(text, at);
        } else if (held->isVisible() && held->getText() == text) {
            held->hideTip();
        }
    };
}
