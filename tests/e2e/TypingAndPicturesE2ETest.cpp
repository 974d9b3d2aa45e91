// Typing over a chart and saving its picture, as a user does: xdotool types letters over the selected
// window of the real terminal against the local feed, presses Enter, then Ctrl+S. The window switches
// to the first match (saved), and a PNG of the window's size lands in the home folder (no pictures
// folder is configured there).
#include <gtest/gtest.h>

#include <SDL_image.h>

#include <filesystem>
#include <string>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;
namespace fs = std::filesystem;

class TypingAndPicturesEndToEnd : public ChartWindowsFixture {
protected:
    TypingAndPicturesEndToEnd() : ChartWindowsFixture("zento-typing-e2e") {}

    std::string picture() const {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(home(), error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("Zento-", 0) == 0 && entry.path().extension() == ".png")
                return entry.path().string();
        }
        return "";
    }
};

TEST_F(TypingAndPicturesEndToEnd, LettersSwitchTheSelectedWindowAndCtrlSSavesItsPicture) {
    writeStartSettings({"XAUUSD"}, 0);
    TerminalRun* run = startTerminal({chartArea()});
    ASSERT_TRUE(run);
    ASSERT_TRUE(click(centre(chartArea())));
    ASSERT_TRUE(frame());

    // "gbp" then Enter: the chooser opens on the first letter and Enter takes its first match.
    ASSERT_TRUE(pointer_->typeText("gbp"));
    ASSERT_TRUE(frame());
    ASSERT_TRUE(pointer_->pressKey("Return"));
    const Saved switched =
        savedWhen([](const Saved& s) { return !s.windows.empty() && s.codes()[0] != "XAUUSD"; });
    ASSERT_EQ(switched.windows.size(), 1u);
    EXPECT_NE(switched.codes()[0].find("GBP"), std::string::npos) << switched.codes()[0];

    // Ctrl+S: the selected window's picture, named after its instrument, as large as the window.
    ASSERT_TRUE(pointer_->pressKey("ctrl+s"));
    ASSERT_TRUE(waitForLog(*run, "chart image saved to", 1));
    const std::string path = picture();
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.find("Zento-" + switched.codes()[0] + "-"), std::string::npos) << path;
    SDL_Surface* image = IMG_Load(path.c_str());
    ASSERT_NE(image, nullptr) << IMG_GetError();
    const Rect area = chartArea();
    EXPECT_NEAR(image->w, area.width, 2);
    EXPECT_NEAR(image->h, area.height, 2);
    SDL_FreeSurface(image);
    closeTerminal(*run);
}

}  // namespace

namespace {
using namespace chart_e2e;

// The linked line is amber; nothing else on a chart is.
bool linkedAmber(Rgb p) {
    return p.r >= 140 && p.g >= 100 && p.b <= 110 && p.r >= p.b + 60;
}
// The most amber pixels in one column of the window's chart.
int tallestAmberColumn(const Screenshot& shot, const Rect& window) {
    const PixelRect chart = chartPixels(window);
    int tallest = 0;
    for (int x = chart.left; x < chart.right; ++x)
        tallest = std::max(tallest, shot.count({x, chart.top, x + 1, chart.bottom}, linkedAmber));
    return tallest;
}

class LinkedCrosshairEndToEnd : public ChartWindowsFixture {
protected:
    LinkedCrosshairEndToEnd() : ChartWindowsFixture("zento-linked-e2e") {}
};

// Four windows, three of gold: with the pointer over the first, the other two gold charts mark the same
// moment with a line through their chart; the euro chart, another instrument, marks nothing.
TEST_F(LinkedCrosshairEndToEnd, ThePointerTimeIsMarkedInTheOtherWindowsOfItsInstrument) {
    constexpr int FOUR_WINDOWS = 8;
    writeStartSettings({"XAUUSD", "XAUUSD", "XAUUSD", "EURUSD"}, FOUR_WINDOWS);
    const std::vector<Rect> windows = {cellRect(2, 2, 0, 1, 1, 1), cellRect(2, 2, 1, 1, 1, 1),
                                       cellRect(2, 2, 0, 0, 1, 1), cellRect(2, 2, 1, 0, 1, 1)};
    TerminalRun* run = startTerminal(windows);
    ASSERT_TRUE(run);
    const PixelRect first = chartPixels(windows[0]);
    ASSERT_TRUE(pointer_->moveTo({(first.left + first.right) / 2, (first.top + first.bottom) / 2}));
    const std::optional<Screenshot> shot = run->screenshotWhen(
        [&](const Screenshot& s) {
            const PixelRect chart = chartPixels(windows[1]);
            return tallestAmberColumn(s, windows[1]) * 2 > chart.bottom - chart.top;
        },
        WAIT);
    ASSERT_TRUE(shot) << run->error();
    for (int i : {1, 2}) {
        const PixelRect chart = chartPixels(windows[i]);
        EXPECT_GT(tallestAmberColumn(*shot, windows[i]) * 2, chart.bottom - chart.top) << "window " << i;
    }
    EXPECT_LT(tallestAmberColumn(*shot, windows[3]), 10) << "another instrument: " << shot->path();
    closeTerminal(*run);
}

}  // namespace
