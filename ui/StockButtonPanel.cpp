#include "StockButtonPanel.h"

#include <algorithm>

#include "CCActionInterval.h"
#include "CCDirector.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockButton.h"
#include "StockButtonPanelDelegate.h"

USING_NS_CC;

namespace {

constexpr int MOVE_TAG = 42;
constexpr int BUTTON_Z_ORDER = 1;

}  // namespace

StockButtonPanel* StockButtonPanel::create(const CCSize& size) {
    return createAutoreleased<StockButtonPanel>(&StockButtonPanel::initPanel, size);
}

bool StockButtonPanel::initPanel(const CCSize& size) {
    if (!init()) return false;
    setContentSize(size);
    auto chooser = [this](PanelButton* button) { onChooserButton(button); };
    layoutButton_ = PanelButton::create("layout.png", "layout_sel.png", LAYOUT_BUTTON_TAG, chooser);
    addButton_ = PanelButton::create("add.png", "add_sel.png", ADD_BUTTON_TAG, chooser);
    // The slot width is the normal frame's: a button made and thrown away measures it.
    StockButton* probe = StockButton::create();
    if (!layoutButton_ || !addButton_ || !probe) return false;
    slotWidth_ = probe->getContentSize().width;
    layoutButton_->setTipsInfo("layout");
    addButton_->setTipsInfo("addStock");
    layoutButton_->setPosition(CCPoint(30, size.height / 2));
    addButton_->setPosition(CCPoint(FIRST_BUTTON_X + 20 + addButtonWidth() / 2, size.height / 2));
    addChild(layoutButton_, 2);
    addChild(addButton_, 2);
    return true;
}

float StockButtonPanel::addButtonWidth() const {
    return addButton_->getContentSize().width;
}

void StockButtonPanel::onEnter() {
    CCNode::onEnter();
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, TOUCH_PRIORITY, true);
    setMouseEnabled(true);
}

void StockButtonPanel::onExit() {
    CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
    setMouseEnabled(false);
    pressed_ = nullptr;
    dragged_ = nullptr;
    hovered_ = nullptr;
    CCNode::onExit();
}

StockButton* StockButtonPanel::addButton(StockWindow* window, const std::string& displayName) {
    StockButton* button = StockButton::create();
    if (!button) return nullptr;
    button->link(window, displayName);
    button->setCloseHandler([this](StockButton* b) {
        if (delegate_ && buttons_.size() > 1) delegate_->closeWindow(b->getWindow());
    });
    button->setPosition(CCPoint(FIRST_BUTTON_X + slotWidth_ * static_cast<float>(buttons_.size()),
                                getContentSize().height / 2));
    addChild(button, BUTTON_Z_ORDER);
    buttons_.push_back(button);
    renumber();
    for (StockButton* b : buttons_) b->setCloseAllowed(buttons_.size() > 1);
    relayout(false);
    return button;
}

void StockButtonPanel::removeButton(StockButton* button) {
    auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end() || buttons_.size() == 1) return;
    buttons_.erase(it);
    if (hovered_ == button) hovered_ = nullptr;
    if (pressed_ == button) pressed_ = nullptr;
    if (dragged_ == button) dragged_ = nullptr;
    button->removeFromParentAndCleanup(true);
    renumber();
    relayout(true);
    if (buttons_.size() == 1) buttons_.front()->setCloseAllowed(false);
}

StockButton* StockButtonPanel::buttonOf(const StockWindow* window) const {
    for (StockButton* button : buttons_) {
        if (button->getWindow() == window) return button;
    }
    return nullptr;
}

void StockButtonPanel::renumber() {
    for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setIndex(static_cast<int>(i));
}

void StockButtonPanel::moveButton(StockButton* button, float x, bool animate) {
    button->stopActionByTag(MOVE_TAG);
    const CCPoint to(x, getContentSize().height / 2);
    if (!animate) {
        button->setPosition(to);
        return;
    }
    CCAction* move = CCMoveTo::create(MOVE_SECONDS, to);
    move->setTag(MOVE_TAG);
    button->runAction(move);
}

