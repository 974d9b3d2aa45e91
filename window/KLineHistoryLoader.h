#pragma once

#include <climits>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CCHttpClient.h"
#include "CCNode.h"
#include "EXDelayFunc.h"
#include "KLineSeries.h"

class KLineChartHost;
class KLineChartView;

constexpr int HISTORY_FILE_BARS = 200;  // a history file with fewer bars is the oldest one
constexpr int HISTORY_CUT_COUNT = 100;  // most files asked for in one history-list request
constexpr const char* HISTORY_SIGNATURE_SALT = "*&%&!~QPQPmbnnvcxzlaqYTRTG";
constexpr const char* HISTORY_CACHE_FOLDER = "hCache/";
constexpr float WEEK_RETRY_DELAY = 5.0f;
constexpr float HISTORY_RETRY_DELAY = 3.0f;
// A history or week file may inflate to at most this many times its size, and never beyond
// MAX_INFLATED_HISTORY_BYTES; more is treated as a corrupt file rather than filling the memory.
constexpr size_t MAX_HISTORY_INFLATE_RATIO = 64;
constexpr size_t MAX_INFLATED_HISTORY_BYTES = size_t{256} << 20;

// Fills a chart window's series: the week history in one piece, then, whenever the chart is
// scrolled to its oldest bar, older history from a signed list of gzip files, each taken from the
// disk cache under the writable folder or downloaded, inflated and parsed on a detached thread and
// merged in front of the series. Owns the series.
//
// The chart window (StockWindow) owns one loader and adds it as a child node, so that its per-frame
// step and its retry delays run while the window is in the scene; the window forwards setStock,
// setTimeType, live bars and the refill after a reconnect, and implements KLineChartHost; its chart
// view, made after the loader because it reads the loader's bars, implements KLineChartView.
//
// Main thread only. The parse threads share nothing but their batch (see ParseKLineStruct).
// Requests carry a tag made of the time type and a generation number that changes with every
// instrument or time type change: responses, parse results and delayed retries of an earlier
// generation are dropped. Failed requests and parses are retried after a delay, without limit, but
// only while the window is shown.
class KLineHistoryLoader : public cocos2d::CCNode {
public:
    static KLineHistoryLoader* create(KLineChartHost* host);
    ~KLineHistoryLoader() override;

    // The window calls this before it goes: the host and the view are forgotten and whatever is still under
    // way (responses, parse results, retries) is dropped.
    void shutdown();
    void setHost(KLineChartHost* host);
    void setView(KLineChartView* view);
    // The window's show and hide. A hidden window sends no retries; those that fell due meanwhile go
    // out when it is shown again. A new loader counts as shown.
    void setWindowShown(bool shown);
    bool isWindowShown() const { return windowShown_; }

    KLineSeries& series() { return series_; }
    const KLineSeries& series() const { return series_; }
    const std::string& getSymbol() const { return symbol_; }
    int getTimeTypeIndex() const { return timeTypeIndex_; }
    int getTtype() const { return ttype_; }

    // Stores a new instrument and empties the series; false (nothing changes) for the current one.
    // The window then resets its view and calls setTimeType(current index, true).
    bool setSymbol(const std::string& symbol);
    // Selects a time type (0 to 8; others are ignored) and restarts loading; fetch requests week
    // history at once.
    void setTimeType(int index, bool fetch);
    // Applies a live bar to the series.
    void updateKLine(uint32_t time, float open, float high, float low, float close, int32_t volume);
    // After a reconnect of the live stream: fetch week history again and merge it up to the bars
    // already held.
    void refill();

    void requestWeekHistory();
    void GetKLineWeekHistoryCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void requestHistoryList();
    void GetStockHistoryDataCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void loadNextHistoryFile();
    void downloadHistoryFile(const std::string& url, const std::string& tag);
    void DownloadStockHistoryDataCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    // The per-frame step: merges parsed batches and moves history loading on.
    void loadHistoryTick(float dt);
    // Schedules loadHistoryTick every frame: when the window is shown, when a week response went to
    // the parser, and when the chart's scroll offset becomes positive. unschedule: window hidden.
    void scheduleHistoryTick();
    void unscheduleHistoryTick();
    bool isHistoryTickScheduled() const;

