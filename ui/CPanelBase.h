#pragma once

#include "CCLayerColor.h"
#include "PanelButton.h"

class FramePanelDelegate;

// The base of the frame bars around the chart area: a plain coloured layer, anchored at its bottom
// left, whose buttons play the hover sound (while sound is on) and then report their tag to
// onButton. The owner sizes it with setPanelSize, which lays the buttons out again. The delegate is
// not retained: the main scene owns the bars. Main thread only.
class CPanelBase : public cocos2d::CCLayerColor {
public:
    void setDelegate(FramePanelDelegate* delegate) { delegate_ = delegate; }
    FramePanelDelegate* getDelegate() const { return delegate_; }
    virtual void setPanelSize(const cocos2d::CCSize& size);
    // The button with tag, or null.
    PanelButton* getButtonByTag(int tag) const;

protected:
    CPanelBase() = default;
    bool initPanel(const cocos2d::CCSize& size);
    // The callback of the bar's buttons: the hover sound, then onButton with the button's tag.
    PanelButton::Callback buttonCallback();
    // Adds a button made with buttonCallback and gives it the tip of tipKey (may be null); passes a
    // null button through.
    PanelButton* addButton(PanelButton* button, const char* tipKey);
    virtual void onButton(int tag) = 0;
    // Places the buttons for the current size.
    virtual void layoutButtons() = 0;

private:
    FramePanelDelegate* delegate_ = nullptr;
};
