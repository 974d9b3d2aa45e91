#pragma once

#include <string>
#include <vector>

#include "CCRenderer.h"

NS_CC_BEGIN

// One recorded primitive: a copy of what the backend was handed. For a Text, points holds the
// label origin only and glyphCount the number of glyph quads.
struct CCRecordedPrimitive {
    CCPrimitiveType type = CCPrimitiveType::Lines;
    std::vector<CCPoint> points;
    ccColor4F color;
    float lineWidth = 1;
    float pointSize = 1;
    bool smooth = false;
    bool blend = true;
    unsigned int textureId = 0;  // CCObject id of the texture, 0 for none
    std::string textureFile;
    std::string name;  // frame name or label text
    CCRect rect;
    bool enabled = false;
    bool inverted = false;
    int stencilDepth = 0;
    float fontSize = 0;
    size_t glyphCount = 0;
};

// The headless backend: keeps the ordered primitives of the frame being drawn and of the last
// finished frame, so tests can assert on geometry, colours, widths, texts and clipping.
class CCRecordingRenderer : public CCRenderer {
public:
    CCRecordingRenderer() = default;

    // The last finished frame (empty before the first endFrame).
    const std::vector<CCRecordedPrimitive>& lastFrame() const { return last_; }
    unsigned int getFrameCount() const { return frames_; }
    // Primitives of the last frame of one type, in drawing order.
    std::vector<CCRecordedPrimitive> primitives(CCPrimitiveType type) const;
    // Texts of the labels drawn in the last frame, in drawing order.
    std::vector<std::string> texts() const;
    // Index of the first primitive of the last frame with this name (label text or frame name), or -1.
    int indexOf(const std::string& name) const;

protected:
    void onBeginFrame(const CCSize& viewSize) override;
    unsigned int onEndFrame() override;
    void submit(const CCPrimitive& primitive) override;

private:
    std::vector<CCRecordedPrimitive> current_;
    std::vector<CCRecordedPrimitive> last_;
    unsigned int frames_ = 0;
};

NS_CC_END
