#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class KLineBar;
// The same alias as in ChartGrid.h, without the grid.
using KLineBarList = std::vector<std::unique_ptr<KLineBar>>;

// Where a saved point lands on a series: a bar and whole bar periods beyond it (negative before the
// first bar, positive after the last, 0 on a bar).
struct DrawingAnchor {
    bool resolved = false;  // false for an empty series
    int barPosition = 0;    // index into the bar list
    int barOffset = 0;
};

// Converting between a tool's anchor (bar, barOffset) and the absolute time a drawing is saved with.
// Pure functions of their arguments; any thread.
namespace DrawingAnchors {
// The bar's time plus barOffset periods, in 64 bits (saturated rather than wrapped).
int64_t pointTime(const KLineBar& bar, int barOffset, int64_t periodSeconds);

// Inside the series: the bar of that time, or the last one before it. After the last bar: the last
// bar and the nearest whole number of periods beyond it; before the first bar: the first bar and a
// negative offset, so that the point finds its real bar once older history is put in front. A period
// of 0 or less puts points outside the series on the end bar itself.
DrawingAnchor resolveAnchor(const KLineBarList& bars, int64_t time, int64_t periodSeconds);
}  // namespace DrawingAnchors
