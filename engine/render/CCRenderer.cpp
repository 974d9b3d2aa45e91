#include "CCRenderer.h"

#include <algorithm>
#include <cassert>

#include "CCFrameDamage.h"

NS_CC_BEGIN

namespace {
CCRenderer* currentRenderer = nullptr;

bool intersect(const CCRect& a, const CCRect& b, CCRect* out) {
    float x0 = std::max(a.getMinX(), b.getMinX());
    float y0 = std::max(a.getMinY(), b.getMinY());
    float x1 = std::min(a.getMaxX(), b.getMaxX());
    float y1 = std::min(a.getMaxY(), b.getMaxY());
    if (x1 <= x0 || y1 <= y0) return false;
    *out = CCRect(x0, y0, x1 - x0, y1 - y0);
    return true;
}
}  // namespace

CCRenderer::CCRenderer() = default;

CCRenderer::~CCRenderer() {
    if (currentRenderer == this) currentRenderer = nullptr;
}

CCRenderer* CCRenderer::current() {
    return currentRenderer;
}
void CCRenderer::setCurrent(CCRenderer* renderer) {
    currentRenderer = renderer;
}

void CCRenderer::invalidate() {
    if (damage_) damage_->invalidate();
}

double CCRenderer::getRedrawnArea() const {
    double area = 0;
    for (const CCRect& r : redrawnRegions_) area += static_cast<double>(r.size.width) * r.size.height;
    return area;
}

void CCRenderer::hand(const CCPrimitive& primitive) {
    if (tracking_)
        damage_->add(primitive);
    else
        submit(primitive);
}

void CCRenderer::resubmitWholeFrame() {
    if (!damage_) return;
    const CCRect view(0, 0, viewSize_.width, viewSize_.height);
    onBeginRegion(view);
    damage_->replay(view, [this](const CCPrimitive& p) { submit(p); });
}

void CCRenderer::beginFrame(const CCSize& viewSize) {
    viewSize_ = viewSize;
    matrix_ = CCAffineTransformIdentity;
    matrixStack_.clear();
    scissorStack_.clear();
    scissorEnabled_ = false;
    stencilDepth_ = 0;
    resetState();
    inFrame_ = true;
    const bool wasTracking = tracking_;
    tracking_ = damageWanted_ && keepsFrames();
    if (tracking_) {
        if (!damage_) damage_ = std::make_unique<CCFrameDamage>();
        if (!wasTracking) damage_->invalidate();
        // The backend starts at endFrame, once it is known what to redraw.
        damage_->beginFrame(viewSize);
        return;
    }
    onBeginFrame(viewSize);
}

void CCRenderer::endFrame() {
    assert(matrixStack_.empty() && "endFrame: a pushMatrix was not matched by popMatrix");
    assert(scissorStack_.empty() && "endFrame: a pushScissor was not matched by popScissor");
    inFrame_ = false;
    if (!tracking_) {
        lastDrawCalls_ = onEndFrame();
        drewLastFrame_ = true;
        redrawnRegions_.assign(1, CCRect(0, 0, viewSize_.width, viewSize_.height));
        return;
    }
    std::vector<CCRect> regions = damage_->finishFrame();
    if (regions.empty()) {
        lastDrawCalls_ = 0;
        drewLastFrame_ = false;
        redrawnRegions_.clear();
        return;
    }
    onBeginFrame(viewSize_);
    if (lostKeptFrame()) regions.assign(1, CCRect(0, 0, viewSize_.width, viewSize_.height));
    redrawnRegions_ = regions;
    for (const CCRect& region : regions) {
        onBeginRegion(region);
        damage_->replay(region, [this](const CCPrimitive& p) { submit(p); });
    }
    lastDrawCalls_ = onEndFrame();
    drewLastFrame_ = true;
}

void CCRenderer::pushMatrix() {
    matrixStack_.push_back(matrix_);
}