void StockButtonPanel::relayout(bool animate) {
    const float panel = getContentSize().width;
    const float addWidth = addButtonWidth();
    const auto m = static_cast<float>(buttons_.size());
    compressed_ = panel - 120 < slotWidth_ * m;
    float addX = 0;
    if (compressed_) {
        // One button too wide for the strip keeps the full slot: there is nothing to share.
        spacing_ = buttons_.size() > 1 ? (panel - addWidth - 90 - slotWidth_) / (m - 1) : slotWidth_;
        addX = panel - addWidth / 2;
    } else {
        spacing_ = slotWidth_;
        addX = slotWidth_ * m + FIRST_BUTTON_X + 20 + addWidth / 2;
    }
    addButton_->setPosition(CCPoint(addX, getContentSize().height / 2));
    const bool narrow = panel - 100 < slotWidth_ * m;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i] == dragged_) continue;
        buttons_[i]->setNarrow(narrow);
        moveButton(buttons_[i], spacing_ * static_cast<float>(i) + FIRST_BUTTON_X, animate);
    }
}

StockButton* StockButtonPanel::buttonAt(const CCPoint& world) const {
    // Later buttons are drawn over earlier ones where squeezed.
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        if ((*it)->IsPointOnMe(world.x, world.y)) return *it;
    }
    return nullptr;
}

bool StockButtonPanel::ccMouseMove(float x, float y) {
    if (dragged_ || !IsPointOnMe(x, y)) return false;
    StockButton* under = buttonAt(CCPoint(x, y));
    if (under && under != hovered_) hoverButton(under);
    return false;
}

void StockButtonPanel::hoverButton(StockButton* button) {
    hovered_ = button;
    if (!compressed_) return;
    float x = FIRST_BUTTON_X;
    for (StockButton* b : buttons_) {
        b->setNarrow(b != button);
        if (b != dragged_) moveButton(b, x, true);
        x += b == button ? slotWidth_ : spacing_;
    }
}

void StockButtonPanel::OnMouseLeave() {
    hovered_ = nullptr;
    if (!dragged_) relayout(true);
}

bool StockButtonPanel::ccTouchBegan(CCTouch* touch, CCEvent*) {
    const CCPoint at = touch->getLocation();
    if (!IsPointOnMe(at.x, at.y)) return false;
    pressed_ = buttonAt(at);
    if (!pressed_) return false;
    pressAt_ = at;
    pressedFrom_ = pressed_->getPosition();
    return true;
}

void StockButtonPanel::ccTouchMoved(CCTouch* touch, CCEvent*) {
    if (!pressed_) return;
    if (delegate_ && !delegate_->canDragButtons()) return;
    const CCPoint at = touch->getLocation();
    if (!dragged_) {
        if (at.x == pressAt_.x && at.y == pressAt_.y) return;
        dragged_ = pressed_;
        dragged_->stopActionByTag(MOVE_TAG);
        pressedFrom_ = dragged_->getPosition();
        reorderChild(dragged_, DRAG_Z_ORDER);
        dragged_->setOpacity(100);
    }
    dragged_->setPosition(CCPoint(pressedFrom_.x + at.x - pressAt_.x, pressedFrom_.y));
}

void StockButtonPanel::ccTouchEnded(CCTouch*, CCEvent*) {
    if (dragged_) {
        endDrag();
    } else if (pressed_) {
        StockButton* clicked = pressed_;
        pressed_ = nullptr;
        if (delegate_) delegate_->activateWindow(clicked->getWindow());
    }
}

void StockButtonPanel::ccTouchCancelled(CCTouch*, CCEvent*) {
    if (dragged_) endDrag();
    pressed_ = nullptr;
}

void StockButtonPanel::endDrag() {
    StockButton* moved = dragged_;
    dragged_ = nullptr;
    pressed_ = nullptr;
    const int oldIndex = moved->getIndex();
    buttons_.erase(std::find(buttons_.begin(), buttons_.end(), moved));
    auto before = std::find_if(buttons_.begin(), buttons_.end(),
                               [moved](StockButton* b) { return b->getPositionX() > moved->getPositionX(); });
    buttons_.insert(before, moved);
    renumber();
    reorderChild(moved, BUTTON_Z_ORDER);
    moved->setOpacity(255);
    if (moved->getIndex() != oldIndex && delegate_) {
        std::vector<StockWindow*> order;
        order.reserve(buttons_.size());
        for (StockButton* b : buttons_) order.push_back(b->getWindow());
        delegate_->windowsReordered(order);
    }
    logInfo("change :%d", moved->getIndex());
    relayout(true);
}

void StockButtonPanel::onChooserButton(PanelButton* button) {
    playHoverSound();
    if (!delegate_) return;
    // The chooser hangs 3 units below the button, its top-left corner at the button's left edge.
    const CCPoint bottomLeft = button->convertToWorldSpace(CCPointZero);
    delegate_->openChooser(button->getTag(), bottomLeft.x, bottomLeft.y - 3);
}
