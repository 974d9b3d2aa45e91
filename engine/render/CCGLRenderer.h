#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CCRenderer.h"

NS_CC_BEGIN

class CCTexture2D;

// The OpenGL 2.1 backend (fixed function, client vertex arrays). Everything becomes textured
// triangles in one vertex stream: lines of any width are quads (smoothed lines get a one-pixel
// fading fringe), points are squares, polygons are fans, and untextured shapes sample a white
// strip that every uploaded texture carries below its image. So consecutive primitives share one
// draw call until the texture, the blending or the stencil state changes; a chart pane with
// thousands of candles, its polylines and its labels costs a handful of draw calls.
// A scissor change alone does not end a batch while the batch can be drawn with one scissor box
// that leaves every pixel as the primitives' own boxes would (views stacked edge to edge, each
// scissored to itself, share one draw call).
// With damage tracking each frame redraws only what changed, into a framebuffer object that keeps the
// picture; a present copies the redrawn rectangles to the window where its back buffer is known to keep
// the last picture, else the whole frame.
// ZENTO_DEBUG_DAMAGE=1 tints the redrawn rectangles on the window (not in the kept picture);
// ZENTO_VERIFY_DAMAGE=1 also draws every frame whole into a second framebuffer and counts the frames whose
// pixels differ (logged). Needs a current GL context with 8 stencil bits; main thread only.
class CCGLRenderer : public CCRenderer {
public:
    CCGLRenderer();
    ~CCGLRenderer() override;

    // Device pixels per window point (drawable size / window size).
    void setPixelScale(float scale) { pixelScale_ = scale > 0 ? scale : 1; }
    void setClearColor(const ccColor4F& color) { clearColor_ = color; }
    // RGBA rows of the back buffer, top row first; call after endFrame and before the swap.
    std::vector<uint8_t> readPixels(int* width, int* height) const;
    // Waits until the GPU has done everything drawn so far (for measurements).
    void finish() const;
    // The GL renderer string ("llvmpipe (LLVM 15.0.6, 256 bits)").
    std::string getDeviceName() const;

    // Verification of partial redraws: frames compared, and those that differed from a whole redraw.
    void setVerifyDamage(bool verify) { verifyDamage_ = verify; }
    void setDebugDamage(bool tint) { debugDamage_ = tint; }
    unsigned int getVerifiedFrames() const { return verifiedFrames_; }
    // The last frame reached the window already (its rectangles were copied): no swap is needed.
    bool presentedItself() const { return presentedItself_; }
    unsigned int getMismatchedFrames() const { return mismatchedFrames_; }

protected:
    void onBeginFrame(const CCSize& viewSize) override;
    unsigned int onEndFrame() override;
    void submit(const CCPrimitive& primitive) override;
    bool keepsFrames() const override;
    bool lostKeptFrame() override;
    void onBeginRegion(const CCRect& region) override { region_ = region; }

private:
    struct Color {
        uint8_t r, g, b, a;
    };
    struct Vertex {
        float x, y, u, v;
        Color color;
    };
    struct BatchKey {
        unsigned int texture = 0;
        bool blend = true;
        int source = 0;
        int destination = 0;
        bool operator==(const BatchKey& o) const {
            return texture == o.texture && blend == o.blend &&
                   (!blend || (source == o.source && destination == o.destination));
        }
    };

    // A scissor box in device pixels; disabled covers the whole target.
    struct Clip {
        bool enabled = false;
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool operator==(const Clip&) const = default;
    };
    // Where a primitive can put pixels, in device pixels.
    struct Box {
        float x0, y0, x1, y1;
    };
    // A primitive of the batch that reaches outside its own scissor box: the batch's box must keep
    // cutting that part away.
    struct Overhang {
        Box bounds;
        Clip scissor;
    };

