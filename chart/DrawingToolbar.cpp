#include "DrawingToolbar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "CCLayerColor.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "ChartButton.h"
#include "DrawingBase.h"
#include "LanguageTable.h"

USING_NS_CC;

namespace {
constexpr float MARGIN = 5.0f;
constexpr float GAP = 2.0f;
constexpr float POPUP_GAP = 3.0f;
constexpr float ENTRY_INSET = 8.0f;
constexpr uint8_t POPUP_OPACITY = 230;
constexpr ccColor3B POPUP_COLOUR{30, 33, 40};
constexpr float WIDE_BUTTON = 46.0f;
constexpr float BUTTON_SIZE = 32.0f;
constexpr float ABOVE_CHART_BUTTONS = 54.0f;
const char* const TIP_KEYS[DrawingToolbar::BUTTON_COUNT] = {"selectColor", "selectWidth", "lock", "showHide",
                                                            "delete"};

DrawingToolbar::TipDisplay& tipDisplay() {
    static DrawingToolbar::TipDisplay display;
    return display;
}

void setFrame(CCSprite* sprite, const char* name) {
    if (CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name))
        sprite->setDisplayFrame(frame);
}

std::string colourIconName(int index) {
    char name[32];
    std::snprintf(name, sizeof(name), "color_%02d.png",
                  std::clamp(index, 0, DrawingBase::COLOUR_COUNT - 1) + 1);
    return name;
}

std::string widthIconName(int index) {
    char name[32];
    std::snprintf(name, sizeof(name), "lineWidth_%d.png",
                  std::clamp(index, 0, DrawingBase::WIDTH_COUNT - 1) + 1);
    return name;
}

// Height of one entry row of a pop-up: its entries share its height but for an inset at each end.
float entryRow(const CCNode* popup) {
    const int entries = static_cast<int>(popup->getChildrenCount());
    return (popup->getContentSize().height - 2 * ENTRY_INSET) / static_cast<float>(std::max(entries, 1));
}

float buttonWidth(int tag) {
    return tag <= DrawingToolbar::WIDTH ? WIDE_BUTTON : BUTTON_SIZE;
}
}  // namespace

void DrawingToolbar::setTipDisplay(TipDisplay display) {
    tipDisplay() = std::move(display);
}

DrawingToolbar* DrawingToolbar::create() {
    return createAutoreleased<DrawingToolbar>(&DrawingToolbar::initToolbar);
}

bool DrawingToolbar::initToolbar() {
    if (!CCNode::init()) return false;
    setAnchorPoint(CCPointZero);
    const char* const frames[BUTTON_COUNT][2] = {{"show.png", "show_sel.png"},
                                                 {"show.png", "show_sel.png"},
                                                 {"unlocked.png", "unlocked_sel.png"},
                                                 {"icon_see.png", "icon_see_sel.png"},
                                                 {"icon_del.png", "icon_del_sel.png"}};
    for (int tag = COLOUR; tag <= DELETE; ++tag) {
        ChartButton* made = ChartButton::create(frames[tag - 1][0], frames[tag - 1][1], tag);
        made->setAnchorPoint(CCPointZero);
        made->setEnabled(true);
        addChild(made);
        buttons_[tag - 1] = made;
    }
    colourIcon_ = CCSprite::createWithSpriteFrameName(colourIconName(7).c_str());
    widthIcon_ = CCSprite::createWithSpriteFrameName(widthIconName(0).c_str());
    for (int tag : {COLOUR, WIDTH}) {
        CCSprite* icon = tag == COLOUR ? colourIcon_ : widthIcon_;
        const CCSize& size = button(tag)->getContentSize();
        icon->setPosition(size.width / 2, size.height / 2);
        button(tag)->addChild(icon);
    }
    buildPopup(COLOUR);
    buildPopup(WIDTH);
    setVisible(false);
    return true;
}

void DrawingToolbar::buildPopup(int tag) {
    const bool colour = tag == COLOUR;
    CCLayerColor* popup = CCLayerColor::create(
        ccc4(POPUP_COLOUR.r, POPUP_COLOUR.g, POPUP_COLOUR.b, POPUP_OPACITY),
        colour ? COLOUR_POPUP_WIDTH : WIDTH_POPUP_WIDTH, colour ? COLOUR_POPUP_HEIGHT : WIDTH_POPUP_HEIGHT);
    const int entries = colour ? DrawingBase::COLOUR_COUNT : DrawingBase::WIDTH_COUNT;
    for (int i = 0; i < entries; ++i) {
        const std::string name = colour ? colourIconName(i) : widthIconName(i);
        CCSprite* entry = CCSprite::createWithSpriteFrameName(name.c_str());
        entry->setTag(i);
        popup->addChild(entry);
    }
    popup->setVisible(false);
    addChild(popup, 1);
    (colour ? colourPopup_ : widthPopup_) = popup;
}

void DrawingToolbar::showFor(const DrawingBase& tool) {
    setFrame(colourIcon_, colourIconName(tool.getColorIndex()).c_str());
    setFrame(widthIcon_, widthIconName(tool.getWidthIndex()).c_str());
    button(LOCK)->setFrames(tool.isLocked() ? "locked.png" : "unlocked.png",
                            tool.isLocked() ? "locked_sel.png" : "unlocked_sel.png");
    button(SHOW_HIDE)->setFrames(tool.isVisible() ? "icon_see.png" : "icon_no_see.png",
                                 tool.isVisible() ? "icon_see_sel.png" : "icon_no_see_sel.png");
    setVisible(true);
}

