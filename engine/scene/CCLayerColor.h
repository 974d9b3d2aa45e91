#pragma once

#include "CCNode.h"

NS_CC_BEGIN

// A layer filled with one colour (its colour and opacity), of the window's size unless given.
class CCLayerColor : public CCLayer {
public:
    static CCLayerColor* create();
    static CCLayerColor* create(const ccColor4B& color);
    static CCLayerColor* create(const ccColor4B& color, float width, float height);

    bool init() override;
    bool initWithColor(const ccColor4B& color);
    bool initWithColor(const ccColor4B& color, float width, float height);

    void changeWidth(float width);
    void changeHeight(float height);
    void changeWidthAndHeight(float width, float height);

    void draw() override;
};

NS_CC_END
