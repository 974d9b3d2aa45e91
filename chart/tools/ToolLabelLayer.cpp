#include "ToolLabelLayer.h"

#include "ToolLabel.h"

USING_NS_CC;

ToolLabelLayer* ToolLabelLayer::create() {
    return createAutoreleased<ToolLabelLayer>(&ToolLabelLayer::init);
}

void ToolLabelLayer::draw() {
    ToolLabel::drawDeferredTexts();
}
