#pragma once

#include <gtest/gtest.h>

#include <string>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCNode.h"
#include "CCSpriteFrameCache.h"
#include "FrameSteps.h"
#include "PanelButton.h"
#include "UiTestSupport.h"

// A running, empty scene in a window of a set size with the sprite sheet loaded; the director's clock
// and the mouse are the test's. A suite with more to set up calls SceneTest::SetUp() first from its own.
class SceneTest : public ::testing::Test {
protected:
    explicit SceneTest(const cocos2d::CCSize& windowSize = cocos2d::CCSize(900, 600))
        : windowSize_(windowSize) {}

    void SetUp() override {
        cocos2d::CCDirector::purgeDirector();
        cocos2d::CCDirector::sharedDirector()->setWinSize(windowSize_);
        cocos2d::CCEGLView::sharedOpenGLView()->setFrameSize(windowSize_.width, windowSize_.height);
        // The frame cache outlives the director: the sheet is read once per test program.
        auto* frames = cocos2d::CCSpriteFrameCache::sharedSpriteFrameCache();
        if (!frames->spriteFrameByName("layout.png"))
            frames->addSpriteFramesWithFile(std::string(ZENTO_RES_DIR) + "/plist/image.plist");
        ASSERT_NE(frames->spriteFrameByName("layout.png"), nullptr);
        scene = cocos2d::CCScene::create();
        cocos2d::CCDirector::sharedDirector()->runWithScene(scene);
    }
    void TearDown() override {
        PanelButton::setTipDisplay(nullptr);
        cocos2d::CCDirector::purgeDirector();
        cocos2d::CCEGLView::purgeSharedOpenGLView();
        // Drawn glyph pages must go before the engine's static texture bookkeeping does at exit.
        cocos2d::CCFontAtlas::purgeAll();
    }

    void step(float seconds) { stepFor(seconds, UI_STEP); }

    static cocos2d::CCPoint centreOf(cocos2d::CCNode* node) {
        const cocos2d::CCSize size = node->getContentSize();
        return node->convertToWorldSpace(cocos2d::CCPoint(size.width / 2, size.height / 2));
    }
    // The view takes window coordinates: y grows downwards from the window's top edge.
    void press(const cocos2d::CCPoint& at) {
        cocos2d::CCEGLView::sharedOpenGLView()->handleMouseDown(at.x, windowSize_.height - at.y);
    }
    void release(const cocos2d::CCPoint& at) {
        cocos2d::CCEGLView::sharedOpenGLView()->handleMouseUp(at.x, windowSize_.height - at.y);
    }
    void moveTo(const cocos2d::CCPoint& at) {
        cocos2d::CCEGLView::sharedOpenGLView()->handleMouseMove(at.x, windowSize_.height - at.y);
    }
    void clickAt(const cocos2d::CCPoint& at) {
        press(at);
        release(at);
    }
    void click(cocos2d::CCNode* node) { clickAt(centreOf(node)); }

    cocos2d::CCScene* scene = nullptr;

private:
    cocos2d::CCSize windowSize_;
};
