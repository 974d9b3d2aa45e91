#include "CCFrameDamage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CCTexture2D.h"

NS_CC_BEGIN

namespace {
constexpr uint32_t NO_OFFSET = UINT32_MAX;
// Damage closer than this to a region joins it: one slightly larger rectangle costs less than two.
constexpr float JOIN_DISTANCE = 8;
// Above this share of the view, one full redraw is cheaper than the pieces.
constexpr float FULL_REDRAW_SHARE = 0.6f;
constexpr int MAX_STENCIL_LEVEL = 15;

class Fingerprint {
public:
    void add(uint64_t v) { h_ ^= v + 0x9e3779b97f4a7c15ull + (h_ << 6) + (h_ >> 2); }
    void add(float f) {
        uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        add(static_cast<uint64_t>(bits));
    }
    void add(const CCRect& r) {
        add(r.origin.x);
        add(r.origin.y);
        add(r.size.width);
        add(r.size.height);
    }
    void add(const ccColor4F& c) {
        add(c.r);
        add(c.g);
        add(c.b);
        add(c.a);
    }
    void add(const CCTexture2D* t) {
        if (!t) return add(uint64_t{0});
        add(static_cast<uint64_t>(t->getID()));
        add(static_cast<uint64_t>(t->getRevision()));
        add(static_cast<uint64_t>(t->isAntiAlias()));
    }
    uint64_t value() const {
        // Zero marks state changes.
        uint64_t z = h_ + 0x9e3779b97f4a7c15ull;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        z ^= z >> 31;
        return z ? z : 1;
    }

private:
    uint64_t h_ = 1469598103934665603ull;
};

bool intersect(const CCRect& a, const CCRect& b, CCRect* out) {
    const float x0 = std::max(a.getMinX(), b.getMinX());
    const float y0 = std::max(a.getMinY(), b.getMinY());
    const float x1 = std::min(a.getMaxX(), b.getMaxX());
    const float y1 = std::min(a.getMaxY(), b.getMaxY());
    if (!(x1 > x0 && y1 > y0)) return false;
    *out = CCRect(x0, y0, x1 - x0, y1 - y0);
    return true;
}

CCRect unite(const CCRect& a, const CCRect& b) {
    const float x0 = std::min(a.getMinX(), b.getMinX());
    const float y0 = std::min(a.getMinY(), b.getMinY());
    const float x1 = std::max(a.getMaxX(), b.getMaxX());
    const float y1 = std::max(a.getMaxY(), b.getMaxY());
    return CCRect(x0, y0, x1 - x0, y1 - y0);
}

float areaOf(const CCRect& r) {
    return r.size.width * r.size.height;
}

bool near(const CCRect& a, const CCRect& b) {
    return a.getMinX() - JOIN_DISTANCE <= b.getMaxX() && b.getMinX() - JOIN_DISTANCE <= a.getMaxX() &&
           a.getMinY() - JOIN_DISTANCE <= b.getMaxY() && b.getMinY() - JOIN_DISTANCE <= a.getMaxY();
}

bool isSegments(CCPrimitiveType type) {
    return type == CCPrimitiveType::Lines || type == CCPrimitiveType::Polyline ||
           type == CCPrimitiveType::ClosedPolyline;
}

bool isState(CCPrimitiveType type) {
    return type == CCPrimitiveType::Scissor || type == CCPrimitiveType::StencilWrite ||
           type == CCPrimitiveType::StencilTest || type == CCPrimitiveType::StencilEnd ||
           type == CCPrimitiveType::Clear;
}

// How far a primitive's pixels reach beyond its points.
float marginOf(const CCPrimitive& p) {
    if (isSegments(p.type)) return p.lineWidth * 0.5f + (p.smooth ? 1.0f : 0.0f) + 1.0f;
    if (p.type == CCPrimitiveType::Points) return p.pointSize * 0.5f + 1.0f;
    return 1.0f;
}
}  // namespace

