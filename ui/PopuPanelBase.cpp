#include "PopuPanelBase.h"

#include <algorithm>

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDirector.h"
#include "CCLayerColor.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "PanelButton.h"

USING_NS_CC;

namespace {
std::vector<PopuPanelBase*>& openPopups() {
    static std::vector<PopuPanelBase*> popups;
    return popups;
}

CCLayerColor*& dimLayer() {
    static CCLayerColor* layer = nullptr;
    return layer;
}
}  // namespace

PopuPanelBase::~PopuPanelBase() {
    forget();
}

const std::vector<PopuPanelBase*>& PopuPanelBase::getOpenPopups() {
    return openPopups();
}

void PopuPanelBase::setDimLayer(CCLayerColor* layer) {
    if (layer) layer->retain();
    if (dimLayer()) dimLayer()->release();
    dimLayer() = layer;
}

CCLayerColor* PopuPanelBase::getDimLayer() {
    return dimLayer();
}

bool PopuPanelBase::initPanel(const ccColor3B& colour, const CCSize& size) {
    if (!CCSprite::init()) return false;
    setContentSize(size);
    background_ =
        CCLayerColor::create(ccc4(colour.r, colour.g, colour.b, PANEL_OPACITY), size.width, size.height);
    if (!background_) return false;
    addChild(background_, -1);
    setVisible(false);
    return true;
}

void PopuPanelBase::addPanelButton(PanelButton* button) {
    if (!button) return;
    button->setEnabled(shown_);
    addChild(button);
    buttons_.push_back(button);
}

void PopuPanelBase::show() {
    CCLayerColor* dim = dimLayer();
    if (modal_ && dim) {
        if (dim->getParent() && dim->getParent() == getParent())
            dim->getParent()->reorderChild(dim, getZOrder() - 1);
        dim->stopAllActions();
        dim->setOpacity(0);
        dim->setVisible(true);
        dim->runAction(CCFadeTo::create(DIM_FADE_SECONDS, DIM_OPACITY));
    }
    setVisible(true);
    if (!touchRegistered_) {
        CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, TOUCH_PRIORITY, true,
                                                                                false, false);
        touchRegistered_ = true;
    }
    std::vector<PopuPanelBase*>& popups = openPopups();
    // Showing again moves the panel to the end rather than listing it twice.
    popups.erase(std::remove(popups.begin(), popups.end(), this), popups.end());
    popups.push_back(this);
    shown_ = true;
    stopAllActions();
    setScale(POP_START_SCALE);
    runAction(CCSequence::create(CCScaleTo::create(POP_OVERSHOOT_SECONDS, POP_OVERSHOOT_SCALE),
                                 CCScaleTo::create(POP_SETTLE_SECONDS, 1.0f), nullptr));
    setButtonsEnabled(true);
}

void PopuPanelBase::hide() {
    CCLayerColor* dim = dimLayer();
    if (modal_ && dim && shown_) {
        dim->stopAllActions();
        dim->runAction(CCSequence::create(CCFadeTo::create(DIM_FADE_SECONDS, 0), CCHide::create(), nullptr));
    }
    setVisible(false);
    setButtonsEnabled(false);
    forget();
}

void PopuPanelBase::forget() {
    if (touchRegistered_) {
        CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
        touchRegistered_ = false;
    }
    std::vector<PopuPanelBase*>& popups = openPopups();
    popups.erase(std::remove(popups.begin(), popups.end(), this), popups.end());
    shown_ = false;
}

void PopuPanelBase::onExit() {
    // A panel leaving the scene can no longer be seen or touched.
    if (shown_) PopuPanelBase::hide();
    CCSprite::onExit();
}

void PopuPanelBase::setButtonsEnabled(bool enabled) {
    for (PanelButton* button : buttons_) button->setEnabled(enabled);
}

bool PopuPanelBase::containsPoint(const CCPoint& world) const {
    const CCPoint local = convertToNodeSpace(world);
    const CCSize& size = getContentSize();
    return local.x >= 0 && local.y >= 0 && local.x <= size.width && local.y <= size.height;
}

PopuPanelBase* PopuPanelBase::openPopupAt(const CCPoint& world) {
    // The most recent pop-up is on top: a chooser opened from a panel owns the clicks over that panel.
    const std::vector<PopuPanelBase*>& popups = openPopups();
    for (auto it = popups.rbegin(); it != popups.rend(); ++it)
        if ((*it)->shown_ && (*it)->isVisible() && (*it)->containsPoint(world)) return *it;
    return nullptr;
}

bool PopuPanelBase::ccTouchBegan(CCTouch* touch, CCEvent*) {
    return shown_ && isVisible() && containsPoint(touch->getLocation());
}
