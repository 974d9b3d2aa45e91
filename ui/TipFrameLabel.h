#pragma once

#include <string>

#include "CCNode.h"
#include "PanelButton.h"

namespace cocos2d {
class CCLabelTTF;
class CCScale9Sprite;
}  // namespace cocos2d

// A text in a nine-slice frame that is always the text's size plus the padding on each side; used
// for toasts and for the buttons' hover tips. Anchored at its centre (its content size is the
// frame's), so it scales about its middle; its opacity carries to the frame and the text.
// A frame image missing from the sprite sheet leaves the text unframed (logged by the engine).
// Main thread only.
class TipFrameLabel : public cocos2d::CCNode {
public:
    // Gap between the point a tip belongs to and the tip's nearer edge.
    static constexpr float TIP_GAP = 12;

    static TipFrameLabel* create(const std::string& frameImage, const cocos2d::CCSize& padding,
                                 float fontSize);

    void setText(const std::string& text, const cocos2d::ccColor3B& colour);
    const std::string& getText() const { return text_; }
    cocos2d::CCSize getFrameSize() const;
    const cocos2d::CCSize& getPadding() const { return padding_; }

    // Hover tips: shows the text in white above the point (world coordinates), or below it when
    // there is no room above, always kept inside the director's window.
    void showTip(const std::string& text, const cocos2d::CCPoint& at);
    void hideTip();
    // What PanelButton::setTipDisplay takes: shows and hides this label's tips. The display keeps
    // the label alive while installed; a hide for a tip no longer shown is ignored, so a late
    // leave of one button cannot hide the tip of the button just entered.
    PanelButton::TipDisplay makeTipDisplay();

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    TipFrameLabel() = default;
    bool initLabel(const std::string& frameImage, const cocos2d::CCSize& padding, float fontSize);

private:
    void fitFrame();

    cocos2d::CCScale9Sprite* frame_ = nullptr;
    cocos2d::CCLabelTTF* label_ = nullptr;
    cocos2d::CCSize padding_;
    std::string text_;
};
