#include "ChartAlertLines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "ChartAxis.h"

USING_NS_CC;

namespace {

// Armed in sky blue, fired in a muted violet; the placing preview is the armed colour, fainter.
constexpr ccColor4F ARMED_COLOUR{0.35f, 0.7f, 0.98f, 0.9f};
constexpr ccColor4F FIRED_COLOUR{0.6f, 0.45f, 0.75f, 0.7f};
constexpr ccColor4F PREVIEW_COLOUR{0.35f, 0.7f, 0.98f, 0.45f};
constexpr ccColor3B TAG_BACKGROUND{24, 30, 38};
constexpr uint8_t TAG_BACKGROUND_OPACITY = 220;
constexpr float DASH = 6;
constexpr float GAP = 4;
constexpr float ICON_SIZE = 12;
constexpr float PAD = 3;
constexpr int MAX_DECIMALS = 6;

void drawDashed(const ccColor4F& colour, float y, float width) {
    ccDrawColor4F(colour.r, colour.g, colour.b, colour.a);
    const float row = std::trunc(y) + 0.5f;
    for (float x = 0; x < width; x += DASH + GAP)
        ccDrawLine(CCPoint(x, row), CCPoint(std::min(x + DASH, width), row));
}

}  // namespace

ChartAlertLines* ChartAlertLines::create(YOfPrice yOfPrice, PriceAtY priceAtY) {
    return createAutoreleased<ChartAlertLines>(&ChartAlertLines::initLines, std::move(yOfPrice),
                                               std::move(priceAtY));
}

bool ChartAlertLines::initLines(YOfPrice yOfPrice, PriceAtY priceAtY) {
    if (!init()) return false;
    yOfPrice_ = std::move(yOfPrice);
    priceAtY_ = std::move(priceAtY);
    setAnchorPoint(CCPointZero);
    return static_cast<bool>(yOfPrice_) && static_cast<bool>(priceAtY_);
}

void ChartAlertLines::setLevels(std::vector<Level> levels) {
    if (dragId_ != 0) {
        const bool stillThere = std::any_of(levels.begin(), levels.end(),
                                            [this](const Level& level) { return level.id == dragId_; });
        if (!stillThere) dragId_ = 0;
    }
    levels_ = std::move(levels);
    while (tags_.size() > levels_.size()) {
        tags_.back().node->removeFromParent();
        tags_.pop_back();
    }
    while (tags_.size() < levels_.size()) {
        Tag tag;
        tag.node = CCNode::create();
        tag.node->setAnchorPoint(CCPoint(0, 0.5f));
        tag.background = CCSprite::create();
        tag.background->setAnchorPoint(CCPointZero);
        tag.background->setColor(TAG_BACKGROUND);
        tag.background->setOpacity(TAG_BACKGROUND_OPACITY);
        tag.node->addChild(tag.background);
        tag.bell = CCSprite::createWithSpriteFrameName("alertBell.png");
        tag.close = CCSprite::createWithSpriteFrameName("alertClose.png");
        tag.price = CCLabelTTF::create("", ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE);
        tag.price->setAnchorPoint(CCPoint(0, 0.5f));
        for (CCNode* part : {static_cast<CCNode*>(tag.bell), static_cast<CCNode*>(tag.close)})
            if (part) tag.node->addChild(part);
        tag.node->addChild(tag.price);
        addChild(tag.node);
        tags_.push_back(tag);
    }
}

void ChartAlertLines::setPlacing(bool placing) {
    placing_ = placing;
    if (!placing) previewY_ = -1;
}

void ChartAlertLines::hoverAt(float y, bool inside) {
    previewY_ = placing_ && inside ? y : -1;
}

double ChartAlertLines::roundedPriceAt(float y) const {
    const double price = priceAtY_(y);
    const double perPixel = std::fabs(priceAtY_(y + 1) - price);
    int decimals = MAX_DECIMALS;
    if (perPixel > 0 && std::isfinite(perPixel))
        decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(perPixel))), 0, MAX_DECIMALS);
    const double scale = std::pow(10.0, decimals);
    return std::round(price * scale) / scale;
}

ChartAlertLines::Level ChartAlertLines::shown(const Level& level) const {
    // A dragged level shows armed, at the dragged price: that is what letting go makes it.
    if (level.id != dragId_) return level;
    return Level{level.id, dragPrice_, false};
}

