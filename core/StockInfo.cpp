#include "StockInfo.h"

#include <cmath>
#include <cstdio>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "UserData.h"

USING_NS_CC;

namespace {
void setLabelText(CCNode* node, const char* text) {
    if (auto* label = dynamic_cast<CCLabelProtocol*>(node)) label->setString(text);
}

void setItemColor(CCNode* node, const ccColor3B& color) {
    if (node) node->setColor(color);
}
}  // namespace

StockInfo::StockInfo(std::string listName, std::string name, std::string code, std::string category,
                     int listId)
    : listName_(std::move(listName)),
      name_(std::move(name)),
      code_(std::move(code)),
      category_(std::move(category)),
      listId_(listId) {}

void StockInfo::detachDisplays() {
    priceLabelA_ = changeLabelA_ = colorItemA1_ = colorItemA2_ = nullptr;
    priceLabelB_ = changeLabelB_ = colorItemB1_ = colorItemB2_ = nullptr;
}

void StockInfo::updateQuote(float lastPrice, int quoteTime, float referencePrice, float second, float third) {
    quoteTime_ = quoteTime;
    secondValue_ = second;
    referencePrice_ = referencePrice;
    thirdValue_ = third;
    lastPrice_ = lastPrice;
    if (referencePrice_ == 0) referencePrice_ = 1.0f;
    changeRatio_ = (lastPrice - referencePrice_) / referencePrice_;
    // An infinite price gives no meaningful change; show none rather than "nan".
    if (!std::isfinite(changeRatio_)) changeRatio_ = 0;

    char text[64];
    std::snprintf(text, sizeof text, "%0.3f%%", changeRatio_ * 100);
    setLabelText(changeLabelA_, text);
    setLabelText(changeLabelB_, text);
    std::snprintf(text, sizeof text, "%g", lastPrice_);
    setLabelText(priceLabelA_, text);
    setLabelText(priceLabelB_, text);
    refreshColor(UserData::getInstance()->getInverseRedGreen());
}

void StockInfo::refreshColor(bool inverse) {
    const bool up = !(changeRatio_ < 0);
    const ccColor3B& color = (up != inverse) ? UP_COLOR : DOWN_COLOR;
    setItemColor(colorItemA1_, color);
    setItemColor(colorItemA2_, color);
    setItemColor(colorItemB1_, color);
    setItemColor(colorItemB2_, color);
}
