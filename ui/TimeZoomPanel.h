#pragma once

#include <functional>
#include <vector>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
}

// The time-zone chooser: a 290 x 225 pop-up on (23, 27, 41) with one row per zone of the display
// time zone service, each with its flag, its name (language key "country<i>", following the
// language) and that city's current time, ticking while shown. A click on a row hides the panel
// and reports the row's index; the caller chooses the zone (DisplayTimeZone::choose), so every
// chooser and clock follows one source. Main thread only.
class TimeZoomPanel : public PopuPanelBase {
public:
    static constexpr float WIDTH = 290;
    static constexpr float HEIGHT = 225;
    using Chosen = std::function<void(int index)>;

    static TimeZoomPanel* create(Chosen chosen);

    // The row's world rectangle centre, for tests and pointer scripts; index 0-6.
    cocos2d::CCPoint rowCentre(int index) const;
    // The texts a row shows now (name, time), for tests.
    std::string rowName(int index) const;
    std::string rowTime(int index) const;

    void show() override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    TimeZoomPanel() = default;
    bool initChooser(Chosen chosen);
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

private:
    int rowAt(const cocos2d::CCPoint& world) const;
    void refreshTimes();

    Chosen chosen_;
    std::vector<cocos2d::CCLabelTTF*> names_;
    std::vector<cocos2d::CCLabelTTF*> times_;
    int pressedRow_ = -1;
};
