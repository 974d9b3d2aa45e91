#include "CCLayerColor.h"

#include "CCDirector.h"
#include "CCRenderer.h"

NS_CC_BEGIN

namespace {
CCLayerColor* finish(CCLayerColor* layer, bool ok) {
    if (!ok) {
        delete layer;
        return nullptr;
    }
    layer->autorelease();
    return layer;
}
}  // namespace

CCLayerColor* CCLayerColor::create() {
    auto* layer = new CCLayerColor();
    return finish(layer, layer->init());
}

CCLayerColor* CCLayerColor::create(const ccColor4B& color) {
    auto* layer = new CCLayerColor();
    return finish(layer, layer->initWithColor(color));
}

CCLayerColor* CCLayerColor::create(const ccColor4B& color, float width, float height) {
    auto* layer = new CCLayerColor();
    return finish(layer, layer->initWithColor(color, width, height));
}

bool CCLayerColor::init() {
    return initWithColor(ccColor4B{0, 0, 0, 0});
}

bool CCLayerColor::initWithColor(const ccColor4B& color) {
    const CCSize& size = CCDirector::sharedDirector()->getWinSize();
    return initWithColor(color, size.width, size.height);
}

bool CCLayerColor::initWithColor(const ccColor4B& color, float width, float height) {
    if (!CCLayer::init()) return false;
    setColor(ccc3(color.r, color.g, color.b));
    setOpacity(color.a);
    setContentSize(CCSize(width, height));
    return true;
}

void CCLayerColor::changeWidth(float width) {
    setContentSize(CCSize(width, contentSize_.height));
}
void CCLayerColor::changeHeight(float height) {
    setContentSize(CCSize(contentSize_.width, height));
}
void CCLayerColor::changeWidthAndHeight(float width, float height) {
    setContentSize(CCSize(width, height));
}

void CCLayerColor::draw() {
    CCRenderer* r = CCRenderer::current();
    if (!r || contentSize_.width <= 0 || contentSize_.height <= 0) return;
    ccColor4F color{displayedColor_.r / 255.0f, displayedColor_.g / 255.0f, displayedColor_.b / 255.0f,
                    displayedOpacity_ / 255.0f};
    r->drawSolidRect(CCPointZero, CCPoint(contentSize_.width, contentSize_.height), color);
}

NS_CC_END
