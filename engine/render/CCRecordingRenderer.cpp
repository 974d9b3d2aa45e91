#include "CCRecordingRenderer.h"

#include "CCTexture2D.h"

NS_CC_BEGIN

void CCRecordingRenderer::onBeginFrame(const CCSize&) {
    current_.clear();
}

unsigned int CCRecordingRenderer::onEndFrame() {
    last_.swap(current_);
    current_.clear();
    ++frames_;
    return static_cast<unsigned int>(last_.size());
}

void CCRecordingRenderer::submit(const CCPrimitive& p) {
    CCRecordedPrimitive r;
    r.type = p.type;
    size_t keep = p.type == CCPrimitiveType::Text ? (p.count > 0 ? 1 : 0) : p.count;
    if (p.points) r.points.assign(p.points, p.points + keep);
    r.color = p.color;
    r.lineWidth = p.lineWidth;
    r.pointSize = p.pointSize;
    r.smooth = p.smooth;
    r.blend = p.blend;
    if (p.texture) {
        r.textureId = p.texture->getID();
        r.textureFile = p.texture->getPath();
    }
    r.name = p.name;
    r.rect = p.rect;
    r.enabled = p.enabled;
    r.inverted = p.inverted;
    r.stencilDepth = p.stencilDepth;
    r.fontSize = p.fontSize;
    r.glyphCount = p.glyphs ? p.glyphCount : 0;
    current_.push_back(std::move(r));
}

std::vector<CCRecordedPrimitive> CCRecordingRenderer::primitives(CCPrimitiveType type) const {
    std::vector<CCRecordedPrimitive> out;
    for (const CCRecordedPrimitive& p : last_)
        if (p.type == type) out.push_back(p);
    return out;
}

std::vector<std::string> CCRecordingRenderer::texts() const {
    std::vector<std::string> out;
    for (const CCRecordedPrimitive& p : last_)
        if (p.type == CCPrimitiveType::Text) out.push_back(p.name);
    return out;
}

int CCRecordingRenderer::indexOf(const std::string& name) const {
    for (size_t i = 0; i < last_.size(); ++i)
        if (last_[i].name == name) return static_cast<int>(i);
    return -1;
}

NS_CC_END
