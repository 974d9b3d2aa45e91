#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
}

// The time-zone chooser: a 290 x 225 pop-up on (23, 27, 41) with one row per zone of the display
// time zone service, each with its flag, its name (language key "country<i>", following the
// language) and that city's current time, ticking. A click on a row hides the panel and reports the
// row's index; the caller chooses the zone (DisplayTimeZone::choose), so every chooser and clock
// follows one source. The chosen zone's row is marked. Main thread only.
class TimeZoomPanel : public PopuPanelBase {
public:
    static constexpr float WIDTH = 290;
    static constexpr float HEIGHT = 225;
    using Chosen = std::function<void(int index)>;

    // Null when a row cannot be made.
    static TimeZoomPanel* create(Chosen chosen);

    // A row's centre in the panel's own coordinates; index 0-6.
    cocos2d::CCPoint rowCentre(int index) const;
    // The texts a row shows now, for tests.
    std::string rowName(int index) const;
    std::string rowTime(int index) const;
    // Marks the chosen zone's row and refreshes the times.
    void show() override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    TimeZoomPanel() = default;
    bool initChooser(Chosen chosen);

private:
    void onRow(int index);
    void refreshTimes();
    void markChosen();

    Chosen chosen_;
    std::vector<class PanelToggleButton*> rows_;
    std::vector<cocos2d::CCLabelTTF*> names_;
    std::vector<cocos2d::CCLabelTTF*> times_;
};
