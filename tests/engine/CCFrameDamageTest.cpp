#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "CCFrameDamage.h"

USING_NS_CC;

namespace {
const CCSize VIEW(400, 300);

CCPrimitive shape(CCPrimitiveType type, const std::vector<CCPoint>& points, float width = 1) {
    CCPrimitive p;
    p.type = type;
    p.points = points.data();
    p.count = points.size();
    p.lineWidth = width;
    p.color = {1, 1, 1, 1};
    return p;
}

CCPrimitive scissor(bool on, const CCRect& rect = CCRect()) {
    CCPrimitive p;
    p.type = CCPrimitiveType::Scissor;
    p.enabled = on;
    p.rect = rect;
    return p;
}

CCPrimitive stencil(CCPrimitiveType type, int depth) {
    CCPrimitive p;
    p.type = type;
    p.stencilDepth = depth;
    return p;
}

bool covers(const std::vector<CCRect>& regions, const CCPoint& at) {
    for (const CCRect& r : regions)
        if (r.containsPoint(at)) return true;
    return false;
}

double areaOf(const std::vector<CCRect>& regions) {
    double area = 0;
    for (const CCRect& r : regions) area += r.size.width * r.size.height;
    return area;
}

// One frame of the given primitives (their points must outlive the call).
std::vector<CCRect> frame(CCFrameDamage& damage, std::initializer_list<CCPrimitive> primitives) {
    damage.beginFrame(VIEW);
    for (const CCPrimitive& p : primitives) damage.add(p);
    return damage.finishFrame();
}
}  // namespace

TEST(CCFrameDamage, FirstFrameIsWholeThenOnlyWhatMovedIsRedrawn) {
    CCFrameDamage damage;
    const std::vector<CCPoint> still = {{10, 10}, {10, 290}};
    const std::vector<CCPoint> before = {{100, 100}, {140, 100}};
    const std::vector<CCPoint> after = {{300, 200}, {340, 200}};
    const auto first =
        frame(damage, {shape(CCPrimitiveType::Lines, still), shape(CCPrimitiveType::Lines, before)});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].equals(CCRect(0, 0, 400, 300)));
    EXPECT_TRUE(
        frame(damage, {shape(CCPrimitiveType::Lines, still), shape(CCPrimitiveType::Lines, before)}).empty());

    const auto moved =
        frame(damage, {shape(CCPrimitiveType::Lines, still), shape(CCPrimitiveType::Lines, after)});
    EXPECT_TRUE(covers(moved, {120, 100}));
    EXPECT_TRUE(covers(moved, {320, 200}));
    EXPECT_FALSE(covers(moved, {10, 150}));
    EXPECT_LT(areaOf(moved), 400 * 300 / 10);

    // A colour change is a change even where nothing moved; an invalidated view comes back whole.
    CCPrimitive red = shape(CCPrimitiveType::Lines, still);
    red.color = {1, 0, 0, 1};
    EXPECT_TRUE(covers(frame(damage, {red, shape(CCPrimitiveType::Lines, after)}), {10, 150}));
    damage.invalidate();
    const auto whole = frame(damage, {red, shape(CCPrimitiveType::Lines, after)});
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_TRUE(whole[0].equals(CCRect(0, 0, 400, 300)));
}

TEST(CCFrameDamage, APolylineDamagesOnlyTheSegmentsThatMovedAndInsertionsKeepTheRestMatched) {
    CCFrameDamage damage;
    std::vector<CCPoint> line;
    for (int i = 0; i <= 20; ++i) line.push_back(CCPoint(10.0f + i * 18, 150));
    const std::vector<CCPoint> label = {{50, 50}, {60, 50}, {60, 60}, {50, 60}};
    frame(damage, {shape(CCPrimitiveType::Polyline, line), shape(CCPrimitiveType::SolidPolygon, label)});
    std::vector<CCPoint> moved = line;
    moved.back().y = 250;
    const std::vector<CCPoint> added = {{200, 20}, {210, 20}, {210, 30}};
    const auto regions =
        frame(damage, {shape(CCPrimitiveType::SolidPolygon, added), shape(CCPrimitiveType::Polyline, moved),
                       shape(CCPrimitiveType::SolidPolygon, label)});
    EXPECT_TRUE(covers(regions, {360, 200}));
    EXPECT_TRUE(covers(regions, {205, 22}));
    EXPECT_FALSE(covers(regions, {20, 150}));
    EXPECT_FALSE(covers(regions, {55, 55}));
}

