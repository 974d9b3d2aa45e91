#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "CCNode.h"
#include "KLineBar.h"
#include "UpdateClient.h"
#include "UpdateHost.h"

class DrawingKLine;
class IndicatorBase;

namespace cocos2d {
class CCSprite;
class CCLabelTTF;
}  // namespace cocos2d

// The connecting screen: shown while the terminal starts, checks for updates and waits for the
// main scene's first data. It lies above the main scene (z-order 999) and swallows every click
// until it is dismissed. A singleton while it exists: the destructor clears the pointer.
// Main thread only.
class ConnectingLayer : public cocos2d::CCLayer, public UpdateHost {
public:
    static constexpr int TOUCH_PRIORITY = -490;

    // Creates the layer on first use; null when its init fails.
    static ConnectingLayer* getInstance();
    // The layer when it exists, without creating it.
    static ConnectingLayer* existingInstance();
    ~ConnectingLayer() override;

    bool init() override;
    void registerWithTouchDispatcher() override;
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

    // Positions every element for the director's current window size.
    virtual void layoutForWindowSize();
    virtual bool isFinished() const { return finished_; }
    virtual bool isDismissing() const { return dismissing_; }
    // Set by the main scene when it starts the fade-out.
    void setDismissing() { dismissing_ = true; }
    // The version check is over with no update to install: the main scene starts under this screen.
    // fromUpdateDialog: the user declined an optional update.
    void finishConnecting(bool fromUpdateDialog) override;
    void setLoadingVisible(bool visible) override;
    void showToast(const std::string& text) override;
    cocos2d::CCNode* dialogParent() override { return this; }
    cocos2d::CCPoint dialogCentre() override;
    UpdateClient* updateClient() const { return updateClient_; }

    // Whether the screen sends the usage reports (on by default). Tests of the screen turn it off: the
    // reports' worker outlives a purged director.
    static void setSendsUsageReports(bool sends);

    // The text of the version label: platform tag, version number, build date.
    static std::string versionText();

    // The decorative chart's bars: a bounded random walk, a new bar every seventh second.
    static constexpr int DEMO_BAR_COUNT = 300;
    static constexpr int DEMO_HISTORY_MINUTES = 500;
    static constexpr int DEMO_TICKS_PER_BAR = 7;
    static constexpr int DEMO_TOUCH_PRIORITY = -2100;
    const std::vector<std::unique_ptr<KLineBar>>& demoBars() const { return demoBars_; }
    DrawingKLine* demoChart() const { return demoChart_; }
    // One step of the walk: reshapes the newest bar, or opens a new one when the tick counter is 0.
    void generateDemoBar();

private:
    ConnectingLayer() = default;
    void startDotAnimation(int index);
    void demoTick(float dt);
    void createDemoChart();
    void startDemoSeries();
    // Steps that join with the pieces that build them: usage reports.
    void sendUsageReports();

    bool finished_ = false;
    bool dismissing_ = false;
    cocos2d::CCSprite* background_ = nullptr;
    cocos2d::CCSprite* shade_ = nullptr;
    cocos2d::CCSprite* logo_ = nullptr;
    std::vector<cocos2d::CCSprite*> dots_;
    cocos2d::CCNode* dotHolder_ = nullptr;
    cocos2d::CCLabelTTF* statusLabel_ = nullptr;
    cocos2d::CCLabelTTF* versionLabel_ = nullptr;
    UpdateClient* updateClient_ = nullptr;
    DrawingKLine* demoChart_ = nullptr;
    std::vector<std::unique_ptr<KLineBar>> demoBars_;
    std::vector<IndicatorBase*> demoPanes_;
    int demoLevel_ = 1;
    bool demoRising_ = true;
    int tickCounter_ = 0;
    uint32_t nextBarTime_ = 0;
};
