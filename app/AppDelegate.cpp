#include "AppDelegate.h"

#include <algorithm>

#include "AppGlobals.h"
#include "CCCommon.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCNode.h"
#include "CCSpriteFrameCache.h"
#include "ConnectingLayer.h"
#include "Resources.h"
#include "UserData.h"
#include "WorldScene.h"

USING_NS_CC;

namespace {
constexpr const char* SPRITE_SHEET = "res/plist/image.plist";
constexpr int SIZE_MAXIMISED = 2;
constexpr int SIZE_MINIMISED = 1;
constexpr float FOREGROUND_REDRAW_DELAY = 0.5f;
}  // namespace

void AppDelegate::initDirector() {
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(SPRITE_SHEET);
    CCSize size = CCDirector::sharedDirector()->getWinSize();
    AppGlobals::windowSize = size;
    AppGlobals::designScale =
        CCPoint(size.width / AppGlobals::DESIGN_WIDTH, size.height / AppGlobals::DESIGN_HEIGHT);
    AppGlobals::uniformScale = std::min(AppGlobals::designScale.x, AppGlobals::designScale.y);
    CCLog("init director, scale: %f, width: %f, height: %f", AppGlobals::uniformScale, size.width,
          size.height);
}

void AppDelegate::configureView(CCEGLView* view) {
    CCFontAtlas::setDefaultFont(FONT_FILE);
    view->setViewName(WINDOW_TITLE);
    view->setWindowClass(WINDOW_CLASS, DESKTOP_ID);
    view->setIconFile(WINDOW_ICON_FILE);
    view->setFrameSize(FRAME_WIDTH, FRAME_HEIGHT);
    view->setMinFrameSize(MIN_FRAME_WIDTH, MIN_FRAME_HEIGHT);
}

bool AppDelegate::applicationDidFinishLaunching() {
    CCDirector* director = CCDirector::sharedDirector();
    director->setOpenGLView(CCEGLView::sharedOpenGLView());
    director->setAnimationInterval(1.0 / 60);
    initDirector();

    UserData* settings = UserData::getInstance();
    if (settings->getSavedMarker()) CCEGLView::sharedOpenGLView()->setWinRect(settings->getWindowRect());

    CCScene* scene = CCScene::create();
    if (ConnectingLayer* connecting = ConnectingLayer::getInstance())
        scene->addChild(connecting, CONNECTING_LAYER_Z, CONNECTING_LAYER_TAG);
    director->runWithScene(scene);
    return true;
}

void AppDelegate::applicationDidEnterBackground() {
    CCDirector::sharedDirector()->stopAnimation();
    if (WorldScene* world = WorldScene::existingInstance()) world->setForeground(false);
}

void AppDelegate::applicationWillEnterForeground() {
    CCDirector::sharedDirector()->startAnimation();
    // The charts were not drawn while hidden: after a moment, every shown one is drawn afresh.
    if (WorldScene* world = WorldScene::existingInstance()) {
        world->scheduleOnce(
            [world](float) {
                world->redrawShownWindows();
                world->setForeground(true);
            },
            FOREGROUND_REDRAW_DELAY, "foregroundRedraw");
    }
}

void AppDelegate::onWindowResized(int sizeType, int width, int height) {
    // A minimised window reports 0 x 0: nothing to lay out and nothing worth remembering.
    if (sizeType == SIZE_MINIMISED || width <= 0 || height <= 0) return;
    CCDirector::sharedDirector()->reshapeProjection(
        CCSize(static_cast<float>(width), static_cast<float>(height)));
    CCEGLView::sharedOpenGLView()->resize(width, height);

    UserData* settings = UserData::getInstance();
    if (settings->getSavedMarker()) {
        if (!firstResize_) {
            settings->setWindowRect(CCEGLView::sharedOpenGLView()->getWinRect());
            settings->setMaxSize(sizeType == SIZE_MAXIMISED);
        }
    } else {
        settings->setSavedMarker(true);
    }
    firstResize_ = false;
    if (WorldScene* world = WorldScene::existingInstance())
        world->onWindowResized(static_cast<float>(width), static_cast<float>(height));

    if (ConnectingLayer* connecting = ConnectingLayer::existingInstance()) connecting->layoutForWindowSize();
}

void AppDelegate::applicationWillClose() {
    // Until the saved windows are back the scene holds none of them: capturing it then would replace
    // the saved layout with an empty one.
    WorldScene* world = WorldScene::existingInstance();
    if (world && world->getStartupReadyRuns() > 0) world->captureLayout();
    UserData::getInstance()->saveSettings();
}

void AppDelegate::setWindowActive(bool active) {
    AppGlobals::windowActive = active;
}