TEST(CCFrameDamage, AChangedClipDamagesWhatItClipsThoughTheContentIsTheSame) {
    CCFrameDamage damage;
    const std::vector<CCPoint> content = {{20, 20}, {380, 20}, {380, 280}, {20, 280}};
    const std::vector<CCPoint> mask = {{100, 100}, {150, 100}, {150, 150}, {100, 150}};
    const std::vector<CCPoint> maskMoved = {{110, 100}, {160, 100}, {160, 150}, {110, 150}};
    frame(damage, {stencil(CCPrimitiveType::StencilWrite, 1), shape(CCPrimitiveType::SolidPolygon, mask),
                   stencil(CCPrimitiveType::StencilTest, 1), shape(CCPrimitiveType::SolidPolygon, content),
                   stencil(CCPrimitiveType::StencilEnd, 0)});
    EXPECT_TRUE(
        frame(damage,
              {stencil(CCPrimitiveType::StencilWrite, 1), shape(CCPrimitiveType::SolidPolygon, mask),
               stencil(CCPrimitiveType::StencilTest, 1), shape(CCPrimitiveType::SolidPolygon, content),
               stencil(CCPrimitiveType::StencilEnd, 0)})
            .empty());
    const auto moved = frame(
        damage, {stencil(CCPrimitiveType::StencilWrite, 1), shape(CCPrimitiveType::SolidPolygon, maskMoved),
                 stencil(CCPrimitiveType::StencilTest, 1), shape(CCPrimitiveType::SolidPolygon, content),
                 stencil(CCPrimitiveType::StencilEnd, 0)});
    EXPECT_TRUE(covers(moved, {105, 120}));

    // Content under a scissor that now cuts elsewhere is damaged; outside every scissor it is not drawn.
    CCFrameDamage scissored;
    frame(scissored, {scissor(true, CCRect(0, 0, 200, 300)), shape(CCPrimitiveType::SolidPolygon, content),
                      scissor(false)});
    const auto cut = frame(scissored, {scissor(true, CCRect(0, 0, 100, 300)),
                                       shape(CCPrimitiveType::SolidPolygon, content), scissor(false)});
    EXPECT_TRUE(covers(cut, {150, 150}));
    EXPECT_FALSE(covers(cut, {300, 150}));
}

TEST(CCFrameDamage, ReplayClearsTheRegionAndCutsEveryScissorToIt) {
    CCFrameDamage damage;
    const std::vector<CCPoint> inside = {{10, 10}, {30, 10}, {30, 30}};
    const std::vector<CCPoint> outside = {{300, 200}, {320, 200}, {320, 220}};
    frame(damage, {scissor(true, CCRect(0, 0, 200, 100)), shape(CCPrimitiveType::SolidPolygon, inside),
                   scissor(false), shape(CCPrimitiveType::SolidPolygon, outside)});
    std::vector<CCPrimitive> handed;
    damage.replay(CCRect(0, 0, 50, 50), [&](const CCPrimitive& p) { handed.push_back(p); });
    ASSERT_GE(handed.size(), 4u);
    EXPECT_EQ(handed[0].type, CCPrimitiveType::Scissor);
    EXPECT_TRUE(handed[0].rect.equals(CCRect(0, 0, 50, 50)));
    EXPECT_EQ(handed[1].type, CCPrimitiveType::Clear);
    size_t polygons = 0;
    for (const CCPrimitive& p : handed) {
        if (p.type == CCPrimitiveType::SolidPolygon) {
            ++polygons;
            EXPECT_FLOAT_EQ(p.points[0].x, 10);
        }
        if (p.type == CCPrimitiveType::Scissor) {
            EXPECT_TRUE(p.enabled);
            EXPECT_LE(p.rect.getMaxX(), 50);
            EXPECT_LE(p.rect.getMaxY(), 50);
        }
    }
    EXPECT_EQ(polygons, 1u);
}
