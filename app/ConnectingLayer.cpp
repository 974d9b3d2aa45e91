#include "ConnectingLayer.h"

#include <algorithm>
#include <cmath>
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
#include "DrawingKLine.h"
#include "DrawingView.h"
#include "EXDelayFunc.h"
#include "LanguageTable.h"
#include "Resources.h"
#include "SimpleAudioEngine.h"
#include "Toast.h"
#include "UpdateClient.h"
#include "UsageReports.h"
#include "UserData.h"
#include "WorldScene.h"

USING_NS_CC;

namespace {
ConnectingLayer* instance = nullptr;

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
constexpr float TOAST_SECONDS = 3;
const ccColor3B TOAST_COLOUR = {255, 255, 255};
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

ConnectingLayer* ConnectingLayer::existingInstance() {
    return instance;
}

ConnectingLayer::~ConnectingLayer() {
    if (instance == this) instance = nullptr;
    // The demo chart reads demoBars_, which goes before the base class releases the children.
    removeAllChildrenWithCleanup(true);
}

std::string ConnectingLayer::versionText() {
    return CCString::createWithFormat("%s (%d) %s", getPlatformTag(), UpdateClient::localVersion(),
                                      BUILD_DATE)
        ->m_sString;
}

bool ConnectingLayer::init() {
    if (!CCLayer::init()) return false;

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    CDebugModule::getInstance()->createLogFile();
    CCFileUtils::sharedFileUtils()->addSearchPath(CCFileUtils::sharedFileUtils()->getWritablePath());
    loadLanguageTable();
    loadConfigTable();
    SimpleAudioEngine::sharedEngine()->preloadEffect(HOVER_SOUND_FILE);
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

    statusLabel_ = CCLabelTTF::create("", FONT_FILE, STATUS_FONT_SIZE);
    bindLangText(statusLabel_, "connecting");
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

    startDemoSeries();
    schedule(schedule_selector(ConnectingLayer::demoTick), 1.0f);

    // The update client's node lives and dies with this screen, and its timers with it.
    CCFileUtils* files = CCFileUtils::sharedFileUtils();
    updateClient_ = UpdateClient::create(this, files->getProgramPath(), files->getWritablePath());
    addChild(updateClient_);
    updateClient_->start();

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
        if (image.width > 0 && image.height > 0)
            background_->setScale(std::max(w / image.width, h / image.height));
        background_->setPosition(CCPoint(w / 2, h / 2));
    }
    shade_->setTextureRect(CCRect(0, 0, w, h));
    statusLabel_->setPosition(CCPoint(0.5f * w, 0.15f * h));
    versionLabel_->setPosition(CCPoint(w - 10, 5));
    if (logo_) logo_->setPosition(CCPoint(0.5f * w, 0.5f * h));
    dotHolder_->setPosition(CCPoint(0.5f * w, 0.25f * h));
    if (demoChart_) demoChart_->setViewSize(std::floor(w), std::floor(h));
    if (updateClient_) updateClient_->placeDialog();
}

void ConnectingLayer::registerWithTouchDispatcher() {
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, TOUCH_PRIORITY, true, false,
                                                                            false);
}

bool ConnectingLayer::ccTouchBegan(CCTouch*, CCEvent*) {
    // Nothing below the connecting screen may react while it is shown.
    return isVisible();
}

namespace {
bool sendsUsageReports = true;
}  // namespace

void ConnectingLayer::setSendsUsageReports(bool sends) {
    sendsUsageReports = sends;
}

void ConnectingLayer::sendUsageReports() {
    if (!sendsUsageReports) return;
    // The installation report only once settings were saved (or the window resized) in this run.
    ::sendUsageReports(UserData::getInstance()->getSavedMarker());
}

void ConnectingLayer::createDemoChart() {
    // Chart views made from here on take their touches at this priority, below the screen's own.
    DrawingView::setDefaultTouchPriority(DEMO_TOUCH_PRIORITY);
    demoChart_ = DrawingKLine::createChart(nullptr, &demoBars_, &demoPanes_);
    if (!demoChart_) return;
    demoChart_->setDisplayOnly(true);
    demoChart_->setPosition(CCPointZero);
    addChild(demoChart_, Z_DEMO_CHART);
    demoChart_->setShown(true);
}

