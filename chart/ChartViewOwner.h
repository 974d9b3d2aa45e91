#pragma once

class DrawingBase;
class KLineBar;

// What the chart view and its indicator panes ask of the chart window that hosts them (and, through
// it, of the main scene). A view without an owner (the connecting screen's decorative chart, tests)
// skips these calls. Every call comes on the main thread.
class ChartViewOwner {
public:
    virtual ~ChartViewOwner() = default;

    // The hover read-out shows this bar; null hides it.
    virtual void showBarInfo(const KLineBar* bar) = 0;
    virtual bool isActiveWindow() const = 0;
    // Makes this window the main scene's active one.
    virtual void activateWindow() = 0;
    // A double click: the main scene shows (or hides) the crosshair in every chart window and stores
    // the choice in the user settings.
    virtual void setCrosshairInAllWindows(bool show) = 0;
    // The oldest bar is on screen: schedule the step that loads older history.
    virtual void loadOlderHistory() = 0;
    // A drawing tool got its last point: the tool picker drops its pressed tool.
    virtual void drawingToolPlaced() = 0;
    // A text tool wants its text typed: open the input for it; the view's finishTextEdit ends it.
    virtual void openDrawingTextInput(DrawingBase* /*tool*/) {}
    // A drawing was placed, moved, edited or deleted (not on every pointer move): save the list.
    virtual void drawingsChanged() {}
    // The time under the pointer changed (0: the pointer left the chart); only on a change.
    virtual void crosshairTimeChanged(long long /*time*/) {}
    // Price alerts: one placed at a price, one dragged to a new price, one's close box clicked.
    virtual void alertPlaced(double /*price*/) {}
    virtual void alertMoved(int /*id*/, double /*price*/) {}
    virtual void alertRemoved(int /*id*/) {}
    // A pane's close button: remove the indicator with this type id.
    virtual void removeIndicator(int type) = 0;
    // A pane border was dragged: lay the panes out again from their new heights.
    virtual void layoutPanes() = 0;
};
