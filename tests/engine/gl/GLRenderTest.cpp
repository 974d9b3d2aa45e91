#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CCClippingNode.h"
#include "CCDirector.h"
#include "CCDrawingPrimitives.h"
#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCGLRenderer.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCSprite.h"
#include "CCTexture2D.h"
#include "CCTextureCache.h"

USING_NS_CC;

namespace {

struct Rgb {
    int r, g, b;
};

// Lines of width 1 and 3 across the window, as the chart draws its grid and candles.
class Lines : public CCNode {
public:
    static Lines* create() {
        auto* l = new Lines();
        l->autorelease();
        return l;
    }
    void draw() override {
        ccDrawColor4F(1, 1, 0, 1);
        ccLineWidth(1);
        ccDrawLine(ccp(20, 300.5f), ccp(400, 300.5f));
        ccLineWidth(3);
        ccDrawLine(ccp(20, 250.5f), ccp(400, 250.5f));
        ccGLResetState();
    }
};

// Many small shapes of one state, like a chart pane's candles.
class Candles : public CCNode {
public:
    static Candles* create() {
        auto* c = new Candles();
        c->autorelease();
        return c;
    }
    void draw() override {
        for (int i = 0; i < 500; ++i) {
            float x = 500 + static_cast<float>(i % 50) * 7;
            float y = 420 + static_cast<float>(i / 50) * 16;
            ccLineWidth(2);
            ccDrawColor4F(0.75f, 0.26f, 0.26f, 1);
            ccDrawLine(ccp(x, y), ccp(x, y + 14));
            CCPoint body[4] = {{x - 2, y + 3}, {x + 2, y + 3}, {x + 2, y + 11}, {x - 2, y + 11}};
            ccDrawSolidPoly(body, 4, ccc4f(0.17f, 0.6f, 0.26f, 1));
        }
        ccGLResetState();
    }
};

class GLRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        view_ = CCEGLView::sharedOpenGLView();
        view_->setViewName("gl test");
        view_->setFrameSize(900, 600);
        if (!view_->isOpenGLReady()) {
            CCEGLView::purgeSharedOpenGLView();
            GTEST_SKIP() << "no OpenGL context under SDL_VIDEODRIVER="
                         << (SDL_getenv("SDL_VIDEODRIVER") ? SDL_getenv("SDL_VIDEODRIVER") : "(unset)")
                         << ": " << SDL_GetError();
        }
        CCDirector::sharedDirector()->setRenderHooks(nullptr, nullptr);  // no swap: read the back buffer
        scene_ = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene_);
    }
    void TearDown() override {
        CCDirector::purgeDirector();
        CCTextureCache::purgeSharedTextureCache();
        CCFontAtlas::purgeAll();
        CCEGLView::purgeSharedOpenGLView();
    }

    // Draws one frame and reads it back (rows top first, as on screen).
    void drawAndRead() {
        CCDirector::sharedDirector()->stepFrame(1.0f / 60);
        auto* renderer = static_cast<CCGLRenderer*>(CCDirector::sharedDirector()->getRenderer());
        pixels_ = renderer->readPixels(&width_, &height_);
    }
    // A pixel in GL coordinates (origin bottom left).
    Rgb at(int x, int y) const {
        size_t i = (static_cast<size_t>(height_ - 1 - y) * width_ + x) * 4;
        return {pixels_[i], pixels_[i + 1], pixels_[i + 2]};
    }

    CCEGLView* view_ = nullptr;
    CCScene* scene_ = nullptr;
    std::vector<uint8_t> pixels_;
    int width_ = 0, height_ = 0;
};

