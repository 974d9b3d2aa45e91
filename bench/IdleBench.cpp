// The idle terminal: the real program on SDL's offscreen driver (Mesa's software rasteriser) against the
// local feed at its normal pace, four windows (a first start), measured from /proc over MEASURE_SECONDS
// after WARM_UP_SECONDS of start-up; frames and redrawn area from the terminal's own --stats lines. CPU
// seconds per second with damage tracking against the same run drawing every frame whole
// (ZENTO_FULL_REDRAW=1), in the same run of this program. The feed listens on its default ports (8090, 8080):
// they must be free.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "TempHome.h"

namespace {
constexpr double WARM_UP_SECONDS = 10;
constexpr double MEASURE_SECONDS = 30;
constexpr double TARGET_RATIO = 0.10;

// utime + stime of a process, in seconds.
double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int field = 3; field < 14; ++field) fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Idle {
    double share = -1;  // of one core over the measuring window; negative when it did not run
    double framesPerSecond = 0;
    double areaPerFrame = 0;  // window pixels redrawn by a drawn frame, mean of the terminal's own figures
};

// Means of the once-a-second figures the terminal logs with --stats, from the measuring window.
void readStats(const std::string& logPath, Idle& idle) {
    std::ifstream log(logPath);
    std::string line;
    std::vector<std::pair<double, double>> seconds;
    while (std::getline(log, line)) {
        const size_t at = line.find("stats: ");
        double frames = 0, area = 0;
        if (at != std::string::npos &&
            std::sscanf(line.c_str() + at, "stats: %lf frames/s %lf px/frame", &frames, &area) == 2)
            seconds.emplace_back(frames, area);
    }
    const size_t skip = static_cast<size_t>(WARM_UP_SECONDS);
    if (seconds.size() <= skip) return;
    double frames = 0, area = 0;
    for (size_t i = skip; i < seconds.size(); ++i) {
        frames += seconds[i].first;
        area += seconds[i].first * seconds[i].second;
    }
    idle.framesPerSecond = frames / static_cast<double>(seconds.size() - skip);
    idle.areaPerFrame = frames > 0 ? area / frames : 0;
}

Idle idleRun(bool fullRedraw) {
    TempHome home("zento-idle-bench", TempHome::Use::FOLDER);
    ProcessLaunch launch;
    launch.argv = {ZENTO_PROGRAM, "--stats"};
    launch.environment = {"ZENTO_HOME=" + home.path(), "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    if (fullRedraw) launch.environment.push_back("ZENTO_FULL_REDRAW=1");
    launch.outputPath = home.path() + "/terminal.out";
    ChildProcess terminal(launch);
    if (!terminal.started()) return Idle();
    std::this_thread::sleep_for(std::chrono::duration<double>(WARM_UP_SECONDS));
    const double before = cpuSeconds(terminal.pid());
    std::this_thread::sleep_for(std::chrono::duration<double>(MEASURE_SECONDS));
    const double after = cpuSeconds(terminal.pid());
    Idle idle;
    if (!terminal.running() || before < 0 || after < 0) return idle;
    terminal.stop(Seconds(10));
    idle.share = (after - before) / MEASURE_SECONDS;
    readStats(home.path() + "/DebugInfo.txt", idle);
    return idle;
}
}  // namespace

int main() {
    TempHome feedHome("zento-idle-feed", TempHome::Use::FOLDER);
    ProcessLaunch feedLaunch;
    feedLaunch.argv = {ZENTO_NODE,     ZENTO_FEED_DIR "/server.js",
                       "--start-time", "2024-05-15T13:30:00Z",
                       "--data",       feedHome.path(),
                       "--quiet"};
    feedLaunch.environment = {"PATH=/usr/bin:/bin"};
    ChildProcess feed(feedLaunch);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    if (!feed.running()) {
        std::fprintf(stderr, "bench_idle: the feed did not start (ports 8090 and 8080 busy?)\n");
        return 1;
    }
    const Idle trackedRun = idleRun(false);
    const Idle wholeRun = idleRun(true);
    const double tracked = trackedRun.share, whole = wholeRun.share;
    if (tracked < 0 || whole <= 0) {
        std::fprintf(stderr, "bench_idle: the terminal did not run through the measurement\n");
        return 1;
    }
    const double ratio = tracked / whole;
    std::printf(
        "idle terminal, %.0f s after %.0f s of start-up: damage tracking %.1f %% of a core, whole frames "
        "%.1f %% of a core\n",
        MEASURE_SECONDS, WARM_UP_SECONDS, tracked * 100, whole * 100);
    std::printf(
        "frames drawn per second: %.1f with damage tracking, %.1f whole; mean redrawn area per frame: "
        "%.0f px (whole frames: %.0f px)\n",
        trackedRun.framesPerSecond, wholeRun.framesPerSecond, trackedRun.areaPerFrame, wholeRun.areaPerFrame);
    std::printf("ratio %.3f (target <= %.2f): %s\n", ratio, TARGET_RATIO,
                ratio <= TARGET_RATIO ? "met" : "missed");
    return 0;
}
