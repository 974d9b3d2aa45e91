#include "DisplaySwitches.h"

#include "CDebugModule.h"
#include "UserData.h"

DisplaySwitches& DisplaySwitches::shared() {
    static DisplaySwitches switches;
    return switches;
}

bool DisplaySwitches::get(Switch which) {
    const UserData* settings = UserData::getInstance();
    switch (which) {
        case SHOW_BG:
            return settings->getShowBg();
        case SHOW_CROSS_POINT:
            return settings->getShowCrossPoint();
        case SHOW_GRID:
            return settings->getShowGrid();
        case INVERSE_RED_GREEN:
            return settings->getInverseRedGreen();
        default:
            return false;
    }
}

bool DisplaySwitches::set(Switch which, bool value, bool store) {
    UserData* settings = UserData::getInstance();
    switch (which) {
        case SHOW_BG:
            settings->setShowBg(value);
            break;
        case SHOW_CROSS_POINT:
            settings->setShowCrossPoint(value);
            break;
        case SHOW_GRID:
            settings->setShowGrid(value);
            break;
        case INVERSE_RED_GREEN:
            settings->setInverseRedGreen(value);
            break;
        default:
            logWarn("display switch %d does not exist", static_cast<int>(which));
            return false;
    }
    bindings_.notify();
    if (store && !settings->saveSettings()) logWarn("display switch %d not saved", static_cast<int>(which));
    return true;
}
