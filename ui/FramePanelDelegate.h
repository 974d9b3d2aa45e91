#pragma once

#include "CCGeometry.h"

// What the frame bars ask of the main scene. Main thread only.
class FramePanelDelegate {
public:
    virtual ~FramePanelDelegate() = default;

    // Bottom bar: the feedback upload and the settings pop-up.
    virtual void sendFeedback() = 0;
    virtual void showSettingPanel() = 0;
    // Left column: shows a hidden page of the left pane or hides a shown one (0 news, 1 quote list).
    virtual void toggleLeftPage(int page) = 0;
    // Left column: the layout chooser beside a point in world coordinates.
    virtual void openLayoutChooserAt(const cocos2d::CCPoint& at) = 0;
};