    // Body of a parse thread: inflates the batch's raw data and parses it into bars, publishing
    // them (state 2) or the failure (state 3) only while the batch still carries ticket.
    static void parseKLineThread(std::shared_ptr<ParseKLineStruct> batch, uint64_t ticket);
    // The most bytes that raw data of this size may inflate to.
    static size_t inflatedLimit(size_t compressedSize);

    int getWeekBatchState() const;
    int getHistoryBatchState() const;
    bool isRefillMode() const;
    const std::deque<std::string>& getHistoryFiles() const { return historyFiles_; }
    uint32_t getLastRequestEndTime() const { return lastRequestEndTime_; }

    // The part of a file URL after its last "/" (after the last "\" without "/"; all of it
    // without either).
    static std::string fileNameOfUrl(const std::string& url);
    // Whether a name from a server may become part of a cache path: not empty, no "/", "\", "..",
    // no control characters.
    static bool isSafeCacheName(const std::string& name);
    // The cache file of a history file (or, with the symbol as name, of the week history); empty
    // when symbol or name may not be part of a path.
    std::string cachePathFor(const std::string& name) const;
    // The history-list request body for an end time at a given time, as it is sent.
    std::string historyListBody(uint32_t endTime, int64_t now) const;

protected:
    explicit KLineHistoryLoader(KLineChartHost* host);
    // How requests leave; tests replace them.
    virtual void sendGet(const std::string& url, const std::string& tag, cocos2d::SEL_HttpResponse handler);
    virtual void sendPost(const std::string& body, const std::string& url, const std::string& tag,
                          cocos2d::SEL_HttpResponse handler);

private:
    // The time type in decimal, "#", the generation; a download adds "#" and the file name.
    std::string requestTag() const;
    // Reads a response tag; false when it belongs to another time type or generation.
    bool isCurrentTag(const char* tag, bool& sameTimeType, std::string* fileName = nullptr) const;
    void sendHistoryListRequest(uint32_t endTime);
    void resetLoading();
    // Hands raw data to a parse thread.
    void handOver(const std::shared_ptr<ParseKLineStruct>& batch, std::vector<unsigned char> raw,
                  const std::string& cachePath, const std::string& sourceUrl, const std::string& sourceName,
                  bool fromCache);
    // Writes the raw data of a parsed batch to its cache file.
    void cacheParsedBatch(const std::shared_ptr<ParseKLineStruct>& batch);
    void setBatchState(const std::shared_ptr<ParseKLineStruct>& batch, int32_t state);
    int batchState(const std::shared_ptr<ParseKLineStruct>& batch) const;
    void markHistoryComplete();
    // What a failed request or parse asks again, after its row's delay in RETRY_ROWS (in step order).
    enum class RetryStep { WeekHistory, HistoryList, Download };
    struct RetryRow {
        RetryStep step;
        float delaySeconds;
    };
    static constexpr RetryRow RETRY_ROWS[] = {
        {RetryStep::WeekHistory, WEEK_RETRY_DELAY},
        {RetryStep::HistoryList, HISTORY_RETRY_DELAY},
        {RetryStep::Download, HISTORY_RETRY_DELAY},
    };
    static constexpr int RETRY_STEP_COUNT = 3;
    // Generations wrap here so that one times the step count still fits the delayed call's int.
    static constexpr unsigned RETRY_GENERATION_SPAN = INT_MAX / RETRY_STEP_COUNT;

    void retryLater(RetryStep step);
    // The delayed call carries one int: the generation times the step count, plus the step.
    void retryDue(int generationAndStep);
    // Asks the step again unless its generation has gone, its request is no longer awaited, or the
    // window is hidden (then the retry is held for setWindowShown).
    void retry(RetryStep step, int generation);
    // True (the retry is kept for setWindowShown) when the window is hidden.
    bool holdWhileHidden(RetryStep step, int generation);
    void afterHistoryMerge(size_t held);
    void retryFailedHistoryFile();

    KLineChartHost* host_ = nullptr;
    KLineChartView* view_ = nullptr;
    KLineSeries series_;
    std::string symbol_;
    int timeTypeIndex_ = 0;
    int ttype_ = TIME_TYPES[0];
    uint32_t lastRequestEndTime_ = 0;
    std::deque<std::string> historyFiles_;
    std::string lastDownloadUrl_;
    std::string lastDownloadTag_;
    unsigned generation_ = 0;
    bool windowShown_ = true;
    std::vector<std::pair<RetryStep, int>> heldRetries_;
};
