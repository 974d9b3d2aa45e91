#pragma once

#include <vector>

#include "CCSprite.h"
#include "CCTouchDelegate.h"

namespace cocos2d {
class CCLayerColor;
}
class PanelButton;

// The base of the terminal's pop-ups: a coloured, slightly transparent rectangle that pops up with a
// short scale animation, can dim the main scene behind it (modal) and swallows touches on itself.
// Its buttons are enabled only while it is shown. Every shown pop-up is in one process-wide list,
// most recent last. A panel starts hidden. Main thread only.
class PopuPanelBase : public cocos2d::CCSprite, public cocos2d::CCTouchDelegate {
public:
    static constexpr uint8_t PANEL_OPACITY = 235;
    static constexpr uint8_t DIM_OPACITY = 150;
    static constexpr float DIM_FADE_SECONDS = 0.3f;
    static constexpr float POP_START_SCALE = 0.65f;
    static constexpr float POP_OVERSHOOT_SCALE = 1.12f;
    static constexpr float POP_OVERSHOOT_SECONDS = 0.15f;
    static constexpr float POP_SETTLE_SECONDS = 0.08f;
    // Below the buttons' priority, so a button on the panel sees its touch first.
    static constexpr int TOUCH_PRIORITY = -9;

    ~PopuPanelBase() override;

    // The shown pop-ups, most recent last.
    static const std::vector<PopuPanelBase*>& getOpenPopups();
    // The main scene's dim layer (retained); null while there is no main scene.
    static void setDimLayer(cocos2d::CCLayerColor* layer);
    static cocos2d::CCLayerColor* getDimLayer();

    // Whether a world point lies on the panel's rectangle.
    bool containsPoint(const cocos2d::CCPoint& world) const;
    // The most recently shown pop-up under a world point, or null.
    static PopuPanelBase* openPopupAt(const cocos2d::CCPoint& world);

    virtual void show();
    virtual void hide();
    bool isShown() const { return shown_; }
    void setModal(bool modal) { modal_ = modal; }
    bool isModal() const { return modal_; }
    cocos2d::CCLayerColor* getBackground() const { return background_; }
    const std::vector<PanelButton*>& getButtons() const { return buttons_; }

    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void onExit() override;
    // The background layer is the panel's look; the bare sprite would paint white over it.
    void draw() override {}

protected:
    PopuPanelBase() = default;
    bool initPanel(const cocos2d::ccColor3B& colour, const cocos2d::CCSize& size);
    // Adds a button as a child and to the panel's buttons; it is enabled only while the panel is shown.
    void addPanelButton(PanelButton* button);

private:
    void setButtonsEnabled(bool enabled);
    void forget();

    cocos2d::CCLayerColor* background_ = nullptr;
    std::vector<PanelButton*> buttons_;
    bool modal_ = false;
    bool shown_ = false;
    bool touchRegistered_ = false;
};
