#pragma once

class KLineBar;

// What a bar series and its history loader need of the chart view that shows the bars: the view's
// part of their host (KLineChartHost is the window's part). The chart view implements it; tests
// implement it with a double. Every call comes on the main thread.
class KLineChartView {
public:
    virtual ~KLineChartView() = default;

    // The horizontal scroll offset: above 0 when the oldest bar stands right of the view's left edge.
    virtual float getScrollOffset() const = 0;
    // Tint of the loading sprite: white while loading, (250, 0, 0) once history is complete.
    virtual void setLoadingTint(unsigned char red, unsigned char green, unsigned char blue) = 0;
    // Bar positions changed: forget what was cached of them.
    virtual void dropCachedPositions() = 0;
    // Forget the labels built for the bars.
    virtual void clearLabelDictionary() = 0;
    // Stop inertial scrolling, re-apply the bar width and, when there are bars, scroll so that the
    // newest stands at 80 % of the view's width.
    virtual void showNewestBars() = 0;
    // Stop inertial scrolling and move the scroll offset left by newCount bar spacings, so that
    // newCount bars put in front of the series appear off-screen to the left.
    virtual void keepVisibleBars(int newCount) = 0;
    // One bar changed or was added by a live update.
    virtual void barChanged(KLineBar* bar, bool isNew) = 0;
    // The time type value (minutes) now shown.
    virtual void setTimeType(int minutes) = 0;
    virtual void setIndicatorPeriodIndex(int index) = 0;
    // The series was emptied: drop everything drawn of it.
    virtual void clearSeries() = 0;
};