void ConnectingLayer::startDemoSeries() {
    tickCounter_ = 0;
    auto nowMinutes = static_cast<uint32_t>(std::time(nullptr) / 60);
    nextBarTime_ = (nowMinutes - DEMO_HISTORY_MINUTES) * 60;
    for (int i = 0; i < DEMO_BAR_COUNT; ++i) generateDemoBar();
    if (demoChart_) demoChart_->showNewestBars();
}

void ConnectingLayer::generateDemoBar() {
    if (demoRising_) {
        demoLevel_ += std::rand() % 3;
    } else {
        demoLevel_ += (-std::rand()) % 2;
    }
    if (std::rand() % 5 == 1) {
        demoRising_ = !demoRising_;
        if (!demoBars_.empty()) {
            demoLevel_ = static_cast<int>(demoBars_.back()->low + (demoRising_ ? -4.0f : 4.0f) - 1000.0f);
        } else {
            demoLevel_ = 2;
        }
    }
    int open = std::max(2, demoLevel_ + 1000 + std::rand() % 10);
    int close = std::max(2, demoLevel_ + 1000 + std::rand() % 15);
    int low = std::max(1, std::min(open, close) + (-std::rand()) % 10);
    int high = std::max(2, std::max(open, close) + std::rand() % 10);
    int volume = std::rand() % 50 + 3;
    bool riseGreen = UserData::getInstance()->getInverseRedGreen();

    KLineBar fresh(nextBarTime_, static_cast<float>(open), static_cast<float>(high), static_cast<float>(low),
                   static_cast<float>(close), volume);
    bool opened = tickCounter_ == 0 || demoBars_.empty();
    if (!opened) {
        KLineBar& last = *demoBars_.back();
        last.copyPrices(fresh);
        float reference = demoBars_.size() > 1 ? demoBars_[demoBars_.size() - 2]->close : last.close;
        last.updateColor(reference, riseGreen);
        if (demoChart_) demoChart_->barChanged(&last, false);
        return;
    }
    auto bar = std::make_unique<KLineBar>(fresh);
    bar->index = static_cast<int32_t>(demoBars_.size());
    bar->updateColor(demoBars_.empty() ? bar->close : demoBars_.back()->close, riseGreen);
    demoBars_.push_back(std::move(bar));
    nextBarTime_ += 60;
    if (demoChart_) demoChart_->barChanged(demoBars_.back().get(), true);
}

void ConnectingLayer::demoTick(float) {
    tickCounter_ = (tickCounter_ + 1) % DEMO_TICKS_PER_BAR;
    generateDemoBar();
    if (!demoChart_ || demoBars_.empty()) return;
    demoChart_->relayout();
    const KLineBar& last = *demoBars_.back();
    demoChart_->setLastBarRising((last.close - last.open) / last.open >= 0);
}

void ConnectingLayer::finishConnecting(bool fromUpdateDialog) {
    if (finished_) return;
    if (fromUpdateDialog) setLoadingVisible(true);
    finished_ = true;
    CCScene* scene = CCDirector::sharedDirector()->getRunningScene();
    WorldScene* world = WorldScene::getInstance();
    if (scene && world && !world->getParent()) scene->addChild(world);
    logInfo("connecting layer finished!!!");
}

void ConnectingLayer::setLoadingVisible(bool visible) {
    if (statusLabel_) statusLabel_->setVisible(visible);
    if (dotHolder_) dotHolder_->setVisible(visible);
}

void ConnectingLayer::showToast(const std::string& text) {
    Toast::show(this, CCDirector::sharedDirector()->getWinSize(), text, TOAST_COLOUR, TOAST_SECONDS);
}

CCPoint ConnectingLayer::dialogCentre() {
    if (logo_) return logo_->getPosition();
    const CCSize size = CCDirector::sharedDirector()->getWinSize();
    return CCPoint(size.width / 2, size.height / 2);
}
