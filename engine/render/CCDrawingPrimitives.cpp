#include "CCDrawingPrimitives.h"

#include <cmath>
#include <vector>

NS_CC_BEGIN

namespace {
CCRenderer* renderer() {
    return CCRenderer::current();
}
constexpr unsigned int MAX_SEGMENTS = 4096;
}  // namespace

void ccDrawColor4F(float r, float g, float b, float a) {
    if (CCRenderer* rr = renderer()) rr->setDrawColor({r, g, b, a});
}

void ccDrawColor4B(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    ccDrawColor4F(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

void ccLineWidth(float width) {
    if (CCRenderer* r = renderer()) r->setLineWidth(width);
}

void ccPointSize(float size) {
    if (CCRenderer* r = renderer()) r->setPointSize(size);
}

void ccGLEnableBlend(bool enabled) {
    if (CCRenderer* r = renderer()) r->setBlendEnabled(enabled);
}

void ccGLBlendFunc(int source, int destination) {
    if (CCRenderer* r = renderer()) r->setBlendFunc(source, destination);
}

void ccGLEnableLineSmooth(bool enabled) {
    if (CCRenderer* r = renderer()) r->setLineSmooth(enabled);
}

void ccGLEnablePointSmooth(bool enabled) {
    if (CCRenderer* r = renderer()) r->setPointSmooth(enabled);
}

void ccGLResetState() {
    if (CCRenderer* r = renderer()) r->resetState();
}

void ccDrawPoint(const CCPoint& point) {
    ccDrawPoints(&point, 1);
}

void ccDrawPoints(const CCPoint* points, unsigned int count) {
    if (CCRenderer* r = renderer()) r->drawPoints(points, count);
}

void ccDrawLine(const CCPoint& origin, const CCPoint& destination) {
    if (CCRenderer* r = renderer()) r->drawLine(origin, destination);
}

void ccDrawLines(const CCPoint* points, unsigned int count) {
    if (CCRenderer* r = renderer()) r->drawLines(points, count);
}

void ccDrawRect(const CCPoint& origin, const CCPoint& destination) {
    CCPoint pts[4] = {origin, {destination.x, origin.y}, destination, {origin.x, destination.y}};
    ccDrawPoly(pts, 4, true);
}

void ccDrawSolidRect(const CCPoint& origin, const CCPoint& destination, const ccColor4F& color) {
    if (CCRenderer* r = renderer()) r->drawSolidRect(origin, destination, color);
}

void ccDrawPoly(const CCPoint* points, unsigned int count, bool closed) {
    if (CCRenderer* r = renderer()) r->drawPolyline(points, count, closed);
}

void ccDrawSolidPoly(const CCPoint* points, unsigned int count, const ccColor4F& color) {
    if (CCRenderer* r = renderer()) r->drawSolidPolygon(points, count, color);
}

void ccDrawCircle(const CCPoint& center, float radius, float angle, unsigned int segments,
                  bool drawLineToCenter, float scaleX, float scaleY) {
    if (segments < 3) segments = 3;
    if (segments > MAX_SEGMENTS) segments = MAX_SEGMENTS;
    std::vector<CCPoint> pts;
    pts.reserve(segments + 1);
    float step = 2.0f * static_cast<float>(M_PI) / static_cast<float>(segments);
    for (unsigned int i = 0; i < segments; ++i) {
        float a = angle + step * static_cast<float>(i);
        pts.push_back({center.x + radius * std::cos(a) * scaleX, center.y + radius * std::sin(a) * scaleY});
    }
    // With the line to the centre, the outline closes through the centre.
    if (drawLineToCenter) pts.push_back(center);
    ccDrawPoly(pts.data(), static_cast<unsigned int>(pts.size()), true);
}

void ccDrawSolidCircle(const CCPoint& center, float radius, unsigned int segments, const ccColor4F& color) {
    if (segments < 3) segments = 3;
    if (segments > MAX_SEGMENTS) segments = MAX_SEGMENTS;
    std::vector<CCPoint> pts;
    float step = 2.0f * static_cast<float>(M_PI) / static_cast<float>(segments);
    for (unsigned int i = 0; i < segments; ++i) {
        float a = step * static_cast<float>(i);
        pts.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a)});
    }
    ccDrawSolidPoly(pts.data(), segments, color);
}

void ccDrawQuadBezier(const CCPoint& origin, const CCPoint& control, const CCPoint& destination,
                      unsigned int segments) {
    if (segments < 1) segments = 1;
    if (segments > MAX_SEGMENTS) segments = MAX_SEGMENTS;
    std::vector<CCPoint> pts;
    for (unsigned int i = 0; i <= segments; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(segments);
        float u = 1 - t;
        pts.push_back({u * u * origin.x + 2 * u * t * control.x + t * t * destination.x,
                       u * u * origin.y + 2 * u * t * control.y + t * t * destination.y});
    }
    ccDrawPoly(pts.data(), static_cast<unsigned int>(pts.size()), false);
}

void ccDrawCubicBezier(const CCPoint& origin, const CCPoint& control1, const CCPoint& control2,
                       const CCPoint& destination, unsigned int segments) {
    if (segments < 1) segments = 1;
    if (segments > MAX_SEGMENTS) segments = MAX_SEGMENTS;
    std::vector<CCPoint> pts;
    for (unsigned int i = 0; i <= segments; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(segments);
        float u = 1 - t;
        float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        pts.push_back({a * origin.x + b * control1.x + c * control2.x + d * destination.x,
                       a * origin.y + b * control1.y + c * control2.y + d * destination.y});
    }
    ccDrawPoly(pts.data(), static_cast<unsigned int>(pts.size()), false);
}

void ccPushScissor(const CCRect& windowRect) {
    if (CCRenderer* r = renderer()) r->pushScissor(windowRect);
}

void ccPopScissor() {
    if (CCRenderer* r = renderer()) r->popScissor();
}

bool ccIsScissorEnabled() {
    CCRenderer* r = renderer();
    return r && r->isScissorEnabled();
}

CCRect ccGetScissorRect() {
    CCRenderer* r = renderer();
    return r ? r->getScissorRect() : CCRectZero;
}

void kmGLPushMatrix() {
    if (CCRenderer* r = renderer()) r->pushMatrix();
}

void kmGLPopMatrix() {
    if (CCRenderer* r = renderer()) r->popMatrix();
}

void kmGLLoadIdentity() {
    if (CCRenderer* r = renderer()) r->loadIdentity();
}

void kmGLTranslatef(float x, float y, float) {
    if (CCRenderer* r = renderer()) r->translate(x, y);
}

void kmGLScalef(float x, float y, float) {
    if (CCRenderer* r = renderer()) r->scale(x, y);
}

void kmGLMultAffine(const CCAffineTransform& transform) {
    if (CCRenderer* r = renderer()) r->multMatrix(transform);
}

NS_CC_END
