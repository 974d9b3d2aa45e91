#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DrawingRecord.h"

class DrawingBase;
class DrawingKLine;
class DrawingStore;

// Keeps the drawings of one chart view and the saved drawings of its chart (instrument and time type)
// in step. The view's list is replaced from the store once its series has bars (after a start, an
// instrument or a time-type switch), saved after every finished change, and reloaded when another
// view of the same chart saved its own. Points are kept as times: a point before the first bar finds
// its real bar when older history is put in front. Without a shared store nothing is saved.
// Owned by the chart view. Main thread only.
class DrawingSync {
public:
    // The store every view uses (not owned); null stops saving. Views made earlier drop it too.
    static void setSharedStore(DrawingStore* store);
    static DrawingStore* getSharedStore();

    explicit DrawingSync(DrawingKLine& chart);
    ~DrawingSync();
    DrawingSync(const DrawingSync&) = delete;
    DrawingSync& operator=(const DrawingSync&) = delete;

    // The instrument the view shows; the time type is the view's.
    void setSymbol(const std::string& symbol);
    // The view's series was emptied: its drawings come back with the new bars.
    void seriesCleared();
    // The series has (new) bars: restores the drawings when they are due.
    void barsArrived();
    // count bars were put in front of the series.
    void olderBarsInFront(int count);
    // A drawing was placed, moved, edited or deleted.
    void drawingsChanged();

    // The view's drawings as saved (for tests and the store).
    std::vector<DrawingRecord> records() const;

private:
    DrawingStore* store() const;
    void listen();
    void restore();
    long long periodSeconds() const;
    std::unique_ptr<DrawingBase> makeTool(const DrawingRecord& record) const;

    DrawingKLine& chart_;
    std::string symbol_;
    bool restorePending_ = true;
    bool writing_ = false;
    DrawingStore* listenedStore_ = nullptr;
    int listenToken_ = 0;
};
