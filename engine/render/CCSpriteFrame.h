#pragma once

#include <string>

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

class CCTexture2D;

// A rectangle of a texture, as a sprite sheet describes it. rect is in texels (origin top left) and
// holds the unrotated size; a rotated frame is stored turned a quarter clockwise in the sheet.
// offset and originalSize describe transparent borders the packer trimmed. Retains its texture.
class CCSpriteFrame : public CCObject {
public:
    ~CCSpriteFrame() override;

    static CCSpriteFrame* createWithTexture(CCTexture2D* texture, const CCRect& rect);
    static CCSpriteFrame* createWithTexture(CCTexture2D* texture, const CCRect& rect, bool rotated,
                                            const CCPoint& offset, const CCSize& originalSize);

    CCTexture2D* getTexture() const { return texture_; }
    const CCRect& getRect() const { return rect_; }
    bool isRotated() const { return rotated_; }
    const CCPoint& getOffset() const { return offset_; }
    const CCSize& getOriginalSize() const { return originalSize_; }
    const std::string& getName() const { return name_; }
    void setName(const std::string& name) { name_ = name; }

    // Texture coordinates (0..1) of a point given in the frame's own pixels (x right, y down from
    // the top left of rect), rotation taken into account.
    void texCoordAt(float x, float y, float* u, float* v) const;
    // The four corners (bottom-left, bottom-right, top-right, top-left) of a sub-rectangle given in
    // the frame's own pixels (origin top left), as (u, v) pairs.
    void texCoordsFor(const CCRect& sub, float out[8]) const;

private:
    CCSpriteFrame() = default;

    CCTexture2D* texture_ = nullptr;
    CCRect rect_;
    bool rotated_ = false;
    CCPoint offset_;
    CCSize originalSize_;
    std::string name_;
};

NS_CC_END
