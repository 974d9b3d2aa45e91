#include "DrawingText.h"

#include <algorithm>

#include "CCSprite.h"

USING_NS_CC;

DrawingText::DrawingText(int type, const char* iconFrame, const CCPoint& iconAnchor, bool frameOnLeft,
                         float frameAnchorY)
    : DrawingLeftArrow(type, iconFrame, iconAnchor), frameOnLeft_(frameOnLeft), frameAnchorY_(frameAnchorY) {
    label_.setFrameOpacity(FRAME_OPACITY);
}

void DrawingText::setText(const std::string& text) {
    size_t length = std::min(text.size(), MAX_TEXT_BYTES);
    // Never cut a UTF-8 character in two: back off over continuation bytes.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text_ = text.substr(0, length);
    refreshGeometry(false);
}

void DrawingText::refreshGeometry(bool xChanged) {
    DrawingLeftArrow::refreshGeometry(xChanged);
    label_.setText(displayedText());
    if (!hasPoints(1)) return;
    float gap = 0;
    if (icon_) {
        const float width = icon_->getContentSize().width;
        const float anchorX = icon_->getAnchorPoint().x;
        gap = (frameOnLeft_ ? anchorX : 1 - anchorX) * width + ICON_GAP;
    }
    const float x = frameOnLeft_ ? points_[0].x - gap : points_[0].x + gap;
    label_.place(CCPoint(x, points_[0].y), CCPoint(frameOnLeft_ ? 1.0f : 0.0f, frameAnchorY_));
}

void DrawingText::drawContent() {
    label_.draw();
}
