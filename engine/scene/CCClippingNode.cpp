#include "CCClippingNode.h"

#include "CCRenderer.h"

NS_CC_BEGIN

CCClippingNode::~CCClippingNode() {
    CC_SAFE_RELEASE(stencil_);
}

CCClippingNode* CCClippingNode::create() {
    return create(nullptr);
}

CCClippingNode* CCClippingNode::create(CCNode* stencil) {
    auto* node = new CCClippingNode();
    node->setStencil(stencil);
    node->autorelease();
    return node;
}

void CCClippingNode::setStencil(CCNode* stencil) {
    if (stencil == stencil_) return;
    CC_SAFE_RETAIN(stencil);
    if (stencil_ && running_) stencil_->onExit();
    CC_SAFE_RELEASE(stencil_);
    stencil_ = stencil;
    if (stencil_ && running_) {
        stencil_->onEnter();
        stencil_->onEnterTransitionDidFinish();
    }
}

void CCClippingNode::onEnter() {
    CCNode::onEnter();
    if (stencil_) stencil_->onEnter();
}

void CCClippingNode::onEnterTransitionDidFinish() {
    CCNode::onEnterTransitionDidFinish();
    if (stencil_) stencil_->onEnterTransitionDidFinish();
}

void CCClippingNode::onExit() {
    if (stencil_) stencil_->onExit();
    CCNode::onExit();
}

void CCClippingNode::cleanup() {
    if (stencil_) stencil_->cleanup();
    CCNode::cleanup();
}

void CCClippingNode::visit() {
    CCRenderer* r = CCRenderer::current();
    if (!stencil_ || !r) {
        CCNode::visit();
        return;
    }
    if (!visible_) return;
    markVisited();
    r->pushMatrix();
    r->multMatrix(nodeToParentTransform());
    r->beginStencil(alphaThreshold_);
    stencil_->visit();
    r->useStencil(inverted_);
    visitChildrenAndSelf();
    r->endStencil();
    r->popMatrix();
}

NS_CC_END
