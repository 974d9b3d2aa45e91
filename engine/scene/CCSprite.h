#pragma once

#include <string>

#include "CCNode.h"

NS_CC_BEGIN

class CCTexture2D;
class CCSpriteFrame;

// An image node: a texture rectangle (usually a sprite frame of the sheet), or, untextured, a
// rectangle filled with the sprite's colour. Its content size is the frame's original size; it is
// anchored at its centre. Colour and opacity tint the image. A missing file or frame name gives an
// empty sprite and a log line, never a crash. Main thread only.
class CCSprite : public CCNode {
public:
    CCSprite();
    ~CCSprite() override;

    // Untextured: set its size with setTextureRect.
    static CCSprite* create();
    static CCSprite* create(const char* file);
    static CCSprite* create(const char* file, const CCRect& rect);
    static CCSprite* createWithTexture(CCTexture2D* texture);
    static CCSprite* createWithTexture(CCTexture2D* texture, const CCRect& rect);
    static CCSprite* createWithSpriteFrame(CCSpriteFrame* frame);
    static CCSprite* createWithSpriteFrameName(const char* name);

    bool init() override;
    bool initWithFile(const char* file);
    bool initWithTexture(CCTexture2D* texture, const CCRect& rect);
    bool initWithSpriteFrame(CCSpriteFrame* frame);
    bool initWithSpriteFrameName(const char* name);

    CCTexture2D* getTexture() const;
    // Shows the whole texture (null: untextured).
    void setTexture(CCTexture2D* texture);
    // Textured: the part of the texture shown (texels, origin top left); untextured: the size.
    void setTextureRect(const CCRect& rect);
    const CCRect& getTextureRect() const { return textureRect_; }
    void setDisplayFrame(CCSpriteFrame* frame);
    // Null when untextured.
    CCSpriteFrame* displayFrame() const { return frame_; }
    bool isFrameDisplayed(CCSpriteFrame* frame) const { return frame && frame == frame_; }
    bool isTextureRectRotated() const;

    void setFlipX(bool flip) { flipX_ = flip; }
    void setFlipY(bool flip) { flipY_ = flip; }
    bool isFlipX() const { return flipX_; }
    bool isFlipY() const { return flipY_; }

    void draw() override;

protected:
    void applyFrame(CCSpriteFrame* frame);

    CCSpriteFrame* frame_ = nullptr;
    CCRect textureRect_;
    bool flipX_ = false;
    bool flipY_ = false;
};

NS_CC_END