CCFrameDamage::CCFrameDamage() = default;

void CCFrameDamage::Frame::clear() {
    items.clear();
    points.clear();
    texCoords.clear();
    glyphs.clear();
    drawn.clear();
}

CCRect CCFrameDamage::viewRect() const {
    return CCRect(0, 0, current_.viewSize.width, current_.viewSize.height);
}

void CCFrameDamage::beginFrame(const CCSize& viewSize) {
    std::swap(previous_, current_);
    current_.clear();
    current_.viewSize = viewSize;
    scissorOn_ = false;
    scissor_ = CCRect();
    writingShape_ = false;
    stencilDepth_ = 0;
    std::fill(std::begin(shapeFingerprints_), std::end(shapeFingerprints_), 0);
}

CCRect CCFrameDamage::boundsOf(const Item& item, const Frame& frame, size_t from, size_t to) const {
    if (from >= to) return CCRect();
    const CCPoint* pts = frame.points.data() + item.pointOffset;
    float x0 = pts[from].x, x1 = x0, y0 = pts[from].y, y1 = y0;
    for (size_t i = from + 1; i < to; ++i) {
        x0 = std::min(x0, pts[i].x);
        x1 = std::max(x1, pts[i].x);
        y0 = std::min(y0, pts[i].y);
        y1 = std::max(y1, pts[i].y);
    }
    const float m = marginOf(item.primitive);
    CCRect box(std::floor(x0 - m), std::floor(y0 - m), 0, 0);
    box.size = CCSize(std::ceil(x1 + m) - box.origin.x, std::ceil(y1 + m) - box.origin.y);
    CCRect visible;
    if (!std::isfinite(x0 + x1 + y0 + y1) || !intersect(box, item.clip, &visible)) return CCRect();
    return visible;
}

