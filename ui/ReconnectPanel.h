#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "CCNode.h"
#include "Theme.h"

namespace cocos2d {
class CCLabelTTF;
class CCLayerColor;
}  // namespace cocos2d

// The notice shown while the market connection is down: a light veil over the whole window and a
// centred card with a title and the seconds since the connection dropped, refreshed once a second.
// It takes no touches and no mouse events, so the charts under it keep working. It starts hidden.
// Main thread only.
class ReconnectPanel : public cocos2d::CCNode {
public:
    // Seconds since the epoch.
    using Clock = std::function<int64_t()>;

    static constexpr uint8_t VEIL_OPACITY = 110;
    static constexpr float CARD_WIDTH = 380;
    static constexpr float CARD_HEIGHT = 96;
    static constexpr float ACCENT_HEIGHT = 4;
    static constexpr cocos2d::ccColor3B CARD_COLOUR = PANEL_BACKGROUND;
    static constexpr cocos2d::ccColor3B ACCENT_COLOUR{255, 176, 32};
    static constexpr float FADE_SECONDS = 0.2f;
    static constexpr float REFRESH_SECONDS = 1.0f;

    // Sized to the director's window.
    static ReconnectPanel* create();

    // Replaces the clock every panel reads (null: the system clock again). For tests.
    static void setClock(Clock clock);
    static int64_t now();

    // The veil covers (0, 0, width, height); the card stays centred in it.
    void setWindowSize(float width, float height);
    // Shows the panel counting from disconnectedAtSeconds (epoch seconds; 0 or less: from now).
    // Showing it again while shown only restarts the count.
    void showPanel(int64_t disconnectedAtSeconds);
    // Fades the panel out; it stops counting at once.
    void hidePanel();
    bool isPanelShown() const { return shown_; }
    // Whole seconds since the drop while shown (never negative, also when the clock steps back); 0
    // while hidden.
    int64_t getElapsedSeconds() const;

    cocos2d::CCLayerColor* getVeil() const { return veil_; }
    cocos2d::CCLayerColor* getCard() const { return card_; }
    cocos2d::CCLabelTTF* getTitleLabel() const { return title_; }
    cocos2d::CCLabelTTF* getElapsedLabel() const { return elapsed_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    ReconnectPanel() = default;
    bool initPanel();

private:
    void refreshElapsedText();

    cocos2d::CCLayerColor* veil_ = nullptr;
    cocos2d::CCLayerColor* card_ = nullptr;
    cocos2d::CCLayerColor* accent_ = nullptr;
    cocos2d::CCLabelTTF* title_ = nullptr;
    cocos2d::CCLabelTTF* elapsed_ = nullptr;
    std::string elapsedText_ = "%d";
    int64_t disconnectedAt_ = 0;
    bool shown_ = false;
};
