#pragma once

#include "CCGeometry.h"
#include "CCRenderer.h"
#include "ccTypes.h"

// Immediate drawing in the current node's space, through the current renderer (a no-op when there
// is none, as in headless runs without a recorder). State set here (colour, width, blending,
// smoothing) stays until changed; ccGLResetState restores the defaults. Main thread only, inside draw().

NS_CC_BEGIN

void ccDrawColor4F(float r, float g, float b, float a);
void ccDrawColor4B(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// Line width in pixels (what glLineWidth sets).
void ccLineWidth(float width);
void ccPointSize(float size);
void ccGLEnableBlend(bool enabled);
void ccGLBlendFunc(int source, int destination);
void ccGLEnableLineSmooth(bool enabled);
void ccGLEnablePointSmooth(bool enabled);
void ccGLResetState();

void ccDrawPoint(const CCPoint& point);
void ccDrawPoints(const CCPoint* points, unsigned int count);
void ccDrawLine(const CCPoint& origin, const CCPoint& destination);
// Independent segments: points 0-1, 2-3, ...
void ccDrawLines(const CCPoint* points, unsigned int count);
void ccDrawRect(const CCPoint& origin, const CCPoint& destination);
void ccDrawSolidRect(const CCPoint& origin, const CCPoint& destination, const ccColor4F& color);
void ccDrawPoly(const CCPoint* points, unsigned int count, bool closed);
// Convex polygons only.
void ccDrawSolidPoly(const CCPoint* points, unsigned int count, const ccColor4F& color);
void ccDrawCircle(const CCPoint& center, float radius, float angle, unsigned int segments,
                  bool drawLineToCenter, float scaleX = 1, float scaleY = 1);
void ccDrawSolidCircle(const CCPoint& center, float radius, unsigned int segments, const ccColor4F& color);
void ccDrawQuadBezier(const CCPoint& origin, const CCPoint& control, const CCPoint& destination,
                      unsigned int segments);
void ccDrawCubicBezier(const CCPoint& origin, const CCPoint& control1, const CCPoint& control2,
                       const CCPoint& destination, unsigned int segments);

// Scissor in window pixels with the nesting rule of CCRenderer::pushScissor.
void ccPushScissor(const CCRect& windowRect);
void ccPopScissor();
bool ccIsScissorEnabled();
CCRect ccGetScissorRect();

// The matrix stack.
void kmGLPushMatrix();
void kmGLPopMatrix();
void kmGLLoadIdentity();
void kmGLTranslatef(float x, float y, float z);
void kmGLScalef(float x, float y, float z);
void kmGLMultAffine(const CCAffineTransform& transform);

NS_CC_END