int ChartAlertLines::indexAt(const CCPoint& point) const {
    // The newest level wins where tags overlap, as it is drawn last.
    for (size_t i = levels_.size(); i-- > 0;) {
        const CCNode* tag = tags_[i].node;
        if ((tag->isVisible() && tag->boundingBox().containsPoint(point)) ||
            std::fabs(yOfPrice_(levels_[i].price) - point.y) <= GRAB_DISTANCE)
            return static_cast<int>(i);
    }
    return -1;
}

CCRect ChartAlertLines::closeBoxAt(size_t index) const {
    const Tag& tag = tags_[index];
    if (!tag.close || !tag.node->isVisible()) return CCRect();
    const CCRect box = tag.close->boundingBox();
    const CCPoint origin = tag.node->boundingBox().origin;
    return CCRect(origin.x + box.origin.x, origin.y + box.origin.y, box.size.width, box.size.height);
}

CCRect ChartAlertLines::closeBoxOf(int id) const {
    for (size_t i = 0; i < levels_.size(); ++i)
        if (levels_[i].id == id) return closeBoxAt(i);
    return CCRect();
}

bool ChartAlertLines::touchBegan(const CCPoint& point) {
    if (placing_) {
        setPlacing(false);
        const double price = roundedPriceAt(point.y);
        if (callbacks_.placed && std::isfinite(price) && price > 0) callbacks_.placed(price);
        return true;
    }
    const int index = indexAt(point);
    if (index < 0) return false;
    const Level& level = levels_[static_cast<size_t>(index)];
    if (closeBoxAt(static_cast<size_t>(index)).containsPoint(point)) {
        if (callbacks_.removed) callbacks_.removed(level.id);
        return true;
    }
    dragId_ = level.id;
    dragMoved_ = false;
    dragPrice_ = level.price;
    dragGrabOffset_ = yOfPrice_(level.price) - point.y;
    return true;
}

void ChartAlertLines::touchMoved(const CCPoint& point) {
    if (dragId_ == 0) return;
    const double price = roundedPriceAt(point.y + dragGrabOffset_);
    if (!(price > 0) || !std::isfinite(price)) return;
    dragMoved_ = true;
    dragPrice_ = price;
}

void ChartAlertLines::touchEnded(const CCPoint&) {
    const int id = dragId_;
    dragId_ = 0;
    if (id != 0 && dragMoved_ && callbacks_.moved) callbacks_.moved(id, dragPrice_);
}

void ChartAlertLines::touchCancelled() {
    dragId_ = 0;
}

void ChartAlertLines::drawLines(const CCSize& size) const {
    for (const Level& each : levels_) {
        const Level level = shown(each);
        const float y = yOfPrice_(level.price);
        if (y >= 0 && y <= size.height) drawDashed(level.fired ? FIRED_COLOUR : ARMED_COLOUR, y, size.width);
    }
    if (previewY_ >= 0 && previewY_ <= size.height) drawDashed(PREVIEW_COLOUR, previewY_, size.width);
}

void ChartAlertLines::showTag(Tag& tag, const Level& level) {
    if (level.price == tag.shownPrice && level.fired == tag.shownFired) return;
    tag.shownPrice = level.price;
    tag.shownFired = level.fired;
    char text[32];
    std::snprintf(text, sizeof(text), "%.*g", 10, level.price);
    tag.price->setString(text);
    const ccColor3B colour = level.fired ? FIRED_TEXT : ARMED_TEXT;
    tag.price->setColor(colour);
    float x = PAD;
    if (tag.bell) {
        tag.bell->setColor(colour);
        tag.bell->setPosition(CCPoint(x + ICON_SIZE / 2, TAG_HEIGHT / 2));
        x += ICON_SIZE + PAD;
    }
    tag.price->setPosition(CCPoint(x, TAG_HEIGHT / 2));
    x += tag.price->getContentSize().width + PAD;
    if (tag.close) {
        tag.close->setPosition(CCPoint(x + ICON_SIZE / 2, TAG_HEIGHT / 2));
        x += ICON_SIZE + PAD;
    }
    tag.background->setTextureRect(CCRect(0, 0, x, TAG_HEIGHT));
    tag.node->setContentSize(CCSize(x, TAG_HEIGHT));
}

void ChartAlertLines::layoutTags(float height) {
    for (size_t i = 0; i < levels_.size(); ++i) {
        Tag& tag = tags_[i];
        const Level level = shown(levels_[i]);
        const float y = yOfPrice_(level.price);
        const bool inside = y >= 0 && y <= height;
        tag.node->setVisible(inside);
        if (!inside) continue;
        showTag(tag, level);
        tag.node->setPosition(CCPoint(TAG_X, std::round(y)));
    }
}