    // Prepares the batch for a primitive with this texture (null: untextured, any texture will do)
    // whose pixels lie within bounds.
    void useBatch(CCTexture2D* texture, const CCPrimitive& p, const Box& bounds);
    // Whether the batch can take a primitive within bounds, drawn under the current scissor; widens
    // the batch's scissor box when that keeps every pixel the same.
    bool joinClip(const Box& bounds);
    void addOverhang(const Box& bounds);
    // Whether a primitive within bounds puts the same pixels when clipped to clip as to scissor.
    static bool sameUnder(const Box& bounds, const Clip& scissor, const Clip& clip);
    Box boundsOf(const CCPrimitive& p) const;
    unsigned int upload(CCTexture2D* texture);
    void flush();
    static Color toColor(const ccColor4F& color);
    void addQuad(const CCPoint& a, const CCPoint& b, const CCPoint& c, const CCPoint& d, Color color);
    void addSegment(const CCPoint& p0, const CCPoint& p1, float width, bool smooth, Color color);
    void addVertex(float x, float y, float u, float v, Color color) {
        vertices_.push_back({x, y, u, v, color});
    }
    void addVertex(float x, float y, Color color) { vertices_.push_back({x, y, whiteU_, whiteV_, color}); }
    void applyStencilTest(int depth);
    void applyScissor(const Clip& clip);
    Clip toClip(const CCRect& windowRect) const;
    void setUpState(int pixelWidth, int pixelHeight);
    // The kept picture (colour and stencil); false when framebuffer objects are missing.
    bool ensureFramebuffer(unsigned int& framebuffer, unsigned int& colour, unsigned int& stencil, int& width,
                           int& height, int wantWidth, int wantHeight);
    void releaseFramebuffers();
    void present();
    void verifyLastFrame();
    void verifyWindow();

    std::vector<Vertex> vertices_;
    std::vector<uint32_t> indices_;
    BatchKey key_;
    bool haveBatch_ = false;
    // The scissor the scene asks for now, and the one the batch is drawn with.
    Clip scissor_;
    Clip batchClip_;
    std::vector<Overhang> overhangs_;
    float whiteU_ = 0.5f;
    float whiteV_ = 0.5f;
    float textureScaleV_ = 1;
    CCTexture2D* whiteTexture_ = nullptr;
    unsigned int drawCalls_ = 0;
    float pixelScale_ = 1;
    ccColor4F clearColor_{0, 0, 0, 1};
    CCSize viewSize_;
    // Stencil: one bit per nesting level.
    static constexpr int MAX_STENCIL_DEPTH = 8;
    bool stencilInverted_[MAX_STENCIL_DEPTH + 1] = {};
    bool discardingShape_ = false;
    // Which GL context this renderer draws with; texture names of other contexts are stale.
    unsigned int generation_ = 0;
    // Kept picture and, when verifying, the whole redraw it is compared with.
    unsigned int framebuffer_ = 0, colourBuffer_ = 0, stencilBuffer_ = 0;
    unsigned int checkFramebuffer_ = 0, checkColour_ = 0, checkStencil_ = 0;
    int framebufferWidth_ = 0, framebufferHeight_ = 0;
    int checkWidth_ = 0, checkHeight_ = 0;
    bool lostFrame_ = false;
    enum class PresentKind { UNKNOWN, WHOLE, REGIONS };
    PresentKind presentKind_ = PresentKind::UNKNOWN;
    static constexpr int WHOLE_PRESENT_EVERY = 120;
    int presentsSinceWhole_ = 0;
    static constexpr int WHOLE_PRESENTS_AFTER_RESIZE = 8;
    int wholePresentsLeft_ = 0;
    int drawableWidth_ = 0, drawableHeight_ = 0;
    bool lostPresent_ = true;
    bool presentedItself_ = false;
    CCRect region_;  // the rectangle being redrawn
    bool drawingKept_ = false;
    bool verifyDamage_ = false;
    bool debugDamage_ = false;
    unsigned int verifiedFrames_ = 0;
    unsigned int mismatchedFrames_ = 0;
};

NS_CC_END
