#include "PointerInput.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <utility>

#include "ChildProcess.h"
#include "TextFiles.h"

namespace {
constexpr Seconds TOOL_TIMEOUT = Seconds(30);
constexpr int DRAG_STEPS = 5;
constexpr const char* PRESS_PAUSE = "0.3";
constexpr const char* STEP_PAUSE = "0.15";
constexpr const char* KEY_HOLD = "0.4";
}  // namespace

std::string PointerInput::findTool() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/xdotool";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

PointerInput::PointerInput(std::string tool, std::string display, std::string folder)
    : tool_(std::move(tool)), display_(std::move(display)), folder_(std::move(folder)) {}

bool PointerInput::findWindow(const std::string& windowName, double timeoutSeconds) {
    const bool found = waitUntil(
        [&] {
            std::string output;
            if (!run({"search", "--name", windowName}, &output)) return false;
            std::istringstream ids(output);
            return static_cast<bool>(ids >> window_);
        },
        Seconds(timeoutSeconds), Seconds(0.3));
    if (!found) error_ = "no X window named " + windowName + " on " + display_ + ": " + error_;
    return found;
}

std::vector<std::string> PointerInput::moveArguments(Pixel at) const {
    return {"mousemove", "--window", window_, std::to_string(at.x), std::to_string(at.y)};
}

bool PointerInput::click(Pixel at) {
    std::vector<std::string> arguments = moveArguments(at);
    arguments.insert(arguments.end(), {"click", "1"});
    return run(arguments);
}

bool PointerInput::drag(Pixel from, Pixel to) {
    std::vector<std::string> arguments = moveArguments(from);
    arguments.insert(arguments.end(), {"mousedown", "1", "sleep", PRESS_PAUSE});
    for (int step = 1; step <= DRAG_STEPS; ++step) {
        const std::vector<std::string> move = moveArguments(
            {from.x + (to.x - from.x) * step / DRAG_STEPS, from.y + (to.y - from.y) * step / DRAG_STEPS});
        arguments.insert(arguments.end(), move.begin(), move.end());
        arguments.insert(arguments.end(), {"sleep", STEP_PAUSE});
    }
    arguments.insert(arguments.end(), {"sleep", PRESS_PAUSE, "mouseup", "1"});
    return run(arguments);
}

bool PointerInput::moveTo(Pixel at) {
    return run(moveArguments(at));
}

bool PointerInput::pressKey(const std::string& key) {
    return run({"windowfocus", "--sync", window_, "keydown", key, "sleep", KEY_HOLD, "keyup", key});
}

bool PointerInput::typeText(const std::string& text) {
    return run({"windowfocus", "--sync", window_, "type", "--delay", "60", text});
}

bool PointerInput::resize(int width, int height) {
    return run({"windowsize", "--sync", window_, std::to_string(width), std::to_string(height)});
}

bool PointerInput::geometry(Geometry& result) {
    std::string output;
    if (!run({"getwindowgeometry", "--shell", window_}, &output)) return false;
    std::map<std::string, int> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
    }
    for (const char* name : {"X", "Y", "WIDTH", "HEIGHT"}) {
        if (values.count(name) == 0) {
            error_ = "xdotool getwindowgeometry: no " + std::string(name) + " in \"" + output + "\"";
            return false;
        }
    }
    result = {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
    return true;
}

bool PointerInput::run(const std::vector<std::string>& arguments, std::string* output) {
    ProcessLaunch launch;
    launch.argv = {tool_};
    launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
    launch.environment = {"DISPLAY=" + display_};
    launch.outputPath = folder_ + "/xdotool.out";
    launch.errorPath = folder_ + "/xdotool.err";
    const std::string status = describeStatus(runToEnd(launch, TOOL_TIMEOUT));
    if (output) *output = readText(launch.outputPath);
    if (status == "exit 0") return true;
    std::ostringstream text;
    text << "xdotool";
    for (const std::string& argument : arguments) text << " " << argument;
    text << ": " << status << " " << readText(launch.errorPath);
    error_ = text.str();
    return false;
}
