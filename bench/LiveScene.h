#pragma once

#include <string>
#include <vector>

#include "NodePeer.h"
#include "TempHome.h"

class WorldScene;

// Benchmarks of the real main scene: the local feed on free ports, the configuration table pointed at
// it, the scene on the recording renderer with nine chart windows, each with at least 100 bars.
namespace live_scene {

// This thread's CPU clock.
double threadCpuMs();
// The value at share (0-1) of the sorted values; 0 for none.
double percentile(std::vector<double> values, double share);
// Frames at 60 a second, as the real loop draws them, each timed on this thread's CPU clock.
std::vector<double> measureFrames(double seconds);
// Steps frames in real time until done holds or the deadline passes.
bool pumpFor(double seconds);

class Run {
public:
    explicit Run(const std::string& name);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Starts the feed (at the fixed start time, with extraFeedArguments) and the scene with nine
    // windows showing bars. False with error() set.
    bool start(const std::vector<std::string>& extraFeedArguments);
    WorldScene* world() const { return world_; }
    int httpPort() const { return httpPort_; }
    const std::string& error() const { return error_; }

private:
    TempHome home_;
    NodePeer feed_;
    WorldScene* world_ = nullptr;
    int httpPort_ = 0;
    std::string error_;
};

}  // namespace live_scene
