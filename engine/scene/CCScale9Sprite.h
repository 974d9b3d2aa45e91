#pragma once

#include "CCNode.h"

NS_CC_BEGIN

class CCSpriteFrame;

// A nine-slice image: the cap insets cut the frame into corners that keep their size, edges that
// stretch along one axis and a centre that stretches both ways, so the image can take any size
// (setPreferredSize / setContentSize). capInsets is the centre rectangle in the frame's pixels
// (origin top left); an empty one takes the middle third. Sizes smaller than the corners squeeze
// the corners. Anchored at its centre; colour and opacity tint it. Main thread only.
class CCScale9Sprite : public CCNode {
public:
    CCScale9Sprite();
    ~CCScale9Sprite() override;

    static CCScale9Sprite* create(const char* file, const CCRect& rect, const CCRect& capInsets);
    static CCScale9Sprite* create(const CCRect& capInsets, const char* file);
    static CCScale9Sprite* create(const char* file);
    static CCScale9Sprite* createWithSpriteFrame(CCSpriteFrame* frame, const CCRect& capInsets);
    static CCScale9Sprite* createWithSpriteFrameName(const char* name, const CCRect& capInsets);
    static CCScale9Sprite* createWithSpriteFrameName(const char* name);

    bool initWithSpriteFrame(CCSpriteFrame* frame, const CCRect& capInsets);
    void setSpriteFrame(CCSpriteFrame* frame);
    CCSpriteFrame* getSpriteFrame() const { return frame_; }
    void setCapInsets(const CCRect& capInsets);
    const CCRect& getCapInsets() const { return capInsets_; }
    void setPreferredSize(const CCSize& size) { setContentSize(size); }
    const CCSize& getPreferredSize() const { return contentSize_; }
    // The frame's own size.
    CCSize getOriginalSize() const;

    void draw() override;

private:
    CCSpriteFrame* frame_ = nullptr;
    CCRect capInsets_;
};

NS_CC_END
