#include "CPanelBase.h"

#include "Resources.h"
#include "Theme.h"

USING_NS_CC;

bool CPanelBase::initPanel(const CCSize& size) {
    if (!initWithColor(FRAME_BAR_BACKGROUND, size.width, size.height)) return false;
    setAnchorPoint(CCPointZero);
    return true;
}

void CPanelBase::setPanelSize(const CCSize& size) {
    setContentSize(size);
    layoutButtons();
}

PanelButton::Callback CPanelBase::buttonCallback() {
    return [this](PanelButton* button) {
        playHoverSound();
        onButton(button->getTag());
    };
}

PanelButton* CPanelBase::addButton(PanelButton* button, const char* tipKey) {
    if (!button) return nullptr;
    if (tipKey) button->setTipsInfo(tipKey);
    addChild(button, 1, button->getTag());
    return button;
}

PanelButton* CPanelBase::getButtonByTag(int tag) const {
    return dynamic_cast<PanelButton*>(getChildByTag(tag));
}
