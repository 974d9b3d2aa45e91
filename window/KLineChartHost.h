#pragma once

#include <string>

class KLineBar;

// What a bar series and its history loader need of the chart window that owns them and of the
// chart view that shows them. The window implements it (passing the view's part on to its view);
// tests implement it with a double. Every call comes on the main thread.
class KLineChartHost {
public:
    virtual ~KLineChartHost() = default;

    // --- chart view ---
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
    virtual void setViewTimeType(int ttype) = 0;
    virtual void setViewBollPeriodIndex(int index) = 0;
    // The series was emptied: drop everything drawn of it.
    virtual void clearView() = 0;

    // --- chart window ---
    // The price label shows this bar's close.
    virtual void updatePriceLabel(const KLineBar& newest) = 0;
    // The linked quote-list button redraws its small chart.
    virtual void redrawLinkedButton() = 0;
    // The price label, the chart view and the linked button take the new colour convention.
    virtual void setRiseGreenConvention(bool riseGreen) = 0;
    // The title shows the current instrument and time type.
    virtual void updateTitle() = 0;
    // A piece of week history was merged (the main scene may now dismiss the connecting screen).
    virtual void weekHistoryMerged() = 0;
    // The history server to send the next history-list request to (the main scene draws one at
    // random from its list); empty means the built-in one.
    virtual std::string getKlineHistoryServer() = 0;
};
