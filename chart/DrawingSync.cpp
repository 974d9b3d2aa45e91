#include "DrawingSync.h"

#include <algorithm>

#include "CDebugModule.h"
#include "DrawingAnchors.h"
#include "DrawingBase.h"
#include "DrawingKLine.h"
#include "DrawingStore.h"
#include "DrawingTools.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
DrawingStore* sharedStore = nullptr;

template <typename T, size_t N>
int tableIndexOf(const T (&table)[N], const T& value) {
    for (size_t i = 0; i < N; ++i)
        if (table[i] == value) return static_cast<int>(i);
    return -1;
}
}  // namespace

void DrawingSync::setSharedStore(DrawingStore* store) {
    sharedStore = store;
}

DrawingStore* DrawingSync::getSharedStore() {
    return sharedStore;
}

DrawingSync::DrawingSync(DrawingKLine& chart) : chart_(chart) {}

DrawingSync::~DrawingSync() {
    // A store that is no longer the shared one may be gone already.
    if (listenedStore_ && listenedStore_ == sharedStore) listenedStore_->removeListener(listenToken_);
}

DrawingStore* DrawingSync::store() const {
    return symbol_.empty() ? nullptr : sharedStore;
}

long long DrawingSync::periodSeconds() const {
    return static_cast<long long>(chart_.getTimeType()) * 60;
}

void DrawingSync::listen() {
    DrawingStore* current = sharedStore;
    // A store that was replaced may be gone: its listener is left with it.
    if (current == listenedStore_ || !current) return;
    listenToken_ = current->addListener([this](const std::string& symbol, int ttype) {
        // Another view of this chart saved: take its list, unless this view is the writer.
        if (writing_ || symbol != symbol_ || ttype != chart_.getTimeType() || restorePending_) return;
        restore();
    });
    listenedStore_ = current;
}

void DrawingSync::setSymbol(const std::string& symbol) {
    if (symbol == symbol_) return;
    symbol_ = symbol;
    restorePending_ = true;
    listen();
}

void DrawingSync::seriesCleared() {
    restorePending_ = true;
}

void DrawingSync::barsArrived() {
    if (!restorePending_ || !store() || !chart_.getBarList() || chart_.getBarList()->empty()) return;
    restorePending_ = false;
    listen();
    restore();
}

void DrawingSync::restore() {
    DrawingStore* saved = store();
    if (!saved) return;
    std::vector<std::unique_ptr<DrawingBase>> tools;
    for (const DrawingRecord& record : saved->get(symbol_, chart_.getTimeType()))
        if (std::unique_ptr<DrawingBase> tool = makeTool(record)) tools.push_back(std::move(tool));
    chart_.replaceDrawings(std::move(tools));
}

std::unique_ptr<DrawingBase> DrawingSync::makeTool(const DrawingRecord& record) const {
    const KLineBarList* bars = chart_.getBarList();
    std::unique_ptr<DrawingBase> tool = createDrawingTool(record.type);
    if (!tool || !bars || bars->empty()) return nullptr;
    std::vector<DrawingControlPoint> points;
    for (const DrawingRecord::Point& saved : record.points) {
        const DrawingAnchor anchor = DrawingAnchors::resolveAnchor(*bars, saved.time, periodSeconds());
        if (!anchor.resolved) return nullptr;
        DrawingControlPoint point;
        point.bar = (*bars)[static_cast<size_t>(anchor.barPosition)].get();
        point.barOffset = anchor.barOffset;
        point.price = static_cast<float>(saved.price);
        points.push_back(point);
    }
    if (!tool->restorePoints(std::move(points))) {
        logWarn("drawings: a saved drawing of type %d does not fit its tool, skipped", record.type);
        return nullptr;
    }
    if (record.colourIndex >= 0)
        tool->setColorIndex(record.colourIndex);
    else
        tool->setColour({record.colour[0], record.colour[1], record.colour[2], record.colour[3]});
    if (record.widthIndex >= 0)
        tool->setWidthIndex(record.widthIndex);
    else
        tool->setLineWidth(record.lineWidth);
    tool->setLocked(record.locked);
    tool->setVisible(!record.hidden);
    if (tool->hasText()) tool->setText(record.text);
    return tool;
}

std::vector<DrawingRecord> DrawingSync::records() const {
    std::vector<DrawingRecord> list;
    for (const auto& tool : chart_.getDrawings()) {
        if (!tool->isComplete() || tool.get() == chart_.getCreatingTool()) continue;
        DrawingRecord record;
        record.type = tool->getType();
        const ccColor4F& colour = tool->getColour();
        record.colour[0] = colour.r;
        record.colour[1] = colour.g;
        record.colour[2] = colour.b;
        record.colour[3] = colour.a;
        // An index counts only when the tool shows that entry: the default colour is no entry.
        const int colourIndex = tool->getColorIndex();
        record.colourIndex =
            tableIndexOf(DrawingBase::COLOUR_TABLE, colour) == colourIndex ? colourIndex : -1;
        record.lineWidth = tool->getLineWidth();
        const int widthIndex = tool->getWidthIndex();
        record.widthIndex =
            tableIndexOf(DrawingBase::WIDTH_TABLE, tool->getLineWidth()) == widthIndex ? widthIndex : -1;
        record.locked = tool->isLocked();
        record.hidden = !tool->isVisible();
        if (tool->hasText()) record.text = tool->getText();
        bool anchored = true;
        for (const DrawingControlPoint& point : tool->getPoints()) {
            if (!point.bar) {
                anchored = false;
                break;
            }
            record.points.push_back(
                {DrawingAnchors::pointTime(*point.bar, point.barOffset, periodSeconds()), point.price});
        }
        if (anchored) list.push_back(std::move(record));
    }
    return list;
}

void DrawingSync::drawingsChanged() {
    DrawingStore* saved = store();
    // Nothing is saved before the view's drawings were restored: they would overwrite the file's.
    if (!saved || restorePending_) return;
    writing_ = true;
    saved->put(symbol_, chart_.getTimeType(), records());
    writing_ = false;
}

void DrawingSync::olderBarsInFront(int count) {
    const KLineBarList* bars = chart_.getBarList();
    if (count <= 0 || !bars || static_cast<size_t>(count) >= bars->size()) return;
    const KLineBar* oldFirst = (*bars)[static_cast<size_t>(count)].get();
    for (const auto& tool : chart_.getDrawings()) {
        if (!tool->isComplete()) continue;
        std::vector<DrawingControlPoint> points = tool->getPoints();
        bool moved = false;
        for (DrawingControlPoint& point : points) {
            if (point.bar != oldFirst || point.barOffset >= 0) continue;
            const long long time = DrawingAnchors::pointTime(*point.bar, point.barOffset, periodSeconds());
            const DrawingAnchor anchor = DrawingAnchors::resolveAnchor(*bars, time, periodSeconds());
            point.bar = (*bars)[static_cast<size_t>(anchor.barPosition)].get();
            point.barOffset = anchor.barOffset;
            moved = true;
        }
        if (moved) tool->restorePoints(std::move(points));
    }
}