void CCFrameDamage::add(const CCPrimitive& p) {
    Item item;
    CCPrimitive& q = item.primitive;
    q.type = p.type;
    q.count = p.count;
    q.color = p.color;
    q.lineWidth = p.lineWidth;
    q.pointSize = p.pointSize;
    q.smooth = p.smooth;
    q.blend = p.blend;
    q.blendSource = p.blendSource;
    q.blendDestination = p.blendDestination;
    q.texture = p.texture;
    q.rect = p.rect;
    q.enabled = p.enabled;
    q.inverted = p.inverted;
    q.alphaThreshold = p.alphaThreshold;
    q.stencilDepth = p.stencilDepth;
    q.fontSize = p.fontSize;
    q.glyphCount = p.glyphs ? p.glyphCount : 0;
    item.pointOffset = static_cast<uint32_t>(current_.points.size());
    if (p.points && p.count > 0)
        current_.points.insert(current_.points.end(), p.points, p.points + p.count);
    else
        q.count = 0;
    item.texCoordOffset = NO_OFFSET;
    if (p.texCoords && p.type == CCPrimitiveType::TexturedQuad) {
        item.texCoordOffset = static_cast<uint32_t>(current_.texCoords.size());
        current_.texCoords.insert(current_.texCoords.end(), p.texCoords, p.texCoords + 8);
    }
    item.glyphOffset = static_cast<uint32_t>(current_.glyphs.size());
    if (q.glyphCount > 0) current_.glyphs.insert(current_.glyphs.end(), p.glyphs, p.glyphs + q.glyphCount);
    const int depth = std::clamp(p.stencilDepth, 0, MAX_STENCIL_LEVEL);

    switch (p.type) {
        case CCPrimitiveType::Scissor:
            scissorOn_ = p.enabled;
            scissor_ = p.rect;
            current_.items.push_back(std::move(item));
            return;
        case CCPrimitiveType::StencilWrite: {
            writingShape_ = true;
            stencilDepth_ = depth;
            Fingerprint f;
            f.add(static_cast<uint64_t>(depth));
            f.add(p.alphaThreshold);
            shapeFingerprints_[depth] = f.value();
            current_.items.push_back(std::move(item));
            return;
        }
        case CCPrimitiveType::StencilTest: {
            writingShape_ = false;
            stencilDepth_ = depth;
            Fingerprint f;
            f.add(shapeFingerprints_[depth]);
            f.add(static_cast<uint64_t>(p.inverted));
            shapeFingerprints_[depth] = f.value();
            current_.items.push_back(std::move(item));
            return;
        }
        case CCPrimitiveType::StencilEnd:
        case CCPrimitiveType::Clear:
            writingShape_ = false;
            stencilDepth_ = depth;
            current_.items.push_back(std::move(item));
            return;
        default:
            break;
    }

    // Everything but the points, then the points.
    Fingerprint state;
    state.add(static_cast<uint64_t>(p.type));
    state.add(static_cast<uint64_t>(q.count));
    state.add(p.color);
    state.add(p.lineWidth);
    state.add(p.pointSize);
    state.add(static_cast<uint64_t>(p.smooth) | static_cast<uint64_t>(p.blend) << 1);
    state.add(static_cast<uint64_t>(static_cast<uint32_t>(p.blendSource)) << 32 |
              static_cast<uint32_t>(p.blendDestination));
    state.add(p.texture);
    if (item.texCoordOffset != NO_OFFSET)
        for (int i = 0; i < 8; ++i) state.add(current_.texCoords[item.texCoordOffset + i]);
    for (uint32_t g = 0; g < q.glyphCount; ++g) {
        const CCGlyphQuad& glyph = current_.glyphs[item.glyphOffset + g];
        state.add(glyph.texture);
        state.add(glyph.source);
        state.add(glyph.destination);
    }
    // The clip it is drawn under.
    state.add(static_cast<uint64_t>(scissorOn_));
    if (scissorOn_) state.add(scissor_);
    state.add(static_cast<uint64_t>(stencilDepth_));
    for (int level = 1; level <= stencilDepth_; ++level) state.add(shapeFingerprints_[level]);
    Fingerprint whole = state;
    const CCPoint* pts = current_.points.data() + item.pointOffset;
    for (size_t i = 0; i < q.count; ++i) {
        whole.add(pts[i].x);
        whole.add(pts[i].y);
    }
    item.stateFingerprint = state.value();
    item.clip = scissorOn_ ? scissor_ : viewRect();
    // A text's first point is its origin, not a pixel it draws.
    item.bounds = boundsOf(item, current_, p.type == CCPrimitiveType::Text ? 1 : 0, q.count);
    const bool reaches = item.bounds.size.width > 0;
    if (writingShape_) {
        // A clip shape draws no colour; what it clips carries its fingerprint.
        Fingerprint shape;
        shape.add(shapeFingerprints_[stencilDepth_]);
        shape.add(whole.value());
        shapeFingerprints_[stencilDepth_] = shape.value();
        item.visible = false;
        item.fingerprint = 0;
    } else {
        item.fingerprint = whole.value();
        item.visible = reaches;
    }
    if (item.visible) current_.drawn.push_back(static_cast<uint32_t>(current_.items.size()));
    if (item.visible || (writingShape_ && reaches)) current_.items.push_back(std::move(item));
}

