#pragma once

#include "DrawingLine.h"

// A filled ellipse (id 7) centred between P0 and P1, its first semi-axis a reaching P1 (rotated
// with it) and its second semi-axis b the distance of P2 from the centre. Dragging P0 or P1 keeps
// the ratio b / a; dragging P2 sets b again.
class DrawingCircle : public DrawingLine {
public:
    static constexpr int TYPE = 7;
    static constexpr int SEGMENTS = 72;
    static constexpr cocos2d::ccColor4F FILL{0.7f, 0.1f, 0.1f, 0.2f};

    DrawingCircle() : DrawingLine(TYPE, 3) {}
    void refreshGeometry(bool xChanged) override;
    void onPointsChanged(DrawingControlPoint* handle) override;

    // The outline of the last refresh (empty until all three points exist or while a and b are 0).
    const std::vector<cocos2d::CCPoint>& getOutline() const { return outline_; }

protected:
    void drawShape() override;
    void onRestored() override { bFromP2_ = true; }

private:
    // b follows P2 until P0 or P1 is dragged; then it keeps its ratio to a.
    bool bFromP2_ = true;
    float ratio_ = 1;
    std::vector<cocos2d::CCPoint> outline_;
};
