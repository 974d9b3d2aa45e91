#pragma once

#include <vector>

#include "CCNode.h"

namespace cocos2d {
class CCSprite;
class CCLabelTTF;
}  // namespace cocos2d

// The connecting screen: shown while the terminal starts, checks for updates and waits for the
// main scene's first data. It lies above the main scene (z-order 999) and swallows every click
// until it is dismissed. A singleton while it exists: the destructor clears the pointer.
// Main thread only.
class ConnectingLayer : public cocos2d::CCLayer {
public:
    static constexpr int LOCAL_VERSION = 245;
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

    // The text of the version label: platform tag, version number, build date.
    static std::string versionText();

private:
    ConnectingLayer() = default;
    void startDotAnimation(int index);
    // Steps that join with the pieces that build them: usage reports, the decorative chart,
    // the version check and the updater download.
    void sendUsageReports();
    void createDemoChart();
    void startVersionCheck();
    void downloadUpdater();

    bool finished_ = false;
    bool dismissing_ = false;
    cocos2d::CCSprite* background_ = nullptr;
    cocos2d::CCSprite* shade_ = nullptr;
    cocos2d::CCSprite* logo_ = nullptr;
    std::vector<cocos2d::CCSprite*> dots_;
    cocos2d::CCNode* dotHolder_ = nullptr;
    cocos2d::CCLabelTTF* statusLabel_ = nullptr;
    cocos2d::CCLabelTTF* versionLabel_ = nullptr;
};
