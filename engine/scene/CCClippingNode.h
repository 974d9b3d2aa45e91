#pragma once

#include "CCNode.h"

NS_CC_BEGIN

// Draws its children only where its stencil node draws (or, inverted, only where it does not).
// The stencil is drawn in the clipping node's space but not shown; with an alpha threshold below
// 1, only stencil texels more opaque than it clip. Clipping nodes nest (up to 8 deep). Without a
// stencil the children are drawn unclipped. Retains the stencil. Main thread only.
class CCClippingNode : public CCNode {
public:
    ~CCClippingNode() override;

    static CCClippingNode* create();
    static CCClippingNode* create(CCNode* stencil);

    CCNode* getStencil() const { return stencil_; }
    void setStencil(CCNode* stencil);
    bool isInverted() const { return inverted_; }
    void setInverted(bool inverted) { inverted_ = inverted; }
    float getAlphaThreshold() const { return alphaThreshold_; }
    void setAlphaThreshold(float threshold) { alphaThreshold_ = threshold; }

    void visit() override;
    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;

private:
    CCClippingNode() = default;

    CCNode* stencil_ = nullptr;
    bool inverted_ = false;
    float alphaThreshold_ = 1;
};

NS_CC_END
