// The drawing tools: placement, geometry, texts and the position planners, drawn by the recorder.
#include <cmath>
#include <string>
#include <vector>

#include "CCAutoreleasePool.h"
#include "CCLabelTTF.h"
#include "ChartTestSupport.h"
#include "DrawingCircle.h"
#include "DrawingDataRange.h"
#include "DrawingFibRetracement.h"
#include "DrawingGannFan.h"
#include "DrawingLongPos.h"
#include "DrawingPriceRange.h"
#include "DrawingText.h"
#include "DrawingTools.h"
#include "ToolBands.h"
#include "ToolGeometry.h"

USING_NS_CC;

namespace {

using Frame = std::vector<CCRecordedPrimitive>;

bool isStroke(const CCRecordedPrimitive& p) {
    return p.type == CCPrimitiveType::Lines || p.type == CCPrimitiveType::Polyline ||
           p.type == CCPrimitiveType::ClosedPolyline;
}

std::vector<CCRecordedPrimitive> ofType(const Frame& frame, CCPrimitiveType type) {
    std::vector<CCRecordedPrimitive> out;
    for (const auto& p : frame)
        if (p.type == type) out.push_back(p);
    return out;
}

std::vector<std::string> textsOf(const Frame& frame) {
    std::vector<std::string> out;
    for (const auto& p : ofType(frame, CCPrimitiveType::Text)) out.push_back(p.name);
    return out;
}

// Bounds of every textured quad with this frame name.
CCRect quadBounds(const Frame& frame, const std::string& name) {
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const auto& p : frame) {
        if (p.type != CCPrimitiveType::TexturedQuad || p.name != name) continue;
        for (const CCPoint& q : p.points) {
            minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
        }
    }
    return CCRect(minX, minY, maxX - minX, maxY - minY);
}

size_t firstIndex(const Frame& frame, bool (*match)(const CCRecordedPrimitive&)) {
    for (size_t i = 0; i < frame.size(); ++i)
        if (match(frame[i])) return i;
    return frame.size();
}

bool allFinite(const Frame& frame) {
    for (const auto& p : frame)
        for (const CCPoint& q : p.points)
            if (!std::isfinite(q.x) || !std::isfinite(q.y)) return false;
    return true;
}

float cross(const CCPoint& o, const CCPoint& a, const CCPoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

class DrawingToolsTest : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        fillBars(200, 1480000000, 1, zigzag);
        makeChart(900, 400);
        chart_->setToolFactory(createDrawingTool);
        chart_->showNewestBars();
        step(0.5f);
    }

    DrawingBase* start(int id) {
        chart_->startTool(id);
        return chart_->getCreatingTool();
    }
    void project(DrawingBase* tool) {
        tool->updateX(chart_->getScrollOffset(), chart_->getBarSpacing());
        tool->updateY(chart_->getPriceScale(), chart_->getCurrentBaseY(), chart_->getPriceMin());
        tool->ensureGeometry();
    }
    // A click at bar (beyond the data by offset) and price, then the chart's projection.
    bool click(DrawingBase* tool, int bar, float price, int offset = 0) {
        const bool complete = tool->addPoint(bars_[static_cast<size_t>(bar)].get(), price, offset, true);
        project(tool);
        return complete;
    }
    void moveTo(DrawingBase* tool, int bar, float price) {
        tool->addPoint(bars_[static_cast<size_t>(bar)].get(), price, 0, false);
        project(tool);
    }
    CCPoint pixel(int bar, float price) const {
        return {centreOf(bar),
                (price - chart_->getPriceMin()) * chart_->getPriceScale() + chart_->getCurrentBaseY()};
    }
    // What the tool alone draws.
    Frame drawOnly(DrawingBase* tool) {
        recorder_->beginFrame(CCSize(900, WINDOW_HEIGHT));
        tool->ensureGeometry();
        tool->draw();
        recorder_->endFrame();
        return recorder_->lastFrame();
    }
};

// --- the base: factory, colours, placement, restore

TEST(DrawingToolFactory, MakesEveryToolByItsIdAndNothingElse) {
    for (int id : {-1, 0, 9, 27, 100}) EXPECT_EQ(createDrawingTool(id), nullptr) << id;
    for (int id = 1; id <= 26; ++id) {
        if (id == 9) continue;
        auto tool = createDrawingTool(id);
        ASSERT_NE(tool, nullptr) << id;
        EXPECT_EQ(tool->getType(), id);
        EXPECT_EQ(tool->hasText(), id >= 20 && id <= 24) << id;
        EXPECT_FALSE(tool->isComplete());
    }
    // No frame runs here to drop the labels' autoreleased references.
    CCPoolManager::sharedPoolManager()->pop();
}

