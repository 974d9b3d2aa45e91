#pragma once

#include <string>

#include "CCGeometry.h"

namespace cocos2d {
class CCNode;
}

// What the update client needs of the connecting screen, so that update/ stays independent of app/.
// Main thread only.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    // The version check is over; fromUpdateDialog: the user skipped an optional update.
    virtual void finishConnecting(bool fromUpdateDialog) = 0;
    // Shows or hides the loading display (status text and dots).
    virtual void setLoadingVisible(bool visible) = 0;
    // A short message; it must work before the main scene exists.
    virtual void showToast(const std::string& text) = 0;
    // The node the dialog goes on, and the point it is centred at.
    virtual cocos2d::CCNode* dialogParent() = 0;
    virtual cocos2d::CCPoint dialogCentre() = 0;
};
