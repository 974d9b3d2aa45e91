#pragma once

#include <string>

#include "DrawingLine.h"
#include "ToolLabel.h"

// A horizontal double arrow at the middle height of P0 and P1 with the bar count and the time
// between them (id 10), e.g. "90 bars, 1h 30m", on a frame under the lower point.
class DrawingDataRange : public DrawingLine {
public:
    static constexpr int TYPE = 10;
    static constexpr float HEAD_LENGTH = 12.0f;
    static constexpr float TEXT_GAP = 3.0f;

    DrawingDataRange() : DrawingLine(TYPE, 2) {}
    void refreshGeometry(bool xChanged) override;
    const ToolLabel& getLabel() const { return label_; }

    // The measurement between two anchored points with bars of timeType minutes; false while either
    // lacks its bar. Times are unsigned: the difference is taken in 64 bits, and a zero span reads
    // "0 bars".
    static bool measure(const DrawingControlPoint& p0, const DrawingControlPoint& p1, int timeType,
                        std::string& text);

protected:
    void drawShape() override;

private:
    ToolLabel label_{true};
    uint64_t textAnchors_ = 0;
};