TEST(DrawingToolColours, TablesRefuseIndicesOutOfRangeAndTheDefaultStaysUntilAPick) {
    auto tool = createDrawingTool(1);
    EXPECT_EQ(tool->getColorIndex(), 7);
    EXPECT_EQ(tool->getColour(), DrawingBase::DEFAULT_COLOUR);
    EXPECT_FLOAT_EQ(tool->getLineWidth(), 1.3f);
    for (int bad : {-1, 8, 1000}) EXPECT_FALSE(tool->setColorIndex(bad));
    for (int bad : {-1, 3}) EXPECT_FALSE(tool->setWidthIndex(bad));
    EXPECT_EQ(tool->getColorIndex(), 7);
    EXPECT_EQ(tool->getWidthIndex(), 0);
    EXPECT_EQ(tool->getColour(), DrawingBase::DEFAULT_COLOUR);
    EXPECT_FLOAT_EQ(tool->getLineWidth(), 1.3f);
    EXPECT_TRUE(tool->setColorIndex(7));
    EXPECT_EQ(tool->getColour(), (ccColor4F{1, 1, 1, 1}));
    EXPECT_TRUE(tool->setColorIndex(0));
    EXPECT_EQ(tool->getColour(), (ccColor4F{0.85f, 0.29f, 0.19f, 1}));
    EXPECT_TRUE(tool->setWidthIndex(2));
    EXPECT_FLOAT_EQ(tool->getLineWidth(), 3.0f);
}

TEST_F(DrawingToolsTest, TheRubberBandPointFollowsMovesAndClicksFixPoints) {
    DrawingBase* line = start(1);
    moveTo(line, 150, 105);
    EXPECT_TRUE(line->getPoints().empty()) << "no rubber band before the first click";
    EXPECT_FALSE(click(line, 150, 105));
    moveTo(line, 160, 106);
    moveTo(line, 170, 107);
    ASSERT_EQ(line->getPoints().size(), 2u);
    EXPECT_EQ(line->getPoints()[1].bar->index, 170);
    EXPECT_TRUE(click(line, 175, 108));
    EXPECT_EQ(line->getPoints().size(), 2u);
    EXPECT_EQ(line->getPoints()[1].bar->index, 175);
    EXPECT_NEAR(line->getPoints()[1].x, centreOf(175), 1e-3);

    // Two clicks with no move between still give two points.
    DrawingBase* rect = start(8);
    click(rect, 120, 100);
    EXPECT_TRUE(click(rect, 130, 110));
    EXPECT_EQ(rect->getPoints().size(), 2u);
    EXPECT_EQ(rect->getPoints()[0].bar->index, 120);
}

TEST_F(DrawingToolsTest, RestoredToolsAreCompleteOnlyWithTheirPointCount) {
    auto points = [this](size_t n) {
        std::vector<DrawingControlPoint> out(n);
        for (size_t i = 0; i < n; ++i) {
            out[i].bar = bars_[100 + i * 3].get();
            out[i].price = 100 + static_cast<float>(i % 2) * 5;
        }
        return out;
    };
    struct Case {
        int id;
        size_t count;
        bool accepted;
    } cases[] = {{1, 2, true},   {1, 3, false}, {2, 1, true},  {5, 3, true},   {5, 2, false},
                 {6, 2, false},  {6, 3, true},  {6, 24, true}, {6, 25, false}, {25, 4, true},
                 {25, 1, false}, {26, 4, true}, {20, 1, true}, {20, 0, false}};
    for (const Case& c : cases) {
        auto tool = createDrawingTool(c.id);
        tool->setChart(chart_);
        EXPECT_EQ(tool->restorePoints(points(c.count)), c.accepted) << c.id << " " << c.count;
        EXPECT_EQ(tool->isComplete(), c.accepted) << c.id;
        EXPECT_EQ(tool->getPoints().size(), c.accepted ? c.count : 0u);
        if (!c.accepted) continue;
        project(tool.get());
        EXPECT_NEAR(tool->getPoints()[0].x, centreOf(100), 1e-3);
    }
    auto line = createDrawingTool(1);
    auto unanchored = points(2);
    unanchored[1].bar = nullptr;
    EXPECT_FALSE(line->restorePoints(unanchored));
}

TEST_F(DrawingToolsTest, HandlesShowWhileSelectedAndMarkersWhileHovered) {
    DrawingBase* line = start(1);
    click(line, 150, 100);
    click(line, 160, 110);
    EXPECT_EQ(chart_->getSelectedDrawing(), nullptr) << "completion by addPoint alone does not select";
    line->setSelected(true);
    Frame frame = drawOnly(line);
    auto quads = ofType(frame, CCPrimitiveType::TexturedQuad);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].name, DrawingBase::HANDLE_FRAME);
    EXPECT_NEAR((quads[1].points[0].x + quads[1].points[2].x) / 2, centreOf(160), 0.5f);
    line->setSelected(false);
    line->setHovered(true);
    frame = drawOnly(line);
    EXPECT_GT(quadBounds(frame, DrawingBase::HOVER_FRAME).size.width, 0);
    EXPECT_FALSE(quadBounds(frame, DrawingBase::HANDLE_FRAME).size.width > 0);
    line->setHovered(false);
    EXPECT_TRUE(ofType(drawOnly(line), CCPrimitiveType::TexturedQuad).empty());
}

