#include "StatsOverlay.h"

#include <cstdio>
#include <string>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CDebugModule.h"
#include "Resources.h"

USING_NS_CC;

namespace {
double secondsOf(const timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
}  // namespace

StatsOverlay* StatsOverlay::create() {
    return createAutoreleased<StatsOverlay>(&StatsOverlay::init);
}

std::string StatsOverlay::describe(double framesPerSecond, double areaPerFrame, double drawsPerFrame,
                                   double mainThreadShare) {
    char text[160];
    std::snprintf(text, sizeof text, "%.0f frames/s  %.0f px/frame  %.1f draws/frame  main thread %.1f%%",
                  framesPerSecond, areaPerFrame, drawsPerFrame, mainThreadShare * 100);
    return text;
}

bool StatsOverlay::init() {
    if (!CCNode::init()) return false;
    label_ = CCLabelTTF::create(describe(0, 0, 0, 0).c_str(), FONT_FILE, FONT_SIZE);
    label_->setAnchorPoint(CCPoint(0, 0.5f));
    addChild(label_);
    CCDirector* director = CCDirector::sharedDirector();
    lastFrames_ = director->getDrawnFrames();
    lastArea_ = director->getRedrawnArea();
    lastDrawCalls_ = director->getDrawCallTotal();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &lastCpu_);
    clock_gettime(CLOCK_MONOTONIC, &lastWall_);
    schedule([this](float dt) { refresh(dt); }, REFRESH_SECONDS, "statsRefresh");
    return true;
}

void StatsOverlay::refresh(float) {
    CCDirector* director = CCDirector::sharedDirector();
    timespec cpu{}, wall{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    clock_gettime(CLOCK_MONOTONIC, &wall);
    const double elapsed = secondsOf(wall) - secondsOf(lastWall_);
    const unsigned frames = director->getDrawnFrames() - lastFrames_;
    const double area = director->getRedrawnArea() - lastArea_;
    const unsigned long drawCalls = director->getDrawCallTotal() - lastDrawCalls_;
    lastDrawCalls_ = director->getDrawCallTotal();
    const double share = elapsed > 0 ? (secondsOf(cpu) - secondsOf(lastCpu_)) / elapsed : 0;
    lastFrames_ = director->getDrawnFrames();
    lastArea_ = director->getRedrawnArea();
    lastCpu_ = cpu;
    lastWall_ = wall;
    const double perFrame = frames > 0 ? 1.0 / frames : 0.0;
    const std::string text = describe(elapsed > 0 ? frames / elapsed : 0, area * perFrame,
                                      static_cast<double>(drawCalls) * perFrame, share);
    label_->setString(text.c_str());
    logInfo("stats: %s", text.c_str());
}
