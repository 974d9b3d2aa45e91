#include "CCSprite.h"

#include <utility>

#include "CCCommon.h"
#include "CCRenderer.h"
#include "CCSpriteFrame.h"
#include "CCSpriteFrameCache.h"
#include "CCTexture2D.h"
#include "CCTextureCache.h"

NS_CC_BEGIN

namespace {
template <typename Init>
CCSprite* made(Init init) {
    auto* sprite = new CCSprite();
    // A failed init still yields an empty, usable sprite: callers place it without checking.
    init(sprite);
    sprite->autorelease();
    return sprite;
}
}  // namespace

CCSprite::CCSprite() {
    setAnchorPoint(CCPoint(0.5f, 0.5f));
}

CCSprite::~CCSprite() {
    CC_SAFE_RELEASE(frame_);
}

CCSprite* CCSprite::create() {
    return made([](CCSprite* s) { return s->init(); });
}

CCSprite* CCSprite::create(const char* file) {
    return made([file](CCSprite* s) { return s->initWithFile(file); });
}

CCSprite* CCSprite::create(const char* file, const CCRect& rect) {
    return made([file, rect](CCSprite* s) {
        CCTexture2D* texture = file ? CCTextureCache::sharedTextureCache()->addImage(file) : nullptr;
        return texture && s->initWithTexture(texture, rect);
    });
}

CCSprite* CCSprite::createWithTexture(CCTexture2D* texture) {
    return made([texture](CCSprite* s) {
        return texture && s->initWithTexture(texture, CCRect(0, 0, texture->getContentSize().width,
                                                             texture->getContentSize().height));
    });
}

CCSprite* CCSprite::createWithTexture(CCTexture2D* texture, const CCRect& rect) {
    return made([texture, rect](CCSprite* s) { return s->initWithTexture(texture, rect); });
}

CCSprite* CCSprite::createWithSpriteFrame(CCSpriteFrame* frame) {
    return made([frame](CCSprite* s) { return s->initWithSpriteFrame(frame); });
}

CCSprite* CCSprite::createWithSpriteFrameName(const char* name) {
    return made([name](CCSprite* s) { return s->initWithSpriteFrameName(name); });
}

bool CCSprite::init() {
    applyFrame(nullptr);
    setTextureRect(CCRectZero);
    return true;
}

bool CCSprite::initWithFile(const char* file) {
    CCTexture2D* texture = file ? CCTextureCache::sharedTextureCache()->addImage(file) : nullptr;
    if (!texture) {
        CCLog("CCSprite: image %s not found", file ? file : "(null)");
        return false;
    }
    CCSize size = texture->getContentSize();
    return initWithTexture(texture, CCRect(0, 0, size.width, size.height));
}

bool CCSprite::initWithTexture(CCTexture2D* texture, const CCRect& rect) {
    if (!texture) return false;
    applyFrame(CCSpriteFrame::createWithTexture(texture, rect));
    return true;
}

bool CCSprite::initWithSpriteFrame(CCSpriteFrame* frame) {
    if (!frame) return false;
    applyFrame(frame);
    return true;
}

bool CCSprite::initWithSpriteFrameName(const char* name) {
    CCSpriteFrame* frame =
        name ? CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name) : nullptr;
    if (!frame) {
        CCLog("CCSprite: sprite frame %s not found", name ? name : "(null)");
        return false;
    }
    return initWithSpriteFrame(frame);
}

CCTexture2D* CCSprite::getTexture() const {
    return frame_ ? frame_->getTexture() : nullptr;
}

void CCSprite::applyFrame(CCSpriteFrame* frame) {
    CC_SAFE_RETAIN(frame);
    CC_SAFE_RELEASE(frame_);
    frame_ = frame;
    if (frame_) {
        textureRect_ = frame_->getRect();
        setContentSize(frame_->getOriginalSize());
    }
}

void CCSprite::setTexture(CCTexture2D* texture) {
    if (!texture) {
        applyFrame(nullptr);
        return;
    }
    CCSize size = texture->getContentSize();
    applyFrame(CCSpriteFrame::createWithTexture(texture, CCRect(0, 0, size.width, size.height)));
}

void CCSprite::setTextureRect(const CCRect& rect) {
    textureRect_ = rect;
    if (frame_ && frame_->getTexture()) {
        applyFrame(CCSpriteFrame::createWithTexture(frame_->getTexture(), rect));
    } else {
        setContentSize(rect.size);
    }
}

void CCSprite::setDisplayFrame(CCSpriteFrame* frame) {
    if (frame) applyFrame(frame);
}

bool CCSprite::isTextureRectRotated() const {
    return frame_ && frame_->isRotated();
}

void CCSprite::draw() {
    CCRenderer* r = CCRenderer::current();
    if (!r) return;
    ccColor4B color{displayedColor_.r, displayedColor_.g, displayedColor_.b, displayedOpacity_};
    if (!frame_) {
        if (contentSize_.width <= 0 || contentSize_.height <= 0) return;
        r->drawSolidRect(CCPointZero, CCPoint(contentSize_.width, contentSize_.height),
                         ccc4FFromccc4B(color));
        return;
    }
    const CCRect& rect = frame_->getRect();
    const CCSize& original = frame_->getOriginalSize();
    // Trimmed frames sit inside their original size, moved by the packer's offset (y up).
    float x0 = (original.width - rect.size.width) * 0.5f + frame_->getOffset().x;
    float y0 = (original.height - rect.size.height) * 0.5f + frame_->getOffset().y;
    if (flipX_) x0 = original.width - x0 - rect.size.width;
    if (flipY_) y0 = original.height - y0 - rect.size.height;
    CCPoint corners[4] = {{x0, y0},
                          {x0 + rect.size.width, y0},
                          {x0 + rect.size.width, y0 + rect.size.height},
                          {x0, y0 + rect.size.height}};
    float uv[8];
    frame_->texCoordsFor(CCRect(0, 0, rect.size.width, rect.size.height), uv);
    auto swapCorner = [&uv](int a, int b) {
        std::swap(uv[a * 2], uv[b * 2]);
        std::swap(uv[a * 2 + 1], uv[b * 2 + 1]);
    };
    if (flipX_) {
        swapCorner(0, 1);
        swapCorner(2, 3);
    }
    if (flipY_) {
        swapCorner(0, 3);
        swapCorner(1, 2);
    }
    r->drawTexturedQuad(frame_->getTexture(), corners, uv, color,
                        frame_->getName().empty() ? frame_->getTexture()->getPath() : frame_->getName());
}

NS_CC_END