TEST_F(GLRenderTest, SpriteLabelLinesAndStencilClipLandOnTheirPixels) {
    // A 20 x 20 red texture with a blue top row, drawn at (100..120, 100..120).
    std::vector<uint8_t> rgba(20 * 20 * 4);
    for (int i = 0; i < 20 * 20; ++i) {
        bool topRow = i < 20;
        rgba[i * 4 + 0] = topRow ? 0 : 255;
        rgba[i * 4 + 2] = topRow ? 255 : 0;
        rgba[i * 4 + 3] = 255;
    }
    auto* texture = new CCTexture2D();
    ASSERT_TRUE(texture->initWithRGBA(rgba.data(), 20, 20));
    CCSprite* sprite = CCSprite::createWithTexture(texture);
    texture->release();
    sprite->setAnchorPoint(ccp(0, 0));
    sprite->setPosition(100, 100);
    scene_->addChild(sprite);

    // An untextured sprite right after it shares its draw call.
    CCSprite* patch = CCSprite::create();
    patch->setTextureRect(CCRect(0, 0, 10, 10));
    patch->setColor(ccc3(0, 255, 0));
    patch->setAnchorPoint(ccp(0, 0));
    patch->setPosition(130, 100);
    scene_->addChild(patch);

    CCLabelTTF* label = CCLabelTTF::create("行情", "res/fonts/MiYaHei.ttf", 32);
    label->setAnchorPoint(ccp(0, 0));
    label->setPosition(200, 100);
    scene_->addChild(label);

    scene_->addChild(Lines::create());

    // A green square clipped by a 40 x 40 stencil at (600, 100).
    CCSprite* shape = CCSprite::create();
    shape->setTextureRect(CCRect(0, 0, 40, 40));
    shape->setAnchorPoint(ccp(0, 0));
    CCClippingNode* clip = CCClippingNode::create(shape);
    clip->setPosition(600, 100);
    CCLayerColor* content = CCLayerColor::create(ccc4(0, 255, 0, 255), 100, 100);
    content->setPosition(-30, -30);
    clip->addChild(content);
    scene_->addChild(clip);

    drawAndRead();
    ASSERT_EQ(width_, 900);
    ASSERT_EQ(height_, 600);

    // Sprite: red body, blue top row (the image's first row is its top), black around it.
    Rgb body = at(110, 105);
    EXPECT_EQ(body.r, 255);
    EXPECT_EQ(body.g, 0);
    EXPECT_EQ(body.b, 0);
    Rgb top = at(110, 119);
    EXPECT_EQ(top.b, 255);
    EXPECT_EQ(top.r, 0);
    EXPECT_EQ(at(99, 105).r, 0);
    EXPECT_EQ(at(121, 105).r, 0);
    EXPECT_EQ(at(135, 105).g, 255);

    // Label: the CJK glyphs light some pixels inside their box and none outside it.
    if (!CCFontAtlas::resolveFontPath("res/fonts/MiYaHei.ttf").empty()) {
        CCSize box = label->getContentSize();
        EXPECT_GT(box.width, 50);
        int lit = 0, litOutside = 0;
        for (int y = 90; y < 100 + static_cast<int>(box.height) + 10; ++y)
            for (int x = 190; x < 200 + static_cast<int>(box.width) + 10; ++x) {
                Rgb p = at(x, y);
                bool inside = x >= 200 && y >= 100 && x < 200 + box.width && y < 100 + box.height;
                if (p.r > 128 && p.g > 128 && p.b > 128) (inside ? lit : litOutside)++;
            }
        EXPECT_GT(lit, 100);
        EXPECT_EQ(litOutside, 0);
    }

    // Lines: width 1 covers one row, width 3 three rows.
    EXPECT_EQ(at(200, 300).r, 255);
    EXPECT_EQ(at(200, 300).g, 255);
    EXPECT_EQ(at(200, 299).r, 0);
    EXPECT_EQ(at(200, 301).r, 0);
    for (int y = 249; y <= 251; ++y) EXPECT_EQ(at(200, y).g, 255) << "row " << y;
    EXPECT_EQ(at(200, 248).g, 0);
    EXPECT_EQ(at(200, 252).g, 0);

    // Stencil: green only inside the 40 x 40 shape although the content is 100 x 100.
    EXPECT_EQ(at(601, 101).g, 255);
    EXPECT_EQ(at(638, 138).g, 255);
    EXPECT_EQ(at(590, 120).g, 0);
    EXPECT_EQ(at(645, 120).g, 0);
    EXPECT_EQ(at(620, 95).g, 0);
    // The shape itself is not drawn.
    EXPECT_EQ(at(620, 120).r, 0);
}

TEST_F(GLRenderTest, ShapesOfOneStateShareDrawCallsAndScissorsClip) {
    scene_->addChild(Candles::create());
    drawAndRead();
    // 500 wicks and 500 bodies: one batch.
    EXPECT_EQ(CCDirector::sharedDirector()->getDrawCallCount(), 1u);
    EXPECT_EQ(at(500, 427).g, 153);  // a body: (0.17, 0.6, 0.26)
    EXPECT_EQ(at(500, 421).r, 191);  // a wick below the body: (0.75, 0.26, 0.26)

    struct Scissored : public CCNode {
        void visit() override {
            ccPushScissor(CCRect(0, 0, 200, 600));
            CCNode::visit();
            ccPopScissor();
        }
    };
    auto* clipped = new Scissored();
    clipped->autorelease();
    CCLayerColor* wide = CCLayerColor::create(ccc4(255, 255, 255, 255), 400, 50);
    clipped->addChild(wide);
    scene_->addChild(clipped);
    drawAndRead();
    EXPECT_EQ(at(150, 20).r, 255);
    EXPECT_EQ(at(250, 20).r, 0);
}

