#pragma once

#include <ctime>
#include <string>

#include "CCNode.h"

namespace cocos2d {
class CCLabelTTF;
}

// What drawing costs, for the curious and for measurements (Zento --stats): once a second, the frames
// drawn in the last second, the mean area and draw calls each took, and the main thread's share of a core,
// shown in the bottom bar and written to the log. Main thread only.
class StatsOverlay : public cocos2d::CCNode {
public:
    static constexpr float REFRESH_SECONDS = 1.0f;
    static constexpr float FONT_SIZE = 13.0f;

    static StatsOverlay* create();
    // The text for one second's counts.
    static std::string describe(double framesPerSecond, double areaPerFrame, double drawsPerFrame,
                                double mainThreadShare);

    bool init() override;

private:
    void refresh(float);

    cocos2d::CCLabelTTF* label_ = nullptr;
    unsigned lastFrames_ = 0;
    double lastArea_ = 0;
    unsigned long lastDrawCalls_ = 0;
    timespec lastCpu_{};
    timespec lastWall_{};
};
