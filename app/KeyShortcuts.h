#pragma once

class StockButtonPanel;
class WindowPool;

// The main scene's keys, read from the platform's key state once per frame, in this priority: Down
// and Up zoom the selected chart out and in, Left and Right scroll it; otherwise a digit picks a
// window by its strip button (1-9) or the selected one again (0), once per press. The pool and
// strip outlive this object. Main thread only.
class KeyShortcuts {
public:
    KeyShortcuts(WindowPool& pool, StockButtonPanel* strip) : pool_(pool), strip_(strip) {}

    // One frame's keys; the pool must have a selected window.
    void handleKeys();
    // The key code of the digit held down, -1 when none.
    int lastDigitKey() const { return lastDigitKey_; }

private:
    void handleDigit(int digit);

    WindowPool& pool_;
    StockButtonPanel* strip_ = nullptr;
    int lastDigitKey_ = -1;
};