void CCFrameDamage::addPairDamage(const Item& before, const Item& after, std::vector<CCRect>& damage) const {
    const CCPrimitive& a = before.primitive;
    const CCPrimitive& b = after.primitive;
    if (!isSegments(a.type) || a.type != b.type || a.count != b.count ||
        before.stateFingerprint != after.stateFingerprint) {
        damage.push_back(before.bounds);
        damage.push_back(after.bounds);
        return;
    }
    // Segments are drawn one by one: only those that moved change pixels.
    const CCPoint* pa = previous_.points.data() + before.pointOffset;
    const CCPoint* pb = current_.points.data() + after.pointOffset;
    const size_t n = a.count;
    const bool pairs = a.type == CCPrimitiveType::Lines;
    const size_t segments = pairs ? n / 2 : (a.type == CCPrimitiveType::ClosedPolyline && n > 2 ? n : n - 1);
    for (size_t s = 0; s < segments; ++s) {
        const size_t i = pairs ? s * 2 : s;
        const size_t j = pairs ? i + 1 : (s + 1) % n;
        if (pa[i].equals(pb[i]) && pa[j].equals(pb[j])) continue;
        const CCPoint endsBefore[2] = {pa[i], pa[j]};
        const CCPoint endsAfter[2] = {pb[i], pb[j]};
        for (const CCPoint* ends : {endsBefore, endsAfter}) {
            const float m = marginOf(a);
            CCRect box(std::floor(std::min(ends[0].x, ends[1].x) - m),
                       std::floor(std::min(ends[0].y, ends[1].y) - m), 0, 0);
            box.size = CCSize(std::ceil(std::max(ends[0].x, ends[1].x) + m) - box.origin.x,
                              std::ceil(std::max(ends[0].y, ends[1].y) + m) - box.origin.y);
            CCRect visible;
            if (intersect(box, ends == endsBefore ? before.clip : after.clip, &visible))
                damage.push_back(visible);
        }
    }
}

void CCFrameDamage::diff(std::vector<CCRect>& damage) const {
    const std::vector<uint32_t>& before = previous_.drawn;
    const std::vector<uint32_t>& after = current_.drawn;
    auto oldPrint = [&](size_t i) { return previous_.items[before[i]].fingerprint; };
    auto newPrint = [&](size_t i) { return current_.items[after[i]].fingerprint; };
    size_t head = 0;
    while (head < before.size() && head < after.size() && oldPrint(head) == newPrint(head)) ++head;
    size_t oldEnd = before.size(), newEnd = after.size();
    while (oldEnd > head && newEnd > head && oldPrint(oldEnd - 1) == newPrint(newEnd - 1)) {
        --oldEnd;
        --newEnd;
    }
    if (head == oldEnd && head == newEnd) return;

    // The rest: an order-keeping match, greedy, through the old fingerprints sorted.
    std::vector<std::pair<uint64_t, uint32_t>> sorted;
    sorted.reserve(oldEnd - head);
    for (size_t i = head; i < oldEnd; ++i) sorted.emplace_back(oldPrint(i), static_cast<uint32_t>(i));
    std::sort(sorted.begin(), sorted.end());
    std::vector<size_t> added;
    size_t next = head;  // first old item not matched or skipped yet
    std::vector<bool> paired;
    auto closeGap = [&](size_t oldStop) {
        // Old items next..oldStop were dropped and `added` are new: a dropped polyline finds the new one
        // drawn the same way (a window of them, in order), so only its moved segments count.
        constexpr size_t SEARCH = 64;
        paired.assign(added.size(), false);
        size_t from = 0;
        for (size_t i = next; i < oldStop; ++i) {
            const Item& gone = previous_.items[before[i]];
            bool found = false;
            for (size_t k = from; k < added.size() && k < from + SEARCH && isSegments(gone.primitive.type);
                 ++k) {
                const Item& fresh = current_.items[after[added[k]]];
                if (paired[k] || fresh.stateFingerprint != gone.stateFingerprint) continue;
                addPairDamage(gone, fresh, damage);
                paired[k] = true;
                from = k + 1;
                found = true;
                break;
            }
            if (!found) damage.push_back(gone.bounds);
        }
        for (size_t k = 0; k < added.size(); ++k)
            if (!paired[k]) damage.push_back(current_.items[after[added[k]]].bounds);
        added.clear();
    };
    for (size_t n = head; n < newEnd; ++n) {
        const uint64_t print = newPrint(n);
        auto it = std::lower_bound(sorted.begin(), sorted.end(),
                                   std::make_pair(print, static_cast<uint32_t>(next)));
        if (it != sorted.end() && it->first == print) {
            closeGap(it->second);
            next = it->second + 1;
        } else {
            added.push_back(n);
        }
    }
    closeGap(oldEnd);
}