void CCRenderer::popMatrix() {
    assert(!matrixStack_.empty() && "popMatrix without pushMatrix");
    if (matrixStack_.empty()) return;
    matrix_ = matrixStack_.back();
    matrixStack_.pop_back();
}

void CCRenderer::loadIdentity() {
    matrix_ = CCAffineTransformIdentity;
}

void CCRenderer::multMatrix(const CCAffineTransform& t) {
    matrix_ = CCAffineTransformConcat(t, matrix_);
}

void CCRenderer::translate(float x, float y) {
    CCAffineTransform t;
    t.tx = x;
    t.ty = y;
    multMatrix(t);
}

void CCRenderer::scale(float sx, float sy) {
    CCAffineTransform t;
    t.a = sx;
    t.d = sy;
    multMatrix(t);
}

void CCRenderer::setBlendFunc(int source, int destination) {
    blendSource_ = source;
    blendDestination_ = destination;
}

void CCRenderer::resetState() {
    color_ = {1, 1, 1, 1};
    lineWidth_ = 1;
    pointSize_ = 1;
    blend_ = true;
    blendSource_ = CC_BLEND_SRC_ALPHA;
    blendDestination_ = CC_BLEND_ONE_MINUS_SRC_ALPHA;
    lineSmooth_ = false;
    pointSmooth_ = false;
}

const CCPoint* CCRenderer::transformed(const CCPoint* points, size_t count) {
    scratch_.resize(count);
    const CCAffineTransform& m = matrix_;
    for (size_t i = 0; i < count; ++i)
        scratch_[i] = {m.a * points[i].x + m.c * points[i].y + m.tx,
                       m.b * points[i].x + m.d * points[i].y + m.ty};
    return scratch_.data();
}

CCPrimitive CCRenderer::stateFor(CCPrimitiveType type) const {
    CCPrimitive p;
    p.type = type;
    p.color = color_;
    p.lineWidth = lineWidth_;
    p.pointSize = pointSize_;
    p.blend = blend_;
    p.blendSource = blendSource_;
    p.blendDestination = blendDestination_;
    p.smooth = type == CCPrimitiveType::Points ? pointSmooth_ : lineSmooth_;
    p.stencilDepth = stencilDepth_;
    return p;
}

void CCRenderer::drawLines(const CCPoint* points, size_t count) {
    if (!inFrame_ || !points || count < 2) return;
    CCPrimitive p = stateFor(CCPrimitiveType::Lines);
    p.points = transformed(points, count - count % 2);
    p.count = count - count % 2;
    hand(p);
}

void CCRenderer::drawLine(const CCPoint& from, const CCPoint& to) {
    CCPoint pts[2] = {from, to};
    drawLines(pts, 2);
}

void CCRenderer::drawPolyline(const CCPoint* points, size_t count, bool closed) {
    if (!inFrame_ || !points || count < 2) return;
    CCPrimitive p = stateFor(closed ? CCPrimitiveType::ClosedPolyline : CCPrimitiveType::Polyline);
    p.points = transformed(points, count);
    p.count = count;
    hand(p);
}

void CCRenderer::drawSolidPolygon(const CCPoint* points, size_t count, const ccColor4F& color) {
    if (!inFrame_ || !points || count < 3) return;
    CCPrimitive p = stateFor(CCPrimitiveType::SolidPolygon);
    p.color = color;
    p.points = transformed(points, count);
    p.count = count;
    hand(p);
}

void CCRenderer::drawSolidRect(const CCPoint& origin, const CCPoint& destination, const ccColor4F& color) {
    CCPoint pts[4] = {origin, {destination.x, origin.y}, destination, {origin.x, destination.y}};
    drawSolidPolygon(pts, 4, color);
}

void CCRenderer::drawPoints(const CCPoint* points, size_t count) {
    if (!inFrame_ || !points || count == 0) return;
    CCPrimitive p = stateFor(CCPrimitiveType::Points);
    p.points = transformed(points, count);
    p.count = count;
    hand(p);
}

