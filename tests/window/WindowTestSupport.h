#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "FrameSteps.h"
#include "KLineChartHost.h"
#include "KLineChartView.h"
#include "KLineHistoryLoader.h"
#include "TempHome.h"

// Helpers shared by the tests of window/.

// A fresh writable folder ($ZENTO_HOME) whose log file collects this test's log lines.
class ScopedHome : public TempHome {
public:
    ScopedHome();
    ~ScopedHome();
    // The log lines written since the folder was made.
    std::string logText() const;
    bool logHas(const std::string& text) const { return logText().find(text) != std::string::npos; }
};

// Records what the series and loader ask of their window and view.
class RecordingHost : public KLineChartHost, public KLineChartView {
public:
    float getScrollOffset() const override { return scrollOffset; }
    void setLoadingTint(unsigned char red, unsigned char green, unsigned char blue) override {
        tint = {red, green, blue};
    }
    void dropCachedPositions() override { ++dropCount; }
    void clearLabelDictionary() override { ++labelClearCount; }
    void showNewestBars() override { ++showNewestCount; }
    void keepVisibleBars(int newCount) override { keptCounts.push_back(newCount); }
    void barChanged(KLineBar* bar, bool isNew) override {
        changedBar = bar;
        changedIsNew = isNew;
        ++changeCount;
    }
    void setTimeType(int ttype) override { viewTimeType = ttype; }
    void setIndicatorPeriodIndex(int index) override { viewBollPeriodIndex = index; }
    void clearSeries() override { ++clearViewCount; }
    void updatePriceLabel(const KLineBar& newest) override {
        priceLabel = newest.close;
        ++priceLabelCount;
    }
    void redrawLinkedButton() override { ++buttonRedrawCount; }
    void setRiseGreenConvention(bool riseGreen) override { conventions.push_back(riseGreen); }
    void updateTitle() override { ++titleCount; }
    void weekHistoryMerged() override { ++weekMergedCount; }
    std::string getKlineHistoryServer() override { return historyServer; }

    float scrollOffset = 0;
    std::vector<int> tint;
    int dropCount = 0;
    int labelClearCount = 0;
    int showNewestCount = 0;
    std::vector<int> keptCounts;
    KLineBar* changedBar = nullptr;
    bool changedIsNew = false;
    int changeCount = 0;
    int viewTimeType = 0;
    int viewBollPeriodIndex = -100;
    int clearViewCount = 0;
    float priceLabel = 0;
    int priceLabelCount = 0;
    int buttonRedrawCount = 0;
    std::vector<bool> conventions;
    int titleCount = 0;
    int weekMergedCount = 0;
    std::string historyServer = "http://127.0.0.1:9/history.php";
};

// A loader whose requests are recorded instead of sent; a test answers them itself.
class RecordingLoader : public KLineHistoryLoader {
public:
    struct Request {
        std::string method;
        std::string url;
        std::string tag;
        std::string body;
        cocos2d::SEL_HttpResponse handler = nullptr;
    };
    // The host is also the loader's view.
    static RecordingLoader* create(RecordingHost* host);

    // Delivers a response to request k: status 200 with body when ok, else a failed transfer.
    void answer(size_t k, bool ok, const std::vector<unsigned char>& body, int status = 200);
    void answer(size_t k, bool ok, const std::string& body, int status = 200);
    // Delivers a response with another tag to request k's handler.
    void answerWithTag(size_t k, const std::string& tag, const std::vector<unsigned char>& body);

    std::vector<Request> sent;

protected:
    using KLineHistoryLoader::KLineHistoryLoader;
    void sendGet(const std::string& url, const std::string& tag, cocos2d::SEL_HttpResponse handler) override;
    void sendPost(const std::string& body, const std::string& url, const std::string& tag,
                  cocos2d::SEL_HttpResponse handler) override;
};

// Bars as CSV lines "time,open,high,low,close,volume", count bars of step seconds from start.
std::string barLines(uint32_t start, int count, uint32_t step = 60, double base = 1.1);
// The text compressed by the gzip program (gzip -c -n).
std::vector<unsigned char> gzipWithTool(const std::string& text);
std::vector<unsigned char> bytesOf(const std::string& text);
bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readWholeFile(const std::string& path);
bool fileExists(const std::string& path);

// The loader's retry and refill timers run for seconds: stepped in tenths.
constexpr float TIMER_STEP = 0.1f;
// Waits (without stepping frames) until condition holds or the deadline passes.
bool waitUntil(const std::function<bool()>& condition, double seconds = 20);

// Whether bars are strictly ascending in time with index equal to position.
bool isStrictlyAscending(const KLineSeries& series);

// Runs a program and collects its standard output; false when it could not run, failed or outlived
// the deadline (it is then killed).
bool runForOutput(const std::vector<std::string>& argv, std::string& output, double seconds = 60);
