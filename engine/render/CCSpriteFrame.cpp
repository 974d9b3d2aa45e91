#include "CCSpriteFrame.h"

#include "CCTexture2D.h"

NS_CC_BEGIN

CCSpriteFrame::~CCSpriteFrame() {
    CC_SAFE_RELEASE(texture_);
}

CCSpriteFrame* CCSpriteFrame::createWithTexture(CCTexture2D* texture, const CCRect& rect) {
    return createWithTexture(texture, rect, false, CCPointZero, rect.size);
}

CCSpriteFrame* CCSpriteFrame::createWithTexture(CCTexture2D* texture, const CCRect& rect, bool rotated,
                                                const CCPoint& offset, const CCSize& originalSize) {
    auto* frame = new CCSpriteFrame();
    frame->texture_ = texture;
    CC_SAFE_RETAIN(texture);
    frame->rect_ = rect;
    frame->rotated_ = rotated;
    frame->offset_ = offset;
    frame->originalSize_ = originalSize;
    frame->autorelease();
    return frame;
}

void CCSpriteFrame::texCoordAt(float x, float y, float* u, float* v) const {
    float w = texture_ ? static_cast<float>(texture_->getPixelsWide()) : 1.0f;
    float h = texture_ ? static_cast<float>(texture_->getPixelsHigh()) : 1.0f;
    if (w <= 0) w = 1;
    if (h <= 0) h = 1;
    if (rotated_) {
        // The frame's left edge runs along the top of its area in the sheet.
        *u = (rect_.origin.x + rect_.size.height - y) / w;
        *v = (rect_.origin.y + x) / h;
    } else {
        *u = (rect_.origin.x + x) / w;
        *v = (rect_.origin.y + y) / h;
    }
}

void CCSpriteFrame::texCoordsFor(const CCRect& sub, float out[8]) const {
    float left = sub.getMinX(), right = sub.getMaxX();
    float top = sub.getMinY(), bottom = sub.getMaxY();
    texCoordAt(left, bottom, &out[0], &out[1]);
    texCoordAt(right, bottom, &out[2], &out[3]);
    texCoordAt(right, top, &out[4], &out[5]);
    texCoordAt(left, top, &out[6], &out[7]);
}

NS_CC_END
