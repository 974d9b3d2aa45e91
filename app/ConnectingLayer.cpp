#include "ConnectingLayer.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "CCActionInterval.h"
#include "CCDirector.h"
#include "CCFileUtils.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCString.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "EXDelayFunc.h"
#include "LanguageTable.h"
#include "SimpleAudioEngine.h"

USING_NS_CC;

namespace {
ConnectingLayer* instance = nullptr;

constexpr const char* FONT_FILE = "res/fonts/MiYaHei.ttf";
constexpr const char* BUILD_DATE = ZENTO_BUILD_DATE;
constexpr float STATUS_FONT_SIZE = 16;
constexpr float VERSION_FONT_SIZE = 13;
constexpr int SHADE_OPACITY = 190;
constexpr float DOT_SPACING = 30;
constexpr float DOT_DELAY_STEP = 0.3f;
constexpr float DOT_HALF_PERIOD = 0.5f;
constexpr int Z_DEMO_CHART = 1;
constexpr int Z_SHADE = 10;
constexpr int Z_LOGO = 10;
constexpr int Z_DOTS = 10;
constexpr int Z_STATUS = 20;
constexpr int Z_VERSION = 40;
}  // namespace

ConnectingLayer* ConnectingLayer::getInstance() {
    if (instance) return instance;
    auto* layer = new ConnectingLayer();
    instance = layer;
    if (!layer->init()) {
        instance = nullptr;
        delete layer;
        return nullptr;
    }
    layer->autorelease();
    return layer;
}

ConnectingLayer* ConnectingLayer::existingInstance() { return instance; }

ConnectingLayer::~ConnectingLayer() {
    if (instance == this) instance = nullptr;
}

std::string ConnectingLayer::versionText() {
    return CCString::createWithFormat("%s (%d) %s", getPlatformTag(), LOCAL_VERSION, BUILD_DATE)->m_sString;
}

bool ConnectingLayer::init() {
    if (!CCLayer::init()) return false;

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    CDebugModule::getInstance()->createLogFile();
    CCFileUtils::sharedFileUtils()->addSearchPath(CCFileUtils::sharedFileUtils()->getWritablePath());
    loadLanguageTable();
    loadConfigTable();
    SimpleAudioEngine::sharedEngine()->preloadEffect("res/audio/mouseHover.wav");
    SimpleAudioEngine::sharedEngine()->preloadEffect("res/audio/click.wav");
    sendUsageReports();

    background_ = CCSprite::create("res/bg/worldMap.png");
    if (background_) {
        background_->setColor(ccc3(220, 220, 220));
        addChild(background_);
    }

    shade_ = CCSprite::create();
    shade_->setOpacity(SHADE_OPACITY);
    shade_->setColor(ccc3(50, 50, 50));
    shade_->setAnchorPoint(CCPoint(0, 0));
    addChild(shade_, Z_SHADE);

    createDemoChart();

    statusLabel_ = CCLabelTTF::create(getLangText("connecting").c_str(), FONT_FILE, STATUS_FONT_SIZE);
    addChild(statusLabel_, Z_STATUS);

    logo_ = CCSprite::createWithSpriteFrameName("logo.png");
    if (logo_) addChild(logo_, Z_LOGO);

    versionLabel_ = CCLabelTTF::create(versionText().c_str(), FONT_FILE, VERSION_FONT_SIZE);
    versionLabel_->setAnchorPoint(CCPoint(1, 0));
    versionLabel_->setColor(ccc3(160, 160, 160));
    addChild(versionLabel_, Z_VERSION);

    dotHolder_ = CCNode::create();
    addChild(dotHolder_, Z_DOTS);
    for (int i = 0; i < 3; ++i) {
        CCSprite* dot = CCSprite::createWithSpriteFrameName("loadingPoint.png");
        if (!dot) continue;
        dot->setPosition(CCPoint(DOT_SPACING * static_cast<float>(i - 1), 0));
        dotHolder_->addChild(dot, Z_DOTS);
        dots_.push_back(dot);
        runAction(EXDelayFuncI::create(this, callfuncI_selector(ConnectingLayer::startDotAnimation), i,
                                       DOT_DELAY_STEP * static_cast<float>(i)));
    }

    layoutForWindowSize();

    startVersionCheck();
    downloadUpdater();

    setTouchEnabled(true);
    return true;
}

void ConnectingLayer::startDotAnimation(int index) {
    if (index < 0 || index >= static_cast<int>(dots_.size())) return;
    dots_[static_cast<size_t>(index)]->runAction(CCRepeatForever::create(CCSequence::create(
        CCScaleTo::create(DOT_HALF_PERIOD, 0.0f), CCScaleTo::create(DOT_HALF_PERIOD, 1.0f), nullptr)));
}

void ConnectingLayer::layoutForWindowSize() {
    CCSize size = CCDirector::sharedDirector()->getWinSize();
    float w = size.width;
    float h = size.height;
    setContentSize(size);
    if (background_) {
        CCSize image = background_->getContentSize();
        if (image.width > 0 && image.height > 0) background_->setScale(std::max(w / image.width, h / image.height));
        background_->setPosition(CCPoint(w / 2, h / 2));
    }
    shade_->setTextureRect(CCRect(0, 0, w, h));
    statusLabel_->setPosition(CCPoint(0.5f * w, 0.15f * h));
    versionLabel_->setPosition(CCPoint(w - 10, 5));
    if (logo_) logo_->setPosition(CCPoint(0.5f * w, 0.5f * h));
    dotHolder_->setPosition(CCPoint(0.5f * w, 0.25f * h));
}

void ConnectingLayer::registerWithTouchDispatcher() {
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, TOUCH_PRIORITY, true, false,
                                                                           false);
}

bool ConnectingLayer::ccTouchBegan(CCTouch*, CCEvent*) {
    // Nothing below the connecting screen may react while it is shown.
    return isVisible();
}

void ConnectingLayer::sendUsageReports() {
    // The installation and run reports join with the reports of the crash-dump issue.
}

void ConnectingLayer::createDemoChart() {
    // The decorative chart (a DrawingKLine at z-order Z_DEMO_CHART) joins with the chart view.
    (void)Z_DEMO_CHART;
}

void ConnectingLayer::startVersionCheck() {
    // The version check (after 0.1 s) joins with the update client.
}

void ConnectingLayer::downloadUpdater() {
    // The updater download joins with the update client.
}