// --- lines

TEST_F(DrawingToolsTest, RaysRunOnStraightThroughZoomsAndArrowHeadsAreTwoRadiansOff) {
    DrawingBase* ray = start(3);
    click(ray, 150, 100);
    click(ray, 155, 104);
    chart_->setBarWidthAndScale(CCPoint(14, 1));
    step(0.5f);
    Frame frame = drawOnly(ray);
    auto lines = ofType(frame, CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 1u);
    const CCPoint p0 = pixel(150, 100), p1 = pixel(155, 104);
    EXPECT_NEAR(lines[0].points[0].x, p0.x, 1e-2);
    EXPECT_NEAR(lines[0].points[1].getDistance(p0), ToolGeometry::RAY_LENGTH, 1);
    // The far end lies on the line through the re-projected anchors.
    EXPECT_NEAR(cross(p0, p1, lines[0].points[1]) / p0.getDistance(p1), 0, 0.5f);

    DrawingBase* arrow = start(4);
    click(arrow, 150, 100);
    click(arrow, 160, 100);
    lines = ofType(drawOnly(arrow), CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[1].points.size(), 4u);
    const CCPoint tip = pixel(160, 100);
    for (int k : {1, 3}) {
        const CCPoint stroke = lines[1].points[static_cast<size_t>(k)] - tip;
        EXPECT_NEAR(std::hypot(stroke.x, stroke.y), 20, 1e-3);
        // The shaft points back along -x: the strokes leave it at pi - 2 rad from +x.
        EXPECT_NEAR(std::fabs(std::atan2(stroke.y, stroke.x)), static_cast<float>(M_PI) - 2, 1e-4);
    }
}

