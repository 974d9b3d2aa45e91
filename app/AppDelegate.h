#pragma once

#include "CCApplication.h"

namespace cocos2d {
class CCEGLView;
}

// The terminal's application object: start-up and the window's life-cycle events.
// Main thread only.
class AppDelegate : public cocos2d::CCApplication {
public:
    static constexpr const char* WINDOW_TITLE = "Zento行情 beta 1.0";
    // These match the installed menu entry "zento.desktop" (its StartupWMClass and Icon).
    static constexpr const char* WINDOW_CLASS = "Zento";
    static constexpr const char* DESKTOP_ID = "zento";
    static constexpr const char* WINDOW_ICON_FILE = "res/icon/zento.png";
    static constexpr int FRAME_WIDTH = 900;
    static constexpr int FRAME_HEIGHT = 600;
    static constexpr int MIN_FRAME_WIDTH = 680;
    static constexpr int MIN_FRAME_HEIGHT = 520;
    static constexpr int CONNECTING_LAYER_Z = 999;
    static constexpr int CONNECTING_LAYER_TAG = 27843;

    AppDelegate() = default;
    ~AppDelegate() override = default;

    bool applicationDidFinishLaunching() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void onWindowResized(int sizeType, int width, int height) override;
    void applicationWillClose() override;
    void setWindowActive(bool active) override;

    // Loads the sprite sheet and sets the design scale from the window size.
    void initDirector();
    // Title, frame size and smallest size of the main window, as the program entry sets them.
    static void configureView(cocos2d::CCEGLView* view);

private:
    bool firstResize_ = true;
};
