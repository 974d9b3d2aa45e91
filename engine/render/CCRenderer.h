#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "CCGeometry.h"
#include "ccTypes.h"

NS_CC_BEGIN

class CCTexture2D;
class CCFrameDamage;

// What a frame is made of, in the order it was drawn. Points are in window pixels (origin bottom
// left, y up) after the matrix stack has been applied.
enum class CCPrimitiveType {
    Lines,           // independent segments: points 0-1, 2-3, ...
    Polyline,        // open polyline
    ClosedPolyline,  // polyline whose last point joins the first
    SolidPolygon,    // filled convex polygon
    Points,
    TexturedQuad,  // four corners: bottom-left, bottom-right, top-right, top-left
    Text,          // a label: its text at its position, drawn from glyph quads
    Scissor,       // the active scissor rectangle changed (or was switched off)
    StencilWrite,  // following primitives only write the stencil (a clip shape)
    StencilTest,   // following primitives draw inside (or, inverted, outside) the clip shape
    StencilEnd,    // back to the enclosing clip (or none)
    Clear,         // clears colour and clip shapes inside the active scissor (partial redraws only)
};

inline constexpr int CC_BLEND_ZERO = 0;
inline constexpr int CC_BLEND_ONE = 1;
inline constexpr int CC_BLEND_SRC_ALPHA = 0x0302;
inline constexpr int CC_BLEND_ONE_MINUS_SRC_ALPHA = 0x0303;

// One glyph (or atlas cell) of a text: where it goes in node space and which texels it shows.
struct CCGlyphQuad {
    CCTexture2D* texture = nullptr;
    CCRect destination;  // node space, y up
    CCRect source;       // texels, origin top left
};

// A primitive handed to a backend. The pointers are valid during the call only.
struct CCPrimitive {
    CCPrimitiveType type = CCPrimitiveType::Lines;
    const CCPoint* points = nullptr;  // window pixels
    size_t count = 0;
    ccColor4F color;
    float lineWidth = 1;
    float pointSize = 1;
    bool smooth = false;  // line smoothing for lines, point smoothing for points
    bool blend = true;
    int blendSource = CC_BLEND_SRC_ALPHA;
    int blendDestination = CC_BLEND_ONE_MINUS_SRC_ALPHA;
    // Textured quads and glyphs: texture coordinates (0..1, origin top left), one pair per point.
    CCTexture2D* texture = nullptr;
    const float* texCoords = nullptr;
    // Frame name of a textured quad, text of a label.
    std::string name;
    // Scissor rectangle in window pixels (Scissor), label origin (Text: its points[0]).
    CCRect rect;
    bool enabled = false;      // Scissor: on or off
    bool inverted = false;     // StencilTest: draw outside the shape
    float alphaThreshold = 1;  // StencilWrite: texels at or below it do not clip
    int stencilDepth = 0;      // Stencil*: nesting level
    float fontSize = 0;        // Text
    // Text: the glyphs, node space; their window corners follow the origin in points (4 per glyph).
    const CCGlyphQuad* glyphs = nullptr;
    size_t glyphCount = 0;
};

// The drawing interface of the engine, with two backends: OpenGL and a recorder for tests.
//
// Callers draw in node space; the renderer applies the matrix stack (pushMatrix / multMatrix /
// popMatrix, balanced by CCNode::visit) and hands window-pixel primitives to the backend.
// Drawing state (colour, line width, point size, blending, smoothing) stays set until changed.
// Scissor: pushScissor intersects with the active rectangle; a rectangle disjoint from it leaves
// the active one unchanged; popScissor restores what was active before the matching push.
// Between beginFrame and endFrame only; main thread only.
//
// Damage tracking (a backend that keeps its last picture, turned on with setDamageTracking): the
// frame's primitives are kept and compared with the last frame's, and only the rectangles that
// changed are redrawn over the kept picture; a frame that changes nothing draws nothing
// (drewLastFrame is false and the picture need not be presented again).
class CCRenderer {
public:
    virtual ~CCRenderer();

    // The renderer of the running director, or null (headless without a recorder).
    static CCRenderer* current();
    static void setCurrent(CCRenderer* renderer);

    void beginFrame(const CCSize& viewSize);
    void endFrame();
    bool isInFrame() const { return inFrame_; }
    const CCSize& getViewSize() const { return viewSize_; }
    // Draw calls of the last finished frame: GPU batches for the GL backend, primitives for the recorder.
    unsigned int getDrawCallCount() const { return lastDrawCalls_; }

    // Damage tracking; works only with a backend that keeps its picture (keepsFrames).
    void setDamageTracking(bool enabled) { damageWanted_ = enabled; }
    bool isTrackingDamage() const { return tracking_; }
    // The next frame redraws the whole view (resize, expose, a lost picture).
    void invalidate();
    // False when the last frame changed nothing on screen.
    bool drewLastFrame() const { return drewLastFrame_; }
    // Rectangles redrawn by the last frame, window pixels (the whole view without tracking).
    const std::vector<CCRect>& getRedrawnRegions() const { return redrawnRegions_; }
    double getRedrawnArea() const;