TEST_F(DrawingToolsTest, TheVerticalLineSpansTheChartAndIsHitBesideIt) {
    DrawingBase* line = start(2);
    EXPECT_TRUE(click(line, 150, 100));
    auto lines = ofType(drawOnly(line), CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FLOAT_EQ(lines[0].points[0].x, centreOf(150));
    EXPECT_FLOAT_EQ(lines[0].points[0].y, 0);
    EXPECT_FLOAT_EQ(lines[0].points[1].y, 400);
    line->setVisible(false);
    EXPECT_TRUE(line->hitTest(CCPoint(centreOf(150) + 19, 5))) << "hidden tools are still hit";
    EXPECT_EQ(line->getActiveHandle(), &line->getPoints()[0]);
    EXPECT_FALSE(line->hitTest(CCPoint(centreOf(150) - 21, 5)));
}

TEST_F(DrawingToolsTest, TheChannelHoldsP2AtTheMiddleAndFillsBeforeStroking) {
    DrawingBase* channel = start(5);
    click(channel, 140, 100);
    click(channel, 160, 104);
    EXPECT_TRUE(click(channel, 120, 110));
    const auto& p = channel->getPoints();
    EXPECT_FLOAT_EQ(p[2].x, (centreOf(140) + centreOf(160)) / 2);
    Frame frame = drawOnly(channel);
    const size_t fill = firstIndex(
        frame, [](const CCRecordedPrimitive& r) { return r.type == CCPrimitiveType::SolidPolygon; });
    ASSERT_LT(fill, frame.size());
    EXPECT_LT(fill, firstIndex(frame, isStroke));
    auto lines = ofType(frame, CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 2u);
    const float d = p[2].y - (p[0].y + p[1].y) / 2;
    EXPECT_NEAR(lines[1].points[0].y, p[0].y + d, 1e-3);
    EXPECT_NEAR(lines[1].points[1].y, p[1].y + d, 1e-3);
    EXPECT_NEAR(lines[1].points[1].x, p[1].x, 1e-3);
}

// --- shapes

TEST_F(DrawingToolsTest, ShapesFillBeforeTheirOutline) {
    struct Case {
        int id;
        int clicks;
    } cases[] = {{8, 2}, {7, 3}, {12, 2}, {6, 0}};
    for (const Case& c : cases) {
        DrawingBase* tool = start(c.id);
        if (c.id == 6) {
            click(tool, 140, 100);
            click(tool, 160, 100);
            click(tool, 150, 110);
            click(tool, 140, 100);
        } else {
            const int bars[] = {140, 160, 150};
            const float prices[] = {100, 106, 110};
            for (int i = 0; i < c.clicks; ++i) click(tool, bars[i], prices[i]);
        }
        ASSERT_TRUE(tool->isComplete()) << c.id;
        Frame frame = drawOnly(tool);
        const size_t fill = firstIndex(
            frame, [](const CCRecordedPrimitive& r) { return r.type == CCPrimitiveType::SolidPolygon; });
        ASSERT_LT(fill, frame.size()) << c.id;
        EXPECT_LT(fill, firstIndex(frame, isStroke)) << c.id;
    }
}

TEST_F(DrawingToolsTest, PolygonsCloseNearTheFirstCornerWithThreeLeftOrAfterTwentyFourCorners) {
    DrawingBase* polygon = start(6);
    click(polygon, 140, 100);
    click(polygon, 160, 100);
    // A third click at the start would leave two corners: it is a corner, not a close.
    EXPECT_FALSE(click(polygon, 140, 100));
    EXPECT_EQ(polygon->getPoints().size(), 3u);

    polygon = start(6);
    const CCPoint first = pixel(140, 100);
    click(polygon, 140, 100);
    click(polygon, 160, 100);
    click(polygon, 150, 110);
    // 16 px from P0 is not closer than 16 px.
    const float priceStep = 16 / chart_->getPriceScale();
    EXPECT_FALSE(click(polygon, 140, 100 + priceStep * 1.01f));
    EXPECT_EQ(polygon->getPoints().size(), 4u);
    EXPECT_TRUE(click(polygon, 140, 100 + priceStep * 0.5f));
    EXPECT_EQ(polygon->getPoints().size(), 4u) << "the closing click adds no corner";
    EXPECT_NEAR(polygon->getPoints()[0].x, first.x, 1e-3);
    moveTo(polygon, 190, 100);
    EXPECT_EQ(polygon->getPoints().size(), 4u) << "a closed polygon takes no more points";

    polygon = start(6);
    for (int i = 0; i < 24; ++i) EXPECT_FALSE(click(polygon, 100 + i * 2, 100 + (i % 2) * 10)) << i;
    EXPECT_TRUE(click(polygon, 170, 120));
    EXPECT_EQ(polygon->getPoints().size(), 24u);
}

TEST(ToolGeometry, EarClippingCoversAConcavePolygonExactlyAndEndsOnCrossedInput) {
    auto inside = [](const std::vector<CCPoint>& poly, const CCPoint& p) {
        bool in = false;
        for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
            if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
                p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
                in = !in;
        return in;
    };
    const std::vector<std::vector<CCPoint>> concave = {
        {{0, 0}, {100, 0}, {100, 100}, {50, 20}, {0, 100}},        // a dart, clockwise below
        {{0, 0}, {0, 60}, {20, 60}, {20, 20}, {60, 20}, {60, 0}},  // an L, clockwise
        {{0, 0}, {40, 0}, {40, 40}, {30, 40}, {30, 10}, {10, 10}, {10, 40}, {0, 40}}};  // a U
    for (const auto& polygon : concave) {
        const auto triangles = ToolGeometry::triangulate(polygon);
        EXPECT_EQ(triangles.size(), polygon.size() - 2);
        float area = 0;
        for (const auto& t : triangles) {
            const float a = cross(t[0], t[1], t[2]) / 2;
            EXPECT_GT(a, 0);
            area += a;
            EXPECT_TRUE(inside(polygon, (t[0] + t[1] + t[2]) * (1.0f / 3)));
        }
        EXPECT_NEAR(area, std::fabs(ToolGeometry::signedArea(polygon)), 1e-2);
    }
    const std::vector<std::vector<CCPoint>> degenerate = {
        {{0, 0}, {100, 100}, {100, 0}, {0, 100}},           // bow tie
        {{0, 0}, {60, 100}, {120, 0}, {0, 70}, {120, 70}},  // pentagram
        {{0, 0}, {10, 0}, {20, 0}, {30, 0}},                // collinear
        {{0, 0}, {10, 10}, {0, 0}, {10, 10}, {5, 5}},       // repeated
        {{0, 0}, {NAN, 1}, {5, 5}, {INFINITY, 0}}};
    for (const auto& polygon : degenerate) {
        const auto triangles = ToolGeometry::triangulate(polygon);
        EXPECT_LE(triangles.size(), polygon.size());
        for (const auto& t : triangles)
            for (const CCPoint& p : t) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
}

TEST_F(DrawingToolsTest, TheEllipseKeepsItsAxisRatioWhenAnEndIsDragged) {
    auto* ellipse = static_cast<DrawingCircle*>(start(7));
    click(ellipse, 140, 100);
    click(ellipse, 160, 100);
    click(ellipse, 150, 108);
    const CCPoint c = (pixel(140, 100) + pixel(160, 100)) * 0.5f;
    const float a = pixel(160, 100).x - c.x;
    const float b = pixel(150, 108).y - c.y;
    auto extent = [&](bool horizontal) {
        float most = 0;
        for (const CCPoint& p : ellipse->getOutline())
            most = std::max(most, std::fabs(horizontal ? p.x - c.x : p.y - c.y));
        return most;
    };
    EXPECT_NEAR(extent(true), a, 1e-2);
    EXPECT_NEAR(extent(false), b, 1e-2);
    ASSERT_TRUE(ellipse->hitTest(pixel(160, 100)));
    chart_->selectTool(ellipse);
    ellipse->moveActiveHandle(bars_[180].get(), 100, 0);
    project(ellipse);
    const float a2 = (pixel(180, 100).x - pixel(140, 100).x) / 2;
    EXPECT_NEAR(extent(false), b * a2 / a, 1e-2);
}

// --- ranges

TEST(DrawingDataRange, TextsCountBarsAndTimeEitherWayRound) {
    auto bar = [](int index, uint32_t time) {
        auto b = std::make_unique<KLineBar>(time, 1, 1, 1, 1, 1);
        b->index = index;
        return b;
    };
    const uint32_t t0 = 1480000000;
    auto b0 = bar(0, t0), b90 = bar(90, t0 + 90 * 60), day1 = bar(1, t0 + 86400), b2 = bar(2, t0 + 2 * 86400);
    auto far = bar(5, t0 + 5 * 86400 + 3600 + 60);
    struct Case {
        KLineBar* from;
        int fromOffset;
        KLineBar* to;
        int toOffset;
        int timeType;
        const char* text;
    } cases[] = {
        {b0.get(), 0, b90.get(), 0, 1, "90 bars, 1h 30m"},
        {b90.get(), 0, b0.get(), 0, 1, "90 bars, 1h 30m"},  // unsigned times, later point first
        {b0.get(), 0, day1.get(), 0, 1440, "1 bars, 1d"},
        {day1.get(), 0, b2.get(), 2, 1440, "3 bars, 3d"},  // beyond the newest bar
        {b0.get(), 0, far.get(), 0, 1440, "5 bars, 5d 1h 1m"},
        {b0.get(), 0, b0.get(), 0, 1, "0 bars"},
        {b0.get(), -60, b0.get(), 0, 1, "60 bars, 1h"},
    };
    for (const Case& c : cases) {
        DrawingControlPoint p0, p1;
        p0.bar = c.from, p0.barOffset = c.fromOffset;
        p1.bar = c.to, p1.barOffset = c.toOffset;
        std::string text = "stale";
        ASSERT_TRUE(DrawingDataRange::measure(p0, p1, c.timeType, text));
        EXPECT_EQ(text, c.text);
    }
    DrawingControlPoint p0, unanchored;
    p0.bar = b0.get();
    std::string text = "kept";
    EXPECT_FALSE(DrawingDataRange::measure(p0, unanchored, 1, text));
    EXPECT_EQ(text, "kept");
}

TEST(DrawingPriceRange, TextIsTheDifferenceAndItsShareOfTheSecondPrice) {
    EXPECT_EQ(DrawingPriceRange::measure(100, 110), "10(9.09%)");
    EXPECT_EQ(DrawingPriceRange::measure(110, 100), "-10(-10.00%)");
    EXPECT_EQ(DrawingPriceRange::measure(5, 0), "-5(--)");
    EXPECT_EQ(DrawingPriceRange::measure(0, 0), "0(--)");
}

TEST_F(DrawingToolsTest, RangeLabelsSitUnderTheLowerPointOnAFrame) {
    auto* range = static_cast<DrawingDataRange*>(start(10));
    click(range, 100, 112);
    click(range, 190, 106);
    Frame frame = drawOnly(range);
    EXPECT_EQ(textsOf(frame), std::vector<std::string>{"90 bars, 1h 30m"});
    const CCRect box = quadBounds(frame, ToolLabel::FRAME);
    EXPECT_NEAR(box.getMidX(), (centreOf(100) + centreOf(190)) / 2, 0.5f);
    EXPECT_NEAR(box.getMaxY(), pixel(190, 106).y - 3, 0.5f);
    const CCSize textSize = range->getLabel().getLabel()->getContentSize();
    EXPECT_NEAR(box.size.width, textSize.width + 10, 0.5f);

    DrawingBase* both = start(12);
    click(both, 100, 100);
    click(both, 190, 110);
    EXPECT_EQ(textsOf(drawOnly(both)), std::vector<std::string>{"10(9.09%)\n90 bars, 1h 30m"});
}

TEST_F(DrawingToolsTest, FibonacciLevelsRunFromP1ToP0WithBandsInOrder) {
    auto* fib = static_cast<DrawingFibRetracement*>(start(13));
    click(fib, 120, 100);
    click(fib, 160, 110);
    Frame frame = drawOnly(fib);
    const auto texts = textsOf(frame);
    ASSERT_EQ(texts.size(), 10u);
    EXPECT_EQ(texts[0], "0(110.00)");
    EXPECT_EQ(texts[3], "0.5(105.00)");
    EXPECT_EQ(texts[6], "1(100.00)");
    EXPECT_EQ(texts[9], "3.618(73.82)");
    EXPECT_NEAR(fib->levelY(0), pixel(160, 110).y, 1e-3);
    EXPECT_NEAR(fib->levelY(6), pixel(120, 100).y, 1e-3);
    // Right-aligned just left of P0.
    const CCRect label = fib->getLevelLabel(6).getLabel()->boundingBox();
    EXPECT_NEAR(label.getMaxX(), centreOf(120) - 3, 0.5f);

    auto fills = ofType(frame, CCPrimitiveType::SolidPolygon);
    ASSERT_EQ(fills.size(), 9u);
    for (size_t k = 0; k < fills.size(); ++k) EXPECT_EQ(fills[k].color, TOOL_BAND_COLOURS[k]) << k;
    auto lines = ofType(frame, CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.back().color, TOOL_GREY);
    EXPECT_EQ(lines[0].color, DrawingBase::DEFAULT_COLOUR);
    EXPECT_LT(recorder_->indexOf("0(110.00)"), firstIndex(frame, isStroke));
}

TEST_F(DrawingToolsTest, TheGannFanDrawsNineLabelledRaysOverEightSectors) {
    auto* fan = static_cast<DrawingGannFan*>(start(14));
    click(fan, 120, 100);
    click(fan, 140, 110);
    Frame frame = drawOnly(fan);
    EXPECT_EQ(textsOf(frame),
              (std::vector<std::string>{"1/8", "1/4", "1/3", "1/2", "1/1", "1/2", "1/3", "1/4", "1/8"}));
    const CCPoint p0 = pixel(120, 100), d = pixel(140, 110) - p0;
    EXPECT_NEAR(fan->rayThrough(0).y, p0.y + d.y / 8, 1e-3);
    EXPECT_NEAR(fan->rayThrough(8).x, p0.x + d.x / 8, 1e-3);
    auto lines = ofType(frame, CCPrimitiveType::Lines);
    ASSERT_EQ(lines.size(), 9u);
    for (int k = 0; k < 9; ++k) {
        const CCPoint end = lines[static_cast<size_t>(k)].points[1];
        EXPECT_NEAR(end.getDistance(p0), ToolGeometry::RAY_LENGTH, 1) << k;
        const CCPoint through = fan->rayThrough(k);
        EXPECT_NEAR(cross(p0, through, end) / p0.getDistance(through), 0, 1) << k;
    }
    const auto fills = ofType(frame, CCPrimitiveType::SolidPolygon);
    ASSERT_EQ(fills.size(), 8u);
    EXPECT_LT(
        firstIndex(frame,
                   [](const CCRecordedPrimitive& r) { return r.type == CCPrimitiveType::SolidPolygon; }),
        firstIndex(frame, isStroke));
}

// --- icons and texts

TEST_F(DrawingToolsTest, IconsAndTextFramesSitOnTheirSideOfThePoint) {
    // Which side of P0 the picture lies on: -1 left/below, 0 across, +1 right/above.
    struct Case {
        int id;
        const char* frameName;
        int sideX, sideY;
    } cases[] = {{15, "arrow_left.png", 1, 0},    {16, "arrow_up.png", 0, -1},
                 {17, "arrow_right.png", -1, 0},  {18, "arrow_down.png", 0, 1},
                 {19, "icon_location.png", 0, 1}, {20, ToolLabel::FRAME, 1, 1},
                 {21, ToolLabel::FRAME, -1, 1},   {22, ToolLabel::FRAME, 1, 1},
                 {23, ToolLabel::FRAME, -1, 1},   {24, ToolLabel::FRAME, 1, 0}};
    const CCPoint p0 = pixel(150, 105);
    for (const Case& c : cases) {
        DrawingBase* tool = start(c.id);
        EXPECT_TRUE(click(tool, 150, 105));
        if (tool->hasText()) tool->setText("note");
        const CCRect box = quadBounds(drawOnly(tool), c.frameName);
        ASSERT_GT(box.size.width, 0) << c.id;
        auto check = [&](int side, float low, float high, float at) {
            const bool onSide = side > 0   ? low >= at - 0.5f
                                : side < 0 ? high <= at + 0.5f
                                           : low < at && at < high;
            EXPECT_TRUE(onSide) << c.id << " side " << side << ": " << low << ".." << high << " at " << at;
        };
        check(c.sideX, box.getMinX(), box.getMaxX(), p0.x);
        check(c.sideY, box.getMinY(), box.getMaxY(), p0.y);
    }
    // Text frames touch the point; the note's frame clears its pin.
    DrawingBase* text = chart_->getDrawings()[5].get();
    EXPECT_NEAR(quadBounds(drawOnly(text), ToolLabel::FRAME).getMinX(), p0.x, 0.5f);
    DrawingBase* note = chart_->getDrawings()[7].get();
    const Frame noteFrame = drawOnly(note);
    EXPECT_GE(quadBounds(noteFrame, ToolLabel::FRAME).getMinX(),
              quadBounds(noteFrame, "icon_location.png").getMaxX());
    DrawingBase* price = chart_->getDrawings()[9].get();
    const Frame priceFrame = drawOnly(price);
    EXPECT_EQ(textsOf(priceFrame), std::vector<std::string>{"note 105"});
    EXPECT_GT(quadBounds(priceFrame, "tipsArrow.png").size.width, 0);
}

TEST_F(DrawingToolsTest, TextsAreCutOnACharacterBoundaryAndLaidOutOnlyWhenTheyChange) {
    auto* text = static_cast<DrawingText*>(start(20));
    click(text, 150, 105);
    std::string longText(255, 'a');
    longText += "\xe4\xb8\xad";  // one three-byte character across the limit
    text->setText(longText);
    EXPECT_EQ(text->getText(), std::string(255, 'a'));
    text->setText("hello");
    EXPECT_EQ(text->getText(), "hello");
    const unsigned int layouts = text->getLabel().getLabel()->getRenderCount();
    step(0.5f);
    chart_->setBarWidthAndScale(CCPoint(14, 1));
    step(0.5f);
    EXPECT_EQ(text->getLabel().getLabel()->getRenderCount(), layouts);
    EXPECT_GE(recorder_->indexOf("hello"), 0) << "drawn with the chart";
    text->setText("world");
    EXPECT_EQ(text->getLabel().getLabel()->getRenderCount(), layouts + 1);
}

// --- position planners

TEST(DrawingLongPos, TheSimulatedTradeOpensAtTheEntryAndClosesAtTargetStopOrTheLastClose) {
    // Bars: 0-1 above the entry, 2 touches it, then the given high/low.
    auto series = [](float high, float low, float close) {
        KLineBarList bars;
        const float prices[][3] = {{106, 104, 105}, {107, 103, 104}, {101, 99, 100}, {high, low, close}};
        for (int i = 0; i < 4; ++i) {
            bars.push_back(std::make_unique<KLineBar>(1000 + i * 60, prices[i][2], prices[i][0], prices[i][1],
                                                      prices[i][2], 1));
            bars.back()->index = i;
        }
        return bars;
    };
    using R = DrawingLongPos::Outcome::Result;
    struct Case {
        float high, low, close;
        int direction;
        float target, stop;
        R result;
        float exit;
    } cases[] = {
        {111, 99, 108, 1, 110, 90, R::Target, 110},     // long target
        {101, 89, 95, 1, 110, 90, R::Stop, 90},         // long stop
        {104, 98, 102, 1, 110, 90, R::LastClose, 102},  // neither
        {111, 99, 108, -1, 90, 110, R::Stop, 110},      // short stop above
        {101, 89, 95, -1, 90, 110, R::Target, 90},      // short target below
    };
    for (const Case& c : cases) {
        const auto bars = series(c.high, c.low, c.close);
        const auto outcome = DrawingLongPos::simulate(bars, 0, 3, 100, c.target, c.stop, c.direction);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.openSlot, 2);
        EXPECT_EQ(outcome.closeSlot, 3);
        EXPECT_FLOAT_EQ(outcome.exitPrice, c.exit);
    }
    const auto bars = series(104, 98, 102);
    // Never opened; P0 beyond the data; P1 before P0: nothing is read outside the series.
    EXPECT_EQ(DrawingLongPos::simulate(bars, 0, 3, 200, 210, 190, 1).result, R::NotOpened);
    EXPECT_EQ(DrawingLongPos::simulate(bars, 10, 30, 100, 110, 90, 1).result, R::NotOpened);
    EXPECT_EQ(DrawingLongPos::simulate(bars, 3, 1, 100, 110, 90, 1).result, R::NotOpened);
    EXPECT_EQ(DrawingLongPos::simulate(bars, -5, 99, 100, 110, 90, 1).closeSlot, 3);
    EXPECT_EQ(DrawingLongPos::simulate(KLineBarList{}, 0, 3, 100, 110, 90, 1).result, R::NotOpened);
}

TEST_F(DrawingToolsTest, PlannersPlaceFourPointsOnTheirSideAndPrintProfitAndRatio) {
    // Flat at 100 for 100 bars, then a rise to 130.
    fillBars(200, 1480000000, 1, [](int i) {
        const float base = i < 100 ? 100.0f : 100.0f + static_cast<float>(i - 100);
        return BarPrices{base, base + 1, base - 1, base};
    });
    chart_->showNewestBars();
    step(0.5f);
    const float range = chart_->getPriceMax() - chart_->getPriceMin();
    ASSERT_GT(range, 0);

    auto* longPos = static_cast<DrawingLongPos*>(start(25));
    EXPECT_TRUE(click(longPos, 90, 100));
    const auto& p = longPos->getPoints();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[1].bar->index, 115);
    EXPECT_FLOAT_EQ(p[1].price, 100);
    EXPECT_FLOAT_EQ(p[2].price, 100 + 0.3f * range);
    EXPECT_FLOAT_EQ(p[3].price, 100 - 0.3f * range);
    EXPECT_EQ(longPos->getOutcome().result, DrawingLongPos::Outcome::Result::LastClose);
    EXPECT_EQ(longPos->getResultText(), "Closed P&L:15.00\nRisk/Reward Ratio:1.00");

    auto* shortPos = static_cast<DrawingLongPos*>(start(26));
    click(shortPos, 90, 100);
    EXPECT_GT(shortPos->getPoints()[3].price, 100) << "the short's stop lies above its entry";
    EXPECT_LT(shortPos->getPoints()[2].price, 100);
    EXPECT_EQ(shortPos->getOutcome().result, DrawingLongPos::Outcome::Result::LastClose);
    EXPECT_EQ(shortPos->getResultText(), "Closed P&L:-15.00\nRisk/Reward Ratio:1.00");

    // Texts show while selected; the short lists its stop first, the long its target.
    for (auto* planner : {longPos, shortPos}) {
        EXPECT_TRUE(ofType(drawOnly(planner), CCPrimitiveType::Text).empty());
        planner->setSelected(true);
        const auto texts = textsOf(drawOnly(planner));
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[0].rfind(planner == longPos ? "Target:" : "Stop:", 0), 0u) << texts[0];
        planner->setSelected(false);
    }
    EXPECT_EQ(longPos->getTargetText().rfind("Target:", 0), 0u);

    // The boxes in the target and stop colours, swapped on request.
    auto fills = ofType(drawOnly(longPos), CCPrimitiveType::SolidPolygon);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0].color, DrawingLongPos::TARGET_FILL);
    EXPECT_EQ(fills[1].color, DrawingLongPos::STOP_FILL);
    EXPECT_EQ(fills[2].color, DrawingLongPos::TARGET_FILL) << "closed in profit";
    longPos->setInverseColors(true);
    EXPECT_EQ(ofType(drawOnly(longPos), CCPrimitiveType::SolidPolygon)[0].color, DrawingLongPos::STOP_FILL);
}

