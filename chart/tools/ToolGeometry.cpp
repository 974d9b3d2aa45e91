#include "ToolGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "CCDrawingPrimitives.h"

USING_NS_CC;

namespace ToolGeometry {

namespace {

constexpr float MIN_LENGTH = 1e-6f;

float cross(const CCPoint& o, const CCPoint& a, const CCPoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Inside or on the edge of the counter-clockwise triangle abc.
bool inTriangle(const CCPoint& p, const CCPoint& a, const CCPoint& b, const CCPoint& c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

}  // namespace

bool unitVector(const CCPoint& v, CCPoint& unit) {
    const float length = std::hypot(v.x, v.y);
    if (!(length > MIN_LENGTH) || !std::isfinite(length)) return false;
    unit = CCPoint(v.x / length, v.y / length);
    return true;
}

CCPoint rotated(const CCPoint& v, float radians) {
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

CCPoint rayEnd(const CCPoint& from, const CCPoint& through) {
    CCPoint unit;
    if (!unitVector(through - from, unit)) return through;
    return from + unit * RAY_LENGTH;
}

bool headEnds(const CCPoint& tail, const CCPoint& tip, float length, CCPoint& left, CCPoint& right) {
    CCPoint back;
    if (!unitVector(tail - tip, back)) return false;
    left = tip + rotated(back, HEAD_ANGLE) * length;
    right = tip + rotated(back, -HEAD_ANGLE) * length;
    return true;
}

void drawHead(const CCPoint& tail, const CCPoint& tip, float length) {
    CCPoint left, right;
    if (!headEnds(tail, tip, length, left, right)) return;
    const CCPoint strokes[4] = {tip, left, tip, right};
    ccDrawLines(strokes, 4);
}

float signedArea(const std::vector<CCPoint>& polygon) {
    double twice = 0;
    for (size_t i = 0, n = polygon.size(); i < n; ++i) {
        const CCPoint& a = polygon[i];
        const CCPoint& b = polygon[(i + 1) % n];
        twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return static_cast<float>(twice / 2);
}

std::vector<Triangle> triangulate(const std::vector<CCPoint>& polygon) {
    std::vector<Triangle> triangles;
    std::vector<CCPoint> ring;
    for (const CCPoint& p : polygon)
        if (std::isfinite(p.x) && std::isfinite(p.y) && (ring.empty() || !ring.back().equals(p)))
            ring.push_back(p);
    while (ring.size() > 1 && ring.front().equals(ring.back())) ring.pop_back();
    if (ring.size() < 3) return triangles;
    if (signedArea(ring) < 0) std::reverse(ring.begin(), ring.end());

    // Every pass removes one corner, so the loop ends whatever the shape.
    while (ring.size() >= 3) {
        const size_t n = ring.size();
        size_t ear = n;
        size_t convex = n;
        size_t flat = n;
        for (size_t i = 0; i < n && ear == n; ++i) {
            const CCPoint& a = ring[(i + n - 1) % n];
            const CCPoint& b = ring[i];
            const CCPoint& c = ring[(i + 1) % n];
            const float turn = cross(a, b, c);
            if (turn <= 0) {
                if (turn == 0 && flat == n) flat = i;
                continue;
            }
            if (convex == n) convex = i;
            bool empty = true;
            for (size_t j = 0; j < n && empty; ++j) {
                if (j == i || j == (i + n - 1) % n || j == (i + 1) % n) continue;
                const CCPoint& p = ring[j];
                if (p.equals(a) || p.equals(b) || p.equals(c)) continue;
                empty = !inTriangle(p, a, b, c);
            }
            if (empty) ear = i;
        }
        // A collinear corner adds no area; without an ear (crossing edges) a convex corner is cut anyway.
        if (ear == n && flat != n) {
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(flat));
            continue;
        }
        const size_t cut = ear != n ? ear : convex != n ? convex : 0;
        if (ear != n || convex != n)
            triangles.push_back({ring[(cut + n - 1) % n], ring[cut], ring[(cut + 1) % n]});
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    return triangles;
}

}  // namespace ToolGeometry
