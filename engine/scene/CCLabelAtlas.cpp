#include "CCLabelAtlas.h"

#include "CCCommon.h"
#include "CCTexture2D.h"
#include "CCTextureCache.h"

NS_CC_BEGIN

CCLabelAtlas::~CCLabelAtlas() {
    CC_SAFE_RELEASE(texture_);
}

CCLabelAtlas* CCLabelAtlas::create(const char* text, const char* charMapFile, unsigned int itemWidth,
                                   unsigned int itemHeight, unsigned int startChar) {
    return createAutoreleased<CCLabelAtlas>(&CCLabelAtlas::initWithString, text, charMapFile, itemWidth,
                                            itemHeight, startChar);
}

bool CCLabelAtlas::initWithString(const char* text, const char* charMapFile, unsigned int itemWidth,
                                  unsigned int itemHeight, unsigned int startChar) {
    CCTexture2D* texture =
        charMapFile ? CCTextureCache::sharedTextureCache()->addImage(charMapFile) : nullptr;
    if (!texture || itemWidth == 0 || itemHeight == 0) {
        CCLog("CCLabelAtlas: cannot use %s with cells of %u x %u", charMapFile ? charMapFile : "(null)",
              itemWidth, itemHeight);
        return false;
    }
    texture->retain();
    CC_SAFE_RELEASE(texture_);
    texture_ = texture;
    itemWidth_ = itemWidth;
    itemHeight_ = itemHeight;
    startChar_ = startChar;
    text_ = text ? text : "";
    relayout();
    return true;
}

void CCLabelAtlas::setString(const char* text) {
    std::string next = text ? text : "";
    if (next == text_) return;
    text_ = std::move(next);
    relayout();
}

void CCLabelAtlas::relayout() {
    cells_.clear();
    unsigned int columns = static_cast<unsigned int>(texture_->getPixelsWide()) / itemWidth_;
    unsigned int rows = static_cast<unsigned int>(texture_->getPixelsHigh()) / itemHeight_;
    float w = static_cast<float>(itemWidth_), h = static_cast<float>(itemHeight_);
    for (size_t i = 0; i < text_.size(); ++i) {
        auto c = static_cast<unsigned char>(text_[i]);
        if (c < startChar_ || columns == 0) continue;
        unsigned int index = c - startChar_;
        if (index / columns >= rows) continue;
        CCGlyphQuad q;
        q.texture = texture_;
        q.source =
            CCRect(static_cast<float>(index % columns) * w, static_cast<float>(index / columns) * h, w, h);
        q.destination = CCRect(static_cast<float>(i) * w, 0, w, h);
        cells_.push_back(q);
    }
    setContentSize(CCSize(w * static_cast<float>(text_.size()), h));
}

void CCLabelAtlas::draw() {
    CCRenderer* r = CCRenderer::current();
    if (!r || text_.empty()) return;
    ccColor4B color{displayedColor_.r, displayedColor_.g, displayedColor_.b, displayedOpacity_};
    r->drawText(text_, anchorPointInPoints_, static_cast<float>(itemHeight_), color, cells_);
}

NS_CC_END
