#include "Toast.h"

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDirector.h"
#include "TipFrameLabel.h"

USING_NS_CC;

namespace {
constexpr float TOAST_START_SCALE = 0.5f;
constexpr uint8_t TOAST_OPACITY = 180;
constexpr float TOAST_POP_SECONDS = 0.1f;
constexpr float TOAST_FADE_SECONDS = 0.15f;
constexpr float TOAST_FONT_SIZE = 20.0f;
}  // namespace

void Toast::show(CCNode* fallbackParent, const CCSize& windowSize, const std::string& text,
                 const ccColor3B& colour, float seconds) {
    CCScene* scene = CCDirector::sharedDirector()->getRunningScene();
    TipFrameLabel* toast = TipFrameLabel::create("frame_black_sel.png", CCSize(30, 20), TOAST_FONT_SIZE);
    if (!toast) return;
    toast->setText(text, colour);
    toast->setPosition(CCPoint(0.5f * windowSize.width, 0.25f * windowSize.height));
    toast->setScale(TOAST_START_SCALE);
    toast->setCascadeOpacityEnabled(true);
    toast->setOpacity(TOAST_OPACITY);
    CCNode* parent = scene ? static_cast<CCNode*>(scene) : fallbackParent;
    parent->addChild(toast, Z_TOAST);
    toast->runAction(CCSequence::create(CCScaleTo::create(TOAST_POP_SECONDS, 1.0f),
                                        CCDelayTime::create(seconds), CCFadeOut::create(TOAST_FADE_SECONDS),
                                        CCRemoveSelf::create(true), nullptr));
}
