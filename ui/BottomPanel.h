#pragma once

#include <functional>

#include "CPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d
class PanelToggleButton;
class TimeZoomPanel;

// The bar along the bottom of the window: feedback (tag 1), full screen (2), sound (3), settings (4)
// and the time-zone button (5) with the display zone's flag and a ticking clock. Every click logs
// "bottom panel callback:%d". The full-screen and sound images follow the real state: the view's
// (also when the desktop leaves full screen on its own, checked every frame) and the process-wide
// sound switch. The zone chooser is made on first use as a sibling of the bar (the bar must have a
// parent by then). Main thread only.
class BottomPanel : public CPanelBase {
public:
    static constexpr float HEIGHT = 30;
    static constexpr int Z_ORDER = 50;
    static constexpr int FEEDBACK_TAG = 1;
    static constexpr int FULL_SCREEN_TAG = 2;
    static constexpr int SOUND_TAG = 3;
    static constexpr int SETTING_TAG = 4;
    static constexpr int TIME_ZONE_TAG = 5;
    static constexpr float ZONE_BUTTON_WIDTH = 230;
    // The zone button's centre is this far from the right edge.
    static constexpr float ZONE_BUTTON_RIGHT_INSET = 150;
    static constexpr int Z_ZONE_CHOOSER = 128;
    static constexpr const char* CLOCK_FORMAT = "%Y-%m-%d %H:%M:%S";

    // How the bar reaches the window's full-screen state; the engine view unless a test gives its own.
    struct ScreenMode {
        std::function<bool()> isFullscreen;
        std::function<void()> enter;
        std::function<void()> exit;
    };
    static ScreenMode viewScreenMode();

    static BottomPanel* create(float width, ScreenMode screen = viewScreenMode());
    ~BottomPanel() override;

    // Shows the view's full-screen state on its button.
    void refreshScreenState();
    // Shows the sound switch on its button.
    void refreshSoundState();
    bool showsFullscreen() const;
    bool showsSound() const;
    // Null until the zone button was first clicked.
    TimeZoomPanel* getZoneChooser() const { return zoneChooser_; }
    cocos2d::CCSprite* getZoneFlag() const { return zoneFlag_; }
    cocos2d::CCLabelTTF* getClockLabel() const { return clockLabel_; }
    // The image name the zone flag shows.
    const std::string& getZoneFlagImage() const { return zoneFlagImage_; }

    void update(float dt) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    BottomPanel() = default;
    bool initBottom(float width, ScreenMode screen);
    void onButton(int tag) override;
    void layoutButtons() override;

private:
    PanelToggleButton* toggle(int tag) const;
    void toggleFullscreen();
    void toggleSound();
    void openZoneChooser();
    void showZone();

    ScreenMode screen_;
    cocos2d::CCLabelTTF* feedbackCaption_ = nullptr;
    cocos2d::CCSprite* zoneFlag_ = nullptr;
    cocos2d::CCLabelTTF* clockLabel_ = nullptr;
    std::string zoneFlagImage_;
    TimeZoomPanel* zoneChooser_ = nullptr;
};
