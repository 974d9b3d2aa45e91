#pragma once

#include <string>

#include "DrawingBase.h"
#include "ToolLabel.h"

// A vertical double arrow at the middle x of P0 and P1 with the price difference and its percentage
// of P1's price (id 11), e.g. "10(9.09%)", on a frame under the lower end.
class DrawingPriceRange : public DrawingBase {
public:
    static constexpr int TYPE = 11;
    static constexpr float HEAD_LENGTH = 12.0f;
    static constexpr float TEXT_GAP = 3.0f;

    DrawingPriceRange() : DrawingPriceRange(TYPE) {}
    void draw() override;
    void refreshGeometry(bool xChanged) override;
    const ToolLabel& getLabel() const { return label_; }

    // "%g(%.2f%%)" of the difference and its percentage; "--" for the percentage of a zero price.
    static std::string measure(float price0, float price1);

protected:
    explicit DrawingPriceRange(int type) : DrawingBase(type, 2) {}
    // With both points present, in the tool's colour.
    virtual void drawShape();
    virtual std::string labelText() const;

    ToolLabel label_{true};
    uint64_t textAnchors_ = 0;
};
