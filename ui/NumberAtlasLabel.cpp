#include "NumberAtlasLabel.h"

USING_NS_CC;

NumberAtlasLabel* NumberAtlasLabel::create(const char* text) {
    return createAutoreleased<NumberAtlasLabel>(&NumberAtlasLabel::initWithText, text);
}

bool NumberAtlasLabel::initWithText(const char* text) {
    atlas_ = CCLabelAtlas::create(text, FONT_IMAGE, CELL_WIDTH, CELL_HEIGHT, FIRST_CHAR);
    if (!atlas_) return false;
    addChild(atlas_);
    setContentSize(atlas_->getContentSize());
    return true;
}

void NumberAtlasLabel::setString(const char* text) {
    atlas_->setString(text ? text : "");
    setContentSize(atlas_->getContentSize());
}

const char* NumberAtlasLabel::getString() const {
    return atlas_->getString();
}
