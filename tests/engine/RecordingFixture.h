#pragma once

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCNode.h"
#include "CCRecordingRenderer.h"

// A running scene of 900 x 600 drawn by the recording renderer; frames are stepped, never timed.
class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        cocos2d::CCDirector::purgeDirector();
        director()->setWinSize(cocos2d::CCSize(900, 600));
        auto recorder = std::make_unique<cocos2d::CCRecordingRenderer>();
        recorder_ = recorder.get();
        director()->setRenderer(std::move(recorder));
        scene_ = cocos2d::CCScene::create();
        director()->runWithScene(scene_);
    }
    void TearDown() override { cocos2d::CCDirector::purgeDirector(); }

    static cocos2d::CCDirector* director() { return cocos2d::CCDirector::sharedDirector(); }
    // Draws one frame and returns its primitives.
    const std::vector<cocos2d::CCRecordedPrimitive>& drawFrame(float dt = 1.0f / 60) {
        director()->stepFrame(dt);
        return recorder_->lastFrame();
    }

    cocos2d::CCRecordingRenderer* recorder_ = nullptr;
    cocos2d::CCScene* scene_ = nullptr;
};

// Writes an RGBA image (rows top first) as a PNG; false on failure.
inline bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(rgba.data()), width, height, 32, width * 4, SDL_PIXELFORMAT_ABGR8888);
    if (!surface) return false;
    bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}
