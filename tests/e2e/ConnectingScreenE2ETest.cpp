#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TempHome.h"
#include "TextFiles.h"
#include "UserData.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(SDL_Surface* image, int x, int y) {
    const auto* row = static_cast<const uint8_t*>(image->pixels) + y * image->pitch;
    uint32_t value = 0;
    std::memcpy(&value, row + x * image->format->BytesPerPixel, image->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(value, image->format, &r, &g, &b);
    return {r, g, b};
}

// Counts pixels in a rectangle (image coordinates, y down) that satisfy a test.
template <typename Test>
int countPixels(SDL_Surface* image, int x0, int y0, int x1, int y1, Test test) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) count += test(pixelAt(image, x, y)) ? 1 : 0;
    return count;
}

TEST(ConnectingScreenEndToEnd, ScreenshotShowsBackgroundLogoDotsAndTexts) {
    TempHome home("zento-e2e", TempHome::Use::FOLDER);
    // The window comes back at its saved rectangle: the one the pixel positions below are taken from.
    UserData settings;
    settings.setWindowRect(cocos2d::CCRect(0, 0, 900, 600));
    const std::vector<unsigned char> bytes = settings.encodeSettings();
    std::ofstream(home.path() + "/config.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string shot = home.path() + "/shot.png";
    // The run gets only this environment (and the sanitizers' options): an SDL_VIDEODRIVER set around
    // the test cannot change it. xvfb-run is a script and needs a PATH.
    ProcessLaunch launch;
    launch.argv = {XVFB_RUN, "-a",      "-s", "-screen 0 1280x800x24", ZENTO_PROGRAM, "--screenshot",
                   shot,     "--after", "2"};
    launch.environment = {"PATH=/usr/bin:/bin", "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                          "ZENTO_HOME=" + home.path()};
    launch.outputPath = home.path() + "/out.txt";
    launch.errorPath = home.path() + "/err.txt";
    const std::optional<int> status = runToEnd(launch, Seconds(120));
    const std::string output = readText(launch.outputPath) + readText(launch.errorPath);
    ASSERT_EQ(describeStatus(status), "exit 0") << output;

    SDL_Surface* loaded = IMG_Load(shot.c_str());
    ASSERT_NE(loaded, nullptr) << IMG_GetError();
    SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->w, 900);
    ASSERT_EQ(image->h, 600);

    auto dark = [](Rgb p) { return p.r < 80 && p.g < 80 && p.b < 90; };
    auto blue = [](Rgb p) { return p.b > 180 && p.r < 120 && p.b > p.r + 80; };
    auto light = [](Rgb p) { return p.r > 180 && p.g > 180 && p.b > 180; };
    // The shaded map covers the window: the corners are dark.
    EXPECT_TRUE(dark(pixelAt(image, 3, 3)));
    EXPECT_TRUE(dark(pixelAt(image, 896, 3)));
    // The logo, centred: a blue emblem and light letters.
    EXPECT_GT(countPixels(image, 330, 268, 570, 332, blue), 200);
    EXPECT_GT(countPixels(image, 330, 268, 570, 332, light), 200);
    // The dots sit a quarter of the height from the bottom, 30 px apart; at least one is lit.
    EXPECT_GT(countPixels(image, 405, 435, 495, 465, [](Rgb p) { return p.b > 150; }), 3);
    EXPECT_EQ(countPixels(image, 405, 380, 495, 420, [](Rgb p) { return p.b > 150; }), 0);
    // The status text at 15 % height and the version text in the bottom-right corner.
    EXPECT_GT(countPixels(image, 300, 495, 600, 525, light), 20);
    EXPECT_GT(countPixels(image, 700, 575, 898, 598, [](Rgb p) { return p.r > 120; }), 20);
    SDL_FreeSurface(image);

    std::string log = readText(home.path() + "/DebugInfo.txt");
    EXPECT_NE(log.find("Zento(V0.62) [ zento_linux ] Debug Log"), std::string::npos);
}

}  // namespace
