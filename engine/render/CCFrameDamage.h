#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "CCRenderer.h"

NS_CC_BEGIN

// What changed on screen between two frames, found by comparing what they draw.
//
// A frame is kept as a copy of its primitives. Each drawing primitive gets a fingerprint of
// everything that decides its pixels (geometry, colour, widths, blending, texture and its
// revision, and the clip it is drawn under: scissor and stencil shapes) and its bounds in window
// pixels. Primitives present in both frames in the same relative order draw the same pixels; the
// bounds of every other one, old or new, are damage. A polyline or segment list whose state is
// unchanged only damages the segments that moved. The damage is merged into a few rectangles.
//
// replay() hands the kept frame to a backend, limited to one rectangle: it clears the rectangle
// and draws only what reaches into it, every scissor cut to it. Main thread only.
class CCFrameDamage {
public:
    static constexpr size_t MAX_REGIONS = 24;

    CCFrameDamage();

    // Starts a new frame; the last finished one is kept for comparison.
    void beginFrame(const CCSize& viewSize);
    // Copies a primitive handed to the renderer (any type).
    void add(const CCPrimitive& primitive);
    // Compares with the previous frame: the rectangles to redraw, merged, in window pixels (empty:
    // nothing changed). The whole view when there is no previous frame, the view size changed,
    // invalidate() was called, or most of the view changed.
    std::vector<CCRect> finishFrame();
    // The next finishFrame reports the whole view.
    void invalidate() { invalidated_ = true; }

    // Hands the frame to submit within region: a scissor on the region, a clear, then every
    // primitive that reaches into it, in order.
    void replay(const CCRect& region, const std::function<void(const CCPrimitive&)>& submit) const;

private:
    struct Item {
        CCPrimitive primitive;  // pointers unset: the arrays below hold them
        uint32_t pointOffset = 0;
        uint32_t texCoordOffset = 0;
        uint32_t glyphOffset = 0;
        uint64_t fingerprint = 0;       // 0 for state changes (scissor, stencil)
        uint64_t stateFingerprint = 0;  // as fingerprint without the points
        CCRect bounds;
        CCRect clip;           // the scissor it is drawn under (the view when none)
        bool visible = false;  // draws colour somewhere on screen
    };
    struct Frame {
        CCSize viewSize;
        std::vector<Item> items;
        std::vector<CCPoint> points;
        std::vector<float> texCoords;
        std::vector<CCGlyphQuad> glyphs;
        std::vector<uint32_t> drawn;  // indices of visible items, in order
        void clear();
    };

    CCRect boundsOf(const Item& item, const Frame& frame, size_t from, size_t to) const;
    void addPairDamage(const Item& before, const Item& after, std::vector<CCRect>& damage) const;
    void diff(std::vector<CCRect>& damage) const;
    std::vector<CCRect> merge(std::vector<CCRect> damage) const;
    CCPrimitive view(const Item& item, const Frame& frame) const;
    CCRect viewRect() const;

    Frame previous_;
    Frame current_;
    bool havePrevious_ = false;
    bool invalidated_ = true;
    // Clip context while recording.
    bool scissorOn_ = false;
    CCRect scissor_;
    bool writingShape_ = false;
    int stencilDepth_ = 0;
    uint64_t shapeFingerprints_[16] = {};
};

NS_CC_END
