#pragma once

#include <array>
#include <vector>

#include "CCGeometry.h"
#include "ccTypes.h"

// Geometry shared by the drawing tools. Every result is finite for finite input: zero-length
// directions give no direction instead of a division by zero.
namespace ToolGeometry {

// How far rays and fan lines run beyond their anchor point, px.
inline constexpr float RAY_LENGTH = 99999.0f;
// The two strokes of an arrow head leave the tip at these angles to the shaft, radians.
inline constexpr float HEAD_ANGLE = 2.0f;

// The unit vector of v, or false when v has no length.
bool unitVector(const cocos2d::CCPoint& v, cocos2d::CCPoint& unit);
cocos2d::CCPoint rotated(const cocos2d::CCPoint& v, float radians);
// from + unit(through - from) x RAY_LENGTH; `through` itself when the two coincide.
cocos2d::CCPoint rayEnd(const cocos2d::CCPoint& from, const cocos2d::CCPoint& through);
// Strokes the two head lines (each `length` px) at tip, pointing along the shaft from tail to tip.
// Nothing when tail and tip coincide.
void drawHead(const cocos2d::CCPoint& tail, const cocos2d::CCPoint& tip, float length);
// The head's two stroke ends (false when tail and tip coincide).
bool headEnds(const cocos2d::CCPoint& tail, const cocos2d::CCPoint& tip, float length, cocos2d::CCPoint& left,
              cocos2d::CCPoint& right);

using Triangle = std::array<cocos2d::CCPoint, 3>;
// Ear clipping of a simple polygon (either winding): the triangles cover exactly its area.
// Self-intersecting or degenerate input still ends, after at most one step per corner, with finite
// triangles.
std::vector<Triangle> triangulate(const std::vector<cocos2d::CCPoint>& polygon);
// Signed area (positive counter-clockwise).
float signedArea(const std::vector<cocos2d::CCPoint>& polygon);

}  // namespace ToolGeometry
