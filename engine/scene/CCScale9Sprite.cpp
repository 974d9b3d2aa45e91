#include "CCScale9Sprite.h"

#include <algorithm>

#include "CCCommon.h"
#include "CCRenderer.h"
#include "CCSpriteFrame.h"
#include "CCSpriteFrameCache.h"
#include "CCTexture2D.h"
#include "CCTextureCache.h"

NS_CC_BEGIN

namespace {
CCScale9Sprite* made(CCSpriteFrame* frame, const CCRect& capInsets) {
    auto* sprite = new CCScale9Sprite();
    // Like CCSprite, a missing image still gives a usable (empty) node.
    sprite->initWithSpriteFrame(frame, capInsets);
    sprite->autorelease();
    return sprite;
}

CCSpriteFrame* frameOfFile(const char* file, const CCRect* rect) {
    CCTexture2D* texture = file ? CCTextureCache::sharedTextureCache()->addImage(file) : nullptr;
    if (!texture) {
        CCLog("CCScale9Sprite: image %s not found", file ? file : "(null)");
        return nullptr;
    }
    CCRect whole(0, 0, texture->getContentSize().width, texture->getContentSize().height);
    return CCSpriteFrame::createWithTexture(texture, rect && rect->size.width > 0 ? *rect : whole);
}
}  // namespace

CCScale9Sprite::CCScale9Sprite() {
    setAnchorPoint(CCPoint(0.5f, 0.5f));
}

CCScale9Sprite::~CCScale9Sprite() {
    CC_SAFE_RELEASE(frame_);
}

CCScale9Sprite* CCScale9Sprite::create(const char* file, const CCRect& rect, const CCRect& capInsets) {
    return made(frameOfFile(file, &rect), capInsets);
}

CCScale9Sprite* CCScale9Sprite::create(const CCRect& capInsets, const char* file) {
    return made(frameOfFile(file, nullptr), capInsets);
}

CCScale9Sprite* CCScale9Sprite::create(const char* file) {
    return made(frameOfFile(file, nullptr), CCRectZero);
}

CCScale9Sprite* CCScale9Sprite::createWithSpriteFrame(CCSpriteFrame* frame, const CCRect& capInsets) {
    return made(frame, capInsets);
}

CCScale9Sprite* CCScale9Sprite::createWithSpriteFrameName(const char* name, const CCRect& capInsets) {
    CCSpriteFrame* frame =
        name ? CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name) : nullptr;
    if (!frame) CCLog("CCScale9Sprite: sprite frame %s not found", name ? name : "(null)");
    return made(frame, capInsets);
}

CCScale9Sprite* CCScale9Sprite::createWithSpriteFrameName(const char* name) {
    return createWithSpriteFrameName(name, CCRectZero);
}

bool CCScale9Sprite::initWithSpriteFrame(CCSpriteFrame* frame, const CCRect& capInsets) {
    capInsets_ = capInsets;
    setSpriteFrame(frame);
    return frame != nullptr;
}

void CCScale9Sprite::setSpriteFrame(CCSpriteFrame* frame) {
    CC_SAFE_RETAIN(frame);
    CC_SAFE_RELEASE(frame_);
    frame_ = frame;
    setContentSize(getOriginalSize());
}

void CCScale9Sprite::setCapInsets(const CCRect& capInsets) {
    capInsets_ = capInsets;
}

CCSize CCScale9Sprite::getOriginalSize() const {
    return frame_ ? frame_->getRect().size : CCSizeZero;
}

void CCScale9Sprite::draw() {
    CCRenderer* r = CCRenderer::current();
    if (!r || !frame_ || contentSize_.width <= 0 || contentSize_.height <= 0) return;
    CCSize original = getOriginalSize();
    CCRect insets = capInsets_;
    if (insets.size.width <= 0 || insets.size.height <= 0)
        insets = CCRect(original.width / 3, original.height / 3, original.width / 3, original.height / 3);
    // Source columns and rows in frame pixels (rows from the top).
    float sx[4] = {0, insets.getMinX(), insets.getMaxX(), original.width};
    float sy[4] = {0, insets.getMinY(), insets.getMaxY(), original.height};
    for (float& v : sx) v = std::clamp(v, 0.0f, original.width);
    for (float& v : sy) v = std::clamp(v, 0.0f, original.height);
    // Destination columns and rows in node space (rows from the top too, turned into y up below).
    float left = sx[1], right = original.width - sx[2], top = sy[1], bottom = original.height - sy[2];
    float w = contentSize_.width, h = contentSize_.height;
    float squeezeX = left + right > w ? w / (left + right) : 1.0f;
    float squeezeY = top + bottom > h ? h / (top + bottom) : 1.0f;
    float dx[4] = {0, left * squeezeX, w - right * squeezeX, w};
    float dy[4] = {0, top * squeezeY, h - bottom * squeezeY, h};
    ccColor4B color{displayedColor_.r, displayedColor_.g, displayedColor_.b, displayedOpacity_};
    const std::string& name = frame_->getName();
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (sx[col + 1] <= sx[col] || sy[row + 1] <= sy[row]) continue;
            if (dx[col + 1] <= dx[col] || dy[row + 1] <= dy[row]) continue;
            float uv[8];
            frame_->texCoordsFor(CCRect(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]), uv);
            float x0 = dx[col], x1 = dx[col + 1];
            float y1 = h - dy[row], y0 = h - dy[row + 1];
            CCPoint corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
            r->drawTexturedQuad(frame_->getTexture(), corners, uv, color, name);
        }
    }
}

NS_CC_END