    // Matrix stack.
    void pushMatrix();
    void popMatrix();
    void loadIdentity();
    // Applies t before the current matrix (t maps node space into the current space).
    void multMatrix(const CCAffineTransform& t);
    void translate(float x, float y);
    void scale(float sx, float sy);
    const CCAffineTransform& getMatrix() const { return matrix_; }
    size_t getMatrixDepth() const { return matrixStack_.size(); }
    CCPoint toWindow(const CCPoint& nodePoint) const {
        return CCPointApplyAffineTransform(nodePoint, matrix_);
    }

    // Drawing state.
    void setDrawColor(const ccColor4F& color) { color_ = color; }
    const ccColor4F& getDrawColor() const { return color_; }
    void setLineWidth(float width) { lineWidth_ = width > 0 ? width : 1; }
    float getLineWidth() const { return lineWidth_; }
    void setPointSize(float size) { pointSize_ = size > 0 ? size : 1; }
    float getPointSize() const { return pointSize_; }
    void setBlendEnabled(bool enabled) { blend_ = enabled; }
    bool isBlendEnabled() const { return blend_; }
    void setBlendFunc(int source, int destination);
    void setLineSmooth(bool enabled) { lineSmooth_ = enabled; }
    bool isLineSmooth() const { return lineSmooth_; }
    void setPointSmooth(bool enabled) { pointSmooth_ = enabled; }
    bool isPointSmooth() const { return pointSmooth_; }
    // Back to the defaults: white, width 1, point size 1, blending (alpha, 1 - alpha), no smoothing.
    void resetState();

    // Primitives in node space with the current state.
    void drawLines(const CCPoint* points, size_t count);
    void drawLine(const CCPoint& from, const CCPoint& to);
    void drawPolyline(const CCPoint* points, size_t count, bool closed);
    // Convex polygon filled with color (the draw colour is not used).
    void drawSolidPolygon(const CCPoint* points, size_t count, const ccColor4F& color);
    void drawSolidRect(const CCPoint& origin, const CCPoint& destination, const ccColor4F& color);
    void drawPoints(const CCPoint* points, size_t count);
    // corners: bottom-left, bottom-right, top-right, top-left (node space); texCoords the same four
    // corners as (u, v) pairs in 0..1 with v downwards. A null texture draws an untextured quad.
    void drawTexturedQuad(CCTexture2D* texture, const CCPoint corners[4], const float texCoords[8],
                          const ccColor4B& color, const std::string& frameName);
    // A label: the text at origin (node space) drawn from its glyph quads.
    void drawText(const std::string& text, const CCPoint& origin, float fontSize, const ccColor4B& color,
                  const std::vector<CCGlyphQuad>& glyphs);

    // Scissor, in window pixels.
    void pushScissor(const CCRect& windowRect);
    void popScissor();
    bool isScissorEnabled() const { return scissorEnabled_; }
    const CCRect& getScissorRect() const { return scissorRect_; }

    // Stencil clipping (CCClippingNode, tiled grids). Call in this order:
    // beginStencil, draw the shape, useStencil, draw the content, endStencil. Each level uses one stencil
    // bit, so clips nest up to 8 deep; deeper ones draw unclipped.
    void beginStencil(float alphaThreshold);
    void useStencil(bool inverted);
    void endStencil();
    int getStencilDepth() const { return stencilDepth_; }

protected:
    CCRenderer();

    // Backends that keep the last picture between frames (so parts of it can be redrawn) say so.
    virtual bool keepsFrames() const { return false; }
    // After onBeginFrame: true when the kept picture was lost (made anew, resized).
    virtual bool lostKeptFrame() { return false; }
    // Before the primitives of one redrawn rectangle (window pixels) are submitted.
    virtual void onBeginRegion(const CCRect& region) { (void)region; }
    // Hands the whole kept frame to submit again (a backend checking its partial redraws).
    void resubmitWholeFrame();

    virtual void onBeginFrame(const CCSize& viewSize) = 0;
    // Returns the number of draw calls the frame needed.
    virtual unsigned int onEndFrame() = 0;
    virtual void submit(const CCPrimitive& primitive) = 0;

private:
    struct ScissorState {
        bool enabled;
        CCRect rect;
    };
    const CCPoint* transformed(const CCPoint* points, size_t count);
    CCPrimitive stateFor(CCPrimitiveType type) const;
    void submitScissor();
    // Where a primitive goes: the backend, or the kept frame while tracking damage.
    void hand(const CCPrimitive& primitive);

    bool inFrame_ = false;
    CCSize viewSize_;
    unsigned int lastDrawCalls_ = 0;
    CCAffineTransform matrix_;
    std::vector<CCAffineTransform> matrixStack_;
    ccColor4F color_{1, 1, 1, 1};
    float lineWidth_ = 1;
    float pointSize_ = 1;
    bool blend_ = true;
    int blendSource_ = CC_BLEND_SRC_ALPHA;
    int blendDestination_ = CC_BLEND_ONE_MINUS_SRC_ALPHA;
    bool lineSmooth_ = false;
    bool pointSmooth_ = false;
    bool scissorEnabled_ = false;
    CCRect scissorRect_;
    std::vector<ScissorState> scissorStack_;
    int stencilDepth_ = 0;
    std::vector<CCPoint> scratch_;
    std::vector<CCPoint> textPoints_;
    bool damageWanted_ = false;
    bool tracking_ = false;
    bool drewLastFrame_ = false;
    std::vector<CCRect> redrawnRegions_;
    std::unique_ptr<CCFrameDamage> damage_;
};

NS_CC_END
