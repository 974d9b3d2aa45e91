#include "PanelButton.h"

#include "CCDirector.h"
#include "CCMouseDispatcher.h"
#include "CCSpriteFrameCache.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "LanguageTable.h"
#include "PopuPanelBase.h"

USING_NS_CC;

namespace {
PanelButton::TipDisplay& tipDisplay() {
    static PanelButton::TipDisplay display;
    return display;
}

// An open chooser hides what lies under it: a click on it belongs to the chooser and its own buttons,
// never to a button that merely sits beneath (buttons take clicks before choosers do).
bool underOpenChooser(const CCNode* button, const CCPoint& at) {
    const PopuPanelBase* panel = PopuPanelBase::openPopupAt(at);
    if (!panel) return false;
    for (const CCNode* node = button; node; node = node->getParent())
        if (node == panel) return false;
    return true;
}

CCSpriteFrame* frameNamed(const std::string& name) {
    return name.empty() ? nullptr : CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
}
}  // namespace

PanelButton* PanelButton::create(const char* normalFrame, const char* hoverFrame, int tag, CCObject* target,
                                 SEL_MenuHandler selector) {
    auto* button =
        createAutoreleased<PanelButton>(&PanelButton::initWithFrames, normalFrame, hoverFrame, tag);
    if (button) {
        button->target_ = target;
        button->selector_ = selector;
    }
    return button;
}

PanelButton* PanelButton::create(const char* normalFrame, const char* hoverFrame, int tag,
                                 Callback callback) {
    auto* button =
        createAutoreleased<PanelButton>(&PanelButton::initWithFrames, normalFrame, hoverFrame, tag);
    if (button) button->callback_ = std::move(callback);
    return button;
}

bool PanelButton::initWithFrames(const char* normalFrame, const char* hoverFrame, int tag) {
    if (!normalFrame || !initWithSpriteFrameName(normalFrame)) return false;
    normalFrame_ = normalFrame;
    hoverFrame_ = hoverFrame ? hoverFrame : "";
    setTag(tag);
    return true;
}

void PanelButton::setTipDisplay(TipDisplay display) {
    tipDisplay() = std::move(display);
}

void PanelButton::setTipsInfo(const char* key) {
    if (!key) return;
    tipKey_ = key;
    if (!findLangEntry(tipKey_)) logInfo("PanelButton::setTipsInfo not found:%s", key);
    if (tipBound_) return readTip();
    tipBound_ = true;
    bindLangRefresh(this, [this] { readTip(); });
}

void PanelButton::readTip() {
    const std::string before = tipText_;
    if (findLangEntry(tipKey_)) {
        tipText_ = getLangText(tipKey_);
    } else if (findLangEntry(DEFAULT_LANG_KEY)) {
        tipText_ = getLangText(DEFAULT_LANG_KEY);
    }
    // A tip on screen while the language changes shows the new text at once.
    if (hovered_ && tipText_ != before && !tipText_.empty() && tipDisplay())
        tipDisplay()(true, tipText_, convertToWorldSpaceAR(CCPointZero));
}

void PanelButton::showFrames(bool hover) {
    CCSpriteFrame* frame = frameNamed(hover ? hoverFrame_ : normalFrame_);
    if (!frame) return;
    // The hit area is the button's size, which its owner may have set (a title sized to its text):
    // hovering must not shrink it back to the frame's.
    const CCSize size = getContentSize();
    setDisplayFrame(frame);
    setContentSize(size);
}

void PanelButton::onEnter() {
    CCSprite::onEnter();
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, touchPriority_, true, false,
                                                                            false);
    setMouseEnabled(true);
}

void PanelButton::onExit() {
    CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
    setMouseEnabled(false);
    if (hovered_) OnMouseLeave();
    tracking_ = false;
    CCSprite::onExit();
}

void PanelButton::OnMouseHover() {
    hovered_ = true;
    showFrames(true);
    if (!tipText_.empty() && tipDisplay()) tipDisplay()(true, tipText_, convertToWorldSpaceAR(CCPointZero));
}

void PanelButton::OnMouseLeave() {
    hovered_ = false;
    showFrames(false);
    if (!tipText_.empty() && tipDisplay()) tipDisplay()(false, tipText_, convertToWorldSpaceAR(CCPointZero));
}

bool PanelButton::ccTouchBegan(CCTouch* touch, CCEvent*) {
    CCPoint at = touch->getLocation();
    tracking_ = enabled_ && IsPointOnMe(at.x, at.y) && !underOpenChooser(this, at);
    return tracking_;
}

void PanelButton::ccTouchEnded(CCTouch* touch, CCEvent*) {
    if (!tracking_) return;
    tracking_ = false;
    CCPoint at = touch->getLocation();
    if (enabled_ && IsPointOnMe(at.x, at.y)) fire();
}

void PanelButton::ccTouchCancelled(CCTouch*, CCEvent*) {
    tracking_ = false;
}

void PanelButton::fire() {
    // The callback may remove the button from its panel: keep it alive until the call returns.
    retain();
    if (callback_) {
        callback_(this);
    } else if (target_ && selector_) {
        (target_->*selector_)(this);
    }
    release();
}

PanelToggleButton* PanelToggleButton::create(const char* normalFrame, const char* hoverFrame,
                                             const char* onNormalFrame, const char* onHoverFrame, int tag,
                                             Callback callback) {
    auto* button = new PanelToggleButton();
    if (!button->initWithFrames(normalFrame, hoverFrame, tag) || !onNormalFrame ||
        !frameNamed(onNormalFrame)) {
        delete button;
        return nullptr;
    }
    button->onNormalFrame_ = onNormalFrame;
    button->onHoverFrame_ = onHoverFrame ? onHoverFrame : "";
    button->setCallback(std::move(callback));
    button->autorelease();
    return button;
}

void PanelToggleButton::setState(bool on) {
    on_ = on;
    showFrames(isHovered());
}

void PanelToggleButton::showFrames(bool hover) {
    if (!on_) return PanelButton::showFrames(hover);
    CCSpriteFrame* frame = frameNamed(hover && !onHoverFrame_.empty() ? onHoverFrame_ : onNormalFrame_);
    if (frame) setDisplayFrame(frame);
}
