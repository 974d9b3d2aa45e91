#pragma once

#include <algorithm>
#include <cmath>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Points and sizes are in node pixels, origin bottom left, y up.
struct CCPoint {
    float x = 0;
    float y = 0;
    constexpr CCPoint() = default;
    constexpr CCPoint(float px, float py) : x(px), y(py) {}
    CCPoint operator+(const CCPoint& o) const { return {x + o.x, y + o.y}; }
    CCPoint operator-(const CCPoint& o) const { return {x - o.x, y - o.y}; }
    CCPoint operator-() const { return {-x, -y}; }
    CCPoint operator*(float s) const { return {x * s, y * s}; }
    bool operator==(const CCPoint& o) const { return x == o.x && y == o.y; }
    bool equals(const CCPoint& o) const { return *this == o; }
    float getLength() const { return std::sqrt(x * x + y * y); }
    float getDistance(const CCPoint& o) const { return (*this - o).getLength(); }
};

struct CCSize {
    float width = 0;
    float height = 0;
    constexpr CCSize() = default;
    constexpr CCSize(float w, float h) : width(w), height(h) {}
    bool operator==(const CCSize& o) const { return width == o.width && height == o.height; }
    bool equals(const CCSize& o) const { return *this == o; }
};

struct CCRect {
    CCPoint origin;
    CCSize size;
    constexpr CCRect() = default;
    constexpr CCRect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    float getMinX() const { return origin.x; }
    float getMaxX() const { return origin.x + size.width; }
    float getMidX() const { return origin.x + size.width / 2; }
    float getMinY() const { return origin.y; }
    float getMaxY() const { return origin.y + size.height; }
    float getMidY() const { return origin.y + size.height / 2; }
    bool operator==(const CCRect& o) const { return origin == o.origin && size == o.size; }
    bool equals(const CCRect& o) const { return *this == o; }
    bool containsPoint(const CCPoint& p) const {
        return p.x >= getMinX() && p.x <= getMaxX() && p.y >= getMinY() && p.y <= getMaxY();
    }
    bool intersectsRect(const CCRect& r) const {
        return !(getMaxX() < r.getMinX() || r.getMaxX() < getMinX() || getMaxY() < r.getMinY() ||
                 r.getMaxY() < getMinY());
    }
};

inline CCPoint ccp(float x, float y) {
    return CCPoint(x, y);
}
inline CCPoint ccpAdd(const CCPoint& a, const CCPoint& b) {
    return a + b;
}
inline CCPoint ccpSub(const CCPoint& a, const CCPoint& b) {
    return a - b;
}
inline CCPoint ccpMult(const CCPoint& a, float s) {
    return a * s;
}
inline float ccpDistance(const CCPoint& a, const CCPoint& b) {
    return a.getDistance(b);
}
inline CCSize CCSizeMake(float w, float h) {
    return CCSize(w, h);
}
inline CCRect CCRectMake(float x, float y, float w, float h) {
    return CCRect(x, y, w, h);
}

inline constexpr CCPoint CCPointZero{0, 0};
inline constexpr CCSize CCSizeZero{0, 0};
inline constexpr CCRect CCRectZero{0, 0, 0, 0};

// 2D affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct CCAffineTransform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

inline constexpr CCAffineTransform CCAffineTransformIdentity{};

inline CCPoint CCPointApplyAffineTransform(const CCPoint& p, const CCAffineTransform& t) {
    return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

// Applies t1 first, then t2.
inline CCAffineTransform CCAffineTransformConcat(const CCAffineTransform& t1, const CCAffineTransform& t2) {
    return {t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
            t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
            t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}

inline CCAffineTransform CCAffineTransformInvert(const CCAffineTransform& t) {
    float det = t.a * t.d - t.b * t.c;
    if (det == 0) return CCAffineTransformIdentity;  // a node scaled to zero has no inverse; keep it usable
    float inv = 1.0f / det;
    return {inv * t.d,
            -inv * t.b,
            -inv * t.c,
            inv * t.a,
            inv * (t.c * t.ty - t.d * t.tx),
            inv * (t.b * t.tx - t.a * t.ty)};
}

inline CCRect CCRectApplyAffineTransform(const CCRect& r, const CCAffineTransform& t) {
    CCPoint p[4] = {CCPointApplyAffineTransform({r.getMinX(), r.getMinY()}, t),
                    CCPointApplyAffineTransform({r.getMaxX(), r.getMinY()}, t),
                    CCPointApplyAffineTransform({r.getMinX(), r.getMaxY()}, t),
                    CCPointApplyAffineTransform({r.getMaxX(), r.getMaxY()}, t)};
    float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
    for (const CCPoint& q : p) {
        minX = std::min(minX, q.x);
        maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y);
        maxY = std::max(maxY, q.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

NS_CC_END