void DrawingToolbar::hideAll() {
    setVisible(false);
    colourPopup_->setVisible(false);
    widthPopup_->setVisible(false);
    setPressed(0);
    if (hoveredTag_ != 0 && tipDisplay())
        tipDisplay()(false, getLangText(TIP_KEYS[hoveredTag_ - 1]), CCPointZero);
    hoveredTag_ = 0;
}

void DrawingToolbar::place(const CCSize& viewSize) {
    viewSize_ = viewSize;
    // One row above the time axis when it fits, else two rows (colour and width over the rest).
    float rowWidth = 0;
    for (int tag = COLOUR; tag <= DELETE; ++tag) rowWidth += buttonWidth(tag) + GAP;
    const bool oneRow = rowWidth + MARGIN <= viewSize.width;
    // Above the chart's zoom and move buttons, which show at the bottom while the pointer is over it.
    const float bottom = std::min(ABOVE_CHART_BUTTONS,
                                  std::max(0.0f, viewSize.height - (oneRow ? 1 : 2) * (BUTTON_SIZE + GAP)));
    float x = MARGIN;
    float y = oneRow ? bottom : bottom + BUTTON_SIZE + GAP;
    for (int tag = COLOUR; tag <= DELETE; ++tag) {
        if (!oneRow && tag == LOCK) {
            x = MARGIN;
            y = bottom;
        }
        button(tag)->setPosition(x, y);
        x += buttonWidth(tag) + GAP;
    }
    placePopup(COLOUR);
    placePopup(WIDTH);
}

void DrawingToolbar::placePopup(int tag) {
    CCNode* popup = tag == COLOUR ? colourPopup_ : widthPopup_;
    const float fullHeight = tag == COLOUR ? COLOUR_POPUP_HEIGHT : WIDTH_POPUP_HEIGHT;
    // A chart lower than the pop-up squeezes its rows rather than cutting entries off.
    const float height = std::max(1.0f, std::min(fullHeight, viewSize_.height - 2 * GAP));
    const float width = popup->getContentSize().width;
    popup->setContentSize(CCSize(width, height));
    const int entries = static_cast<int>(popup->getChildrenCount());
    const float row = entryRow(popup);
    for (int i = 0; i < entries; ++i)
        if (CCNode* entry = popup->getChildByTag(i))
            entry->setPosition(width / 2, height - ENTRY_INSET - row * (static_cast<float>(i) + 0.5f));
    // Above its button, kept inside the view.
    const ChartButton* anchor = button(tag);
    const float x = std::clamp(anchor->getPositionX(), 0.0f, std::max(0.0f, viewSize_.width - width));
    const float above = anchor->getPositionY() + BUTTON_SIZE + POPUP_GAP;
    const float y = std::clamp(above, GAP, std::max(GAP, viewSize_.height - height - GAP));
    popup->setPosition(x, y);
}

void DrawingToolbar::togglePopup(int tag) {
    CCNode* popup = tag == COLOUR ? colourPopup_ : tag == WIDTH ? widthPopup_ : nullptr;
    if (!popup) return;
    const bool open = !popup->isVisible();
    colourPopup_->setVisible(false);
    widthPopup_->setVisible(false);
    popup->setVisible(open);
}

bool DrawingToolbar::isPopupOpen(int tag) const {
    if (tag == COLOUR) return colourPopup_->isVisible();
    if (tag == WIDTH) return widthPopup_->isVisible();
    return false;
}

DrawingToolbar::Hit DrawingToolbar::hitAt(const CCPoint& world) {
    Hit hit;
    if (!isVisible()) return hit;
    // Open pop-ups lie over the buttons.
    for (int tag : {COLOUR, WIDTH}) {
        CCNode* popup = tag == COLOUR ? colourPopup_ : widthPopup_;
        if (!popup->isVisible() || !popup->IsPointOnMe(world.x, world.y)) continue;
        hit.tag = tag;
        const CCPoint local = popup->convertToNodeSpace(world);
        const int entries = static_cast<int>(popup->getChildrenCount());
        const float height = popup->getContentSize().height;
        const int index = static_cast<int>((height - ENTRY_INSET - local.y) / entryRow(popup));
        // Between the entries and the edge is still the pop-up: it takes the touch and does nothing.
        hit.entry = index >= 0 && index < entries && local.y <= height - ENTRY_INSET ? index : -2;
        return hit;
    }
    for (ChartButton* candidate : buttons_)
        if (candidate->isHit(world.x, world.y)) {
            hit.tag = candidate->getTag();
            return hit;
        }
    return hit;
}

void DrawingToolbar::setPressed(int tag) {
    for (ChartButton* candidate : buttons_) candidate->setPressed(candidate->getTag() == tag);
}

bool DrawingToolbar::hoverAt(const CCPoint& world) {
    const Hit hit = isVisible() ? hitAt(world) : Hit{};
    const int tag = hit.entry == -1 ? hit.tag : 0;
    if (tag == hoveredTag_) return tag != 0;
    // The shared display hides only the text it shows.
    if (tipDisplay() && hoveredTag_ != 0) tipDisplay()(false, getLangText(TIP_KEYS[hoveredTag_ - 1]), world);
    hoveredTag_ = tag;
    if (tipDisplay() && tag != 0) tipDisplay()(true, getLangText(TIP_KEYS[tag - 1]), world);
    return tag != 0;
}