TEST_F(GLRenderTest, ViewsScissoredEdgeToEdgeShareABatchYetCutWhatOverhangs) {
    // A view scissored to its own rectangle that fills a box reaching past it.
    struct View : public CCNode {
        CCRect scissor, fill;
        ccColor4F color;
        View(const CCRect& s, const CCRect& f, const ccColor4F& c) : scissor(s), fill(f), color(c) {}
        void visit() override {
            ccPushScissor(scissor);
            ccDrawSolidRect(fill.origin, ccp(fill.getMaxX(), fill.getMaxY()), color);
            ccPopScissor();
        }
    };
    const ccColor4F red{1, 0, 0, 1}, green{0, 1, 0, 1};
    View* views[3] = {
        // Past the left edge, then past the right edge, of two views stacked edge to edge: one batch.
        new View(CCRect(100, 300, 200, 100), CCRect(80, 310, 170, 80), red),
        new View(CCRect(100, 200, 200, 100), CCRect(120, 210, 200, 80), red),
        // Up into the view above, which that batch's scissor box covers: a batch of its own.
        new View(CCRect(100, 100, 200, 100), CCRect(120, 150, 80, 100), green)};
    for (View* v : views) {
        v->autorelease();
        scene_->addChild(v);
    }
    drawAndRead();
    EXPECT_EQ(CCDirector::sharedDirector()->getDrawCallCount(), 2u);
    EXPECT_EQ(at(90, 350).r, 0);
    EXPECT_EQ(at(110, 350).r, 255);
    EXPECT_EQ(at(290, 250).r, 255);
    EXPECT_EQ(at(310, 250).r, 0);
    EXPECT_EQ(at(150, 180).g, 255);
    EXPECT_EQ(at(150, 240).g, 0);
    EXPECT_EQ(at(150, 240).r, 255);
}

TEST_F(GLRenderTest, TexturesOutliveTheirContextAndAreUploadedAgainForTheNext) {
    std::vector<uint8_t> rgba(4 * 4 * 4, 255);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i + 1] = rgba[i + 2] = 0;  // red
    auto* texture = new CCTexture2D();
    ASSERT_TRUE(texture->initWithRGBA(rgba.data(), 4, 4));
    auto drawIt = [&] {
        CCSprite* sprite = CCSprite::createWithTexture(texture);
        sprite->setScale(10);
        sprite->setPosition(300, 300);
        scene_->addChild(sprite);
        drawAndRead();
        return at(300, 300);
    };
    EXPECT_EQ(drawIt().r, 255);
    // A new window and context: the old name means nothing there.
    CCDirector::purgeDirector();
    CCEGLView::purgeSharedOpenGLView();
    view_ = CCEGLView::sharedOpenGLView();
    view_->setFrameSize(900, 600);
    ASSERT_TRUE(view_->isOpenGLReady());
    CCDirector::sharedDirector()->setRenderHooks(nullptr, nullptr);
    scene_ = CCScene::create();
    CCDirector::sharedDirector()->runWithScene(scene_);
    Rgb again = drawIt();
    EXPECT_EQ(again.r, 255);
    EXPECT_EQ(again.g, 0);
    texture->release();
}

TEST_F(GLRenderTest, ScreenshotIsThePngOfTheFrame) {
    CCLayerColor* background = CCLayerColor::create(ccc4(23, 27, 41, 255));
    scene_->addChild(background);
    std::string path = std::string(::testing::TempDir()) + "/zento-gl-shot.png";
    std::remove(path.c_str());
    drawAndRead();
    ASSERT_TRUE(view_->saveScreenshot(path));
    SDL_Surface* loaded = IMG_Load(path.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->w, 900);
    EXPECT_EQ(loaded->h, 600);
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    auto* p = static_cast<const uint8_t*>(rgba->pixels);
    EXPECT_EQ(p[0], 23);
    EXPECT_EQ(p[1], 27);
    EXPECT_EQ(p[2], 41);
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(loaded);
    std::remove(path.c_str());

    // A region of the frame: exactly its size, its own pixels, corner to corner.
    CCLayerColor* box = CCLayerColor::create(ccc4(200, 40, 30, 255), 200, 120);
    box->setPosition(ccp(100, 50));
    scene_->addChild(box);
    drawAndRead();
    ASSERT_TRUE(view_->saveScreenshot(path, CCRect(100, 50, 200, 120)));
    loaded = IMG_Load(path.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->w, 200);
    EXPECT_EQ(loaded->h, 120);
    rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    p = static_cast<const uint8_t*>(rgba->pixels);
    const size_t last = (static_cast<size_t>(rgba->h - 1) * rgba->pitch) + (rgba->w - 1) * 4;
    for (size_t i : {size_t{0}, last}) {
        EXPECT_EQ(p[i], 200) << i;
        EXPECT_EQ(p[i + 1], 40) << i;
        EXPECT_EQ(p[i + 2], 30) << i;
    }
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(loaded);
    std::remove(path.c_str());
    // Off the frame: nothing written.
    EXPECT_FALSE(view_->saveScreenshot(path, CCRect(950, 700, 10, 10)));
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

}  // namespace