std::vector<CCRect> CCFrameDamage::merge(std::vector<CCRect> damage) const {
    const CCRect view = viewRect();
    std::vector<CCRect> regions;
    for (const CCRect& raw : damage) {
        CCRect r;
        if (!intersect(raw, view, &r)) continue;
        bool joined = false;
        for (CCRect& region : regions) {
            if (near(region, r)) {
                region = unite(region, r);
                joined = true;
                break;
            }
        }
        if (!joined) regions.push_back(r);
        if (regions.size() <= MAX_REGIONS) continue;
        // Too many: join the two whose union grows least.
        size_t bestA = 0, bestB = 1;
        float bestGrowth = INFINITY;
        for (size_t a = 0; a < regions.size(); ++a)
            for (size_t b = a + 1; b < regions.size(); ++b) {
                const float growth =
                    areaOf(unite(regions[a], regions[b])) - areaOf(regions[a]) - areaOf(regions[b]);
                if (growth < bestGrowth) {
                    bestGrowth = growth;
                    bestA = a;
                    bestB = b;
                }
            }
        regions[bestA] = unite(regions[bestA], regions[bestB]);
        regions.erase(regions.begin() + static_cast<long>(bestB));
    }
    // Unions may have grown into each other.
    for (bool again = true; again;) {
        again = false;
        for (size_t a = 0; a < regions.size() && !again; ++a)
            for (size_t b = a + 1; b < regions.size(); ++b)
                if (near(regions[a], regions[b])) {
                    regions[a] = unite(regions[a], regions[b]);
                    regions.erase(regions.begin() + static_cast<long>(b));
                    again = true;
                    break;
                }
    }
    float total = 0;
    for (const CCRect& r : regions) total += areaOf(r);
    if (total > FULL_REDRAW_SHARE * areaOf(view)) return {view};
    return regions;
}

std::vector<CCRect> CCFrameDamage::finishFrame() {
    const CCRect view = viewRect();
    if (!(view.size.width > 0 && view.size.height > 0)) return {};
    if (invalidated_ || !havePrevious_ || !(previous_.viewSize == current_.viewSize)) {
        invalidated_ = false;
        havePrevious_ = true;
        return {view};
    }
    std::vector<CCRect> damage;
    diff(damage);
    return merge(std::move(damage));
}

CCPrimitive CCFrameDamage::view(const Item& item, const Frame& frame) const {
    CCPrimitive q = item.primitive;
    q.points = item.primitive.count > 0 ? frame.points.data() + item.pointOffset : nullptr;
    q.texCoords = item.texCoordOffset != NO_OFFSET ? frame.texCoords.data() + item.texCoordOffset : nullptr;
    q.glyphs = q.glyphCount > 0 ? frame.glyphs.data() + item.glyphOffset : nullptr;
    return q;
}

void CCFrameDamage::replay(const CCRect& region,
                           const std::function<void(const CCPrimitive&)>& submit) const {
    CCPrimitive scissor;
    scissor.type = CCPrimitiveType::Scissor;
    scissor.enabled = true;
    scissor.rect = region;
    submit(scissor);
    CCPrimitive clear;
    clear.type = CCPrimitiveType::Clear;
    submit(clear);
    for (const Item& item : current_.items) {
        const CCPrimitiveType type = item.primitive.type;
        if (type == CCPrimitiveType::Scissor) {
            CCRect cut(region.origin.x, region.origin.y, 0, 0);
            if (!item.primitive.enabled)
                cut = region;
            else
                intersect(item.primitive.rect, region, &cut);
            scissor.rect = cut;
            submit(scissor);
            continue;
        }
        if (isState(type)) {
            submit(view(item, current_));
            continue;
        }
        CCRect inside;
        if (intersect(item.bounds, region, &inside)) submit(view(item, current_));
    }
}

NS_CC_END