void CCRenderer::drawTexturedQuad(CCTexture2D* texture, const CCPoint corners[4], const float texCoords[8],
                                  const ccColor4B& color, const std::string& frameName) {
    if (!inFrame_) return;
    CCPrimitive p = stateFor(CCPrimitiveType::TexturedQuad);
    p.color = ccc4FFromccc4B(color);
    p.points = transformed(corners, 4);
    p.count = 4;
    p.texture = texture;
    p.texCoords = texCoords;
    p.name = frameName;
    hand(p);
}

void CCRenderer::drawText(const std::string& text, const CCPoint& origin, float fontSize,
                          const ccColor4B& color, const std::vector<CCGlyphQuad>& glyphs) {
    if (!inFrame_) return;
    // Point 0 is the origin; then four corners per glyph.
    std::vector<CCPoint>& nodePoints = textPoints_;
    nodePoints.clear();
    nodePoints.push_back(origin);
    for (const CCGlyphQuad& g : glyphs) {
        const CCRect& d = g.destination;
        nodePoints.push_back({d.getMinX(), d.getMinY()});
        nodePoints.push_back({d.getMaxX(), d.getMinY()});
        nodePoints.push_back({d.getMaxX(), d.getMaxY()});
        nodePoints.push_back({d.getMinX(), d.getMaxY()});
    }
    CCPrimitive p = stateFor(CCPrimitiveType::Text);
    p.color = ccc4FFromccc4B(color);
    p.points = transformed(nodePoints.data(), nodePoints.size());
    p.count = nodePoints.size();
    p.name = text;
    p.fontSize = fontSize;
    p.glyphs = glyphs.data();
    p.glyphCount = glyphs.size();
    hand(p);
}

void CCRenderer::submitScissor() {
    CCPrimitive p = stateFor(CCPrimitiveType::Scissor);
    p.enabled = scissorEnabled_;
    p.rect = scissorRect_;
    hand(p);
}

void CCRenderer::pushScissor(const CCRect& windowRect) {
    scissorStack_.push_back({scissorEnabled_, scissorRect_});
    if (!scissorEnabled_) {
        scissorEnabled_ = true;
        scissorRect_ = windowRect;
    } else {
        CCRect both;
        // Disjoint rectangles leave the active one as it is.
        if (!intersect(scissorRect_, windowRect, &both)) return;
        if (both == scissorRect_) return;
        scissorRect_ = both;
    }
    if (inFrame_) submitScissor();
}

void CCRenderer::popScissor() {
    assert(!scissorStack_.empty() && "popScissor without pushScissor");
    if (scissorStack_.empty()) return;
    ScissorState previous = scissorStack_.back();
    scissorStack_.pop_back();
    bool changed =
        previous.enabled != scissorEnabled_ || (previous.enabled && !(previous.rect == scissorRect_));
    scissorEnabled_ = previous.enabled;
    scissorRect_ = previous.rect;
    if (changed && inFrame_) submitScissor();
}

void CCRenderer::beginStencil(float alphaThreshold) {
    ++stencilDepth_;
    CCPrimitive p = stateFor(CCPrimitiveType::StencilWrite);
    p.alphaThreshold = alphaThreshold;
    if (inFrame_) hand(p);
}

void CCRenderer::useStencil(bool inverted) {
    CCPrimitive p = stateFor(CCPrimitiveType::StencilTest);
    p.inverted = inverted;
    if (inFrame_) hand(p);
}

void CCRenderer::endStencil() {
    assert(stencilDepth_ > 0 && "endStencil without beginStencil");
    if (stencilDepth_ <= 0) return;
    --stencilDepth_;
    CCPrimitive p = stateFor(CCPrimitiveType::StencilEnd);
    if (inFrame_) hand(p);
}

NS_CC_END
