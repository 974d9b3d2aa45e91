#include "DrawingPriceLabel.h"

#include <cstdio>

std::string DrawingPriceLabel::displayedText() const {
    if (!hasPoints(1)) return text_;
    char price[48];
    std::snprintf(price, sizeof price, "%g", static_cast<double>(points_[0].price));
    return text_.empty() ? std::string(price) : text_ + " " + price;
}
