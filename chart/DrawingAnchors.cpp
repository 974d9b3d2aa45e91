#include "DrawingAnchors.h"

#include <algorithm>
#include <limits>

#include "KLineBar.h"

namespace {
constexpr int64_t TIME_MAX = std::numeric_limits<int64_t>::max();
constexpr int64_t TIME_MIN = std::numeric_limits<int64_t>::min();

// distance / period rounded to the nearest whole number, capped to an int.
int wholePeriods(uint64_t distance, int64_t period) {
    if (period <= 0) return 0;
    const auto step = static_cast<uint64_t>(period);
    uint64_t periods = distance / step;
    if ((distance % step) * 2 >= step) ++periods;
    return static_cast<int>(std::min<uint64_t>(periods, std::numeric_limits<int>::max()));
}
}  // namespace

namespace DrawingAnchors {
int64_t pointTime(const KLineBar& bar, int barOffset, int64_t periodSeconds) {
    int64_t shift;
    if (__builtin_mul_overflow(static_cast<int64_t>(barOffset), periodSeconds, &shift)) {
        shift = (barOffset < 0) == (periodSeconds < 0) ? TIME_MAX : TIME_MIN;
    }
    int64_t time;
    if (__builtin_add_overflow(static_cast<int64_t>(bar.time), shift, &time)) time = TIME_MAX;
    return time;
}

DrawingAnchor resolveAnchor(const KLineBarList& bars, int64_t time, int64_t periodSeconds) {
    DrawingAnchor anchor;
    if (bars.empty()) return anchor;
    anchor.resolved = true;
    const int64_t first = bars.front()->time;
    const int64_t last = bars.back()->time;
    if (time < first) {
        anchor.barOffset =
            -wholePeriods(static_cast<uint64_t>(first) - static_cast<uint64_t>(time), periodSeconds);
        return anchor;
    }
    if (time > last) {
        anchor.barPosition = static_cast<int>(bars.size() - 1);
        anchor.barOffset = wholePeriods(static_cast<uint64_t>(time - last), periodSeconds);
        return anchor;
    }
    const auto after = std::upper_bound(bars.begin(), bars.end(), time,
                                        [](int64_t value, const std::unique_ptr<KLineBar>& bar) {
                                            return value < static_cast<int64_t>(bar->time);
                                        });
    anchor.barPosition = static_cast<int>(after - bars.begin()) - 1;
    return anchor;
}
}  // namespace DrawingAnchors