TEST_F(DrawingToolsTest, AFlatChartSizesPlannerBoxesFromARangeOfTwoAndAZeroRiskPrintsDashes) {
    fillBars(60, 1480000000, 1, [](int) { return BarPrices{50, 50, 50, 50}; });
    chart_->showNewestBars();
    step(0.5f);
    ASSERT_EQ(chart_->getPriceMax(), chart_->getPriceMin());
    auto* planner = static_cast<DrawingLongPos*>(start(25));
    click(planner, 30, 50);
    EXPECT_FLOAT_EQ(planner->getPoints()[2].price, 50.6f);
    EXPECT_FLOAT_EQ(planner->getPoints()[3].price, 49.4f);

    std::vector<DrawingControlPoint> points = planner->getPoints();
    points[3].price = points[0].price;
    auto restored = createDrawingTool(25);
    restored->setChart(chart_);
    ASSERT_TRUE(restored->restorePoints(points));
    project(restored.get());
    EXPECT_EQ(static_cast<DrawingLongPos*>(restored.get())->getResultText(),
              "Closed P&L:0.00\nRisk/Reward Ratio:--");
}

// --- degenerate input

TEST_F(DrawingToolsTest, DegenerateInputNeverDrawsNanOrInfinity) {
    // Every tool with all its points on one spot, at price 0, then again on an empty series.
    for (int id = 1; id <= 26; ++id) {
        if (id == 9) continue;
        DrawingBase* tool = start(id);
        ASSERT_NE(tool, nullptr);
        EXPECT_TRUE(allFinite(drawOnly(tool))) << "unplaced " << id;
        for (int i = 0; i < 4 && !tool->isComplete(); ++i) click(tool, 150, 0);
        if (tool->hasText()) tool->setText("x");
        tool->setSelected(true);
        EXPECT_TRUE(allFinite(drawOnly(tool))) << id;
    }
    auto* range = static_cast<DrawingPriceRange*>(chart_->getDrawings()[9].get());
    EXPECT_EQ(range->getLabel().getText(), "0(--)");
    bars_.clear();
    chart_->clearSeries();
    step(0.2f);
    for (int id : {6, 7, 25}) {
        DrawingBase* tool = start(id);
        chart_->placePoint(CCPoint(100, 100), true);
        EXPECT_TRUE(tool->getPoints().empty()) << id;
        EXPECT_TRUE(allFinite(frame())) << id;
    }
}

TEST_F(DrawingToolsTest, PlacedThroughTheChartAToolIsSelectedAndDrawnWithIt) {
    DrawingBase* line = start(1);
    chart_->placePoint(CCPoint(centreOf(150), 150), true);
    chart_->placePoint(CCPoint(centreOf(170), 250), false);
    chart_->placePoint(CCPoint(centreOf(170), 250), true);
    EXPECT_EQ(chart_->getSelectedDrawing(), line);
    EXPECT_EQ(owner_.toolsPlaced, 1);
    frame();
    const auto quads = recorder_->primitives(CCPrimitiveType::TexturedQuad);
    int handles = 0;
    for (const auto& q : quads) handles += q.name == DrawingBase::HANDLE_FRAME;
    EXPECT_EQ(handles, 2);
}

}  // namespace
