#pragma once

#include <string>
#include <vector>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "CCRenderer.h"

NS_CC_BEGIN

class CCTexture2D;

// A label drawn from a fixed-cell image: the image is a grid of itemWidth x itemHeight cells, read
// left to right and top to bottom, the first cell showing startChar. Characters outside the image
// are left blank (their cell width still counts). Anchored at its bottom-left corner. Main thread only.
class CCLabelAtlas : public CCNode, public CCLabelProtocol {
public:
    ~CCLabelAtlas() override;

    // Null (logged) when the image cannot be loaded or the cell size is not positive.
    static CCLabelAtlas* create(const char* text, const char* charMapFile, unsigned int itemWidth,
                                unsigned int itemHeight, unsigned int startChar);
    bool initWithString(const char* text, const char* charMapFile, unsigned int itemWidth,
                        unsigned int itemHeight, unsigned int startChar);

    void setString(const char* text) override;
    const char* getString() const override { return text_.c_str(); }
    CCTexture2D* getTexture() const { return texture_; }

    void draw() override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    CCLabelAtlas() = default;
    void relayout();

    std::string text_;
    CCTexture2D* texture_ = nullptr;
    unsigned int itemWidth_ = 0;
    unsigned int itemHeight_ = 0;
    unsigned int startChar_ = 0;
    std::vector<CCGlyphQuad> cells_;
};

NS_CC_END
