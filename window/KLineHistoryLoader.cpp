#include "KLineHistoryLoader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "CCFileUtils.h"
#include "CCScheduler.h"
#include "CCSignalStack.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "HttpHelpers.h"
#include "KLineChartHost.h"
#include "KLineChartView.h"
#include "KLineCsvReader.h"

USING_NS_CC;

namespace {
constexpr char TAG_SEPARATOR = '#';
constexpr size_t MAX_CACHE_NAME_LENGTH = 255;
constexpr unsigned char LOADING_TINT = 255;
constexpr unsigned char COMPLETE_TINT_RED = 250;
// History lines run near 50 bytes; the guess only sizes the room taken up front.
constexpr size_t TYPICAL_LINE_BYTES = 48;
constexpr size_t GZIP_TRAILER_BYTES = 8;

// The inflated size a gzip file states in its trailer (modulo 4 GB); only a guess, as the trailer
// is not checked until the end.
size_t statedTextSize(const std::vector<unsigned char>& gzip) {
    if (gzip.size() < GZIP_TRAILER_BYTES) return 0;
    const unsigned char* size = gzip.data() + gzip.size() - 4;
    return size_t{size[0]} | size_t{size[1]} << 8 | size_t{size[2]} << 16 | size_t{size[3]} << 24;
}

const char* tagOf(CCHttpResponse* response) {
    return response && response->getHttpRequest() ? response->getHttpRequest()->getTag() : "";
}

const char* urlOf(CCHttpResponse* response) {
    return response && response->getHttpRequest() ? response->getHttpRequest()->getUrl() : "";
}
}  // namespace

KLineHistoryLoader* KLineHistoryLoader::create(KLineChartHost* host) {
    auto* loader = new KLineHistoryLoader(host);
    loader->init();
    loader->autorelease();
    return loader;
}

KLineHistoryLoader::KLineHistoryLoader(KLineChartHost* host) : host_(host) {
    series_.setHost(host);
}

KLineHistoryLoader::~KLineHistoryLoader() = default;

void KLineHistoryLoader::setHost(KLineChartHost* host) {
    host_ = host;
    series_.setHost(host);
}

void KLineHistoryLoader::setView(KLineChartView* view) {
    view_ = view;
    series_.setView(view);
}

void KLineHistoryLoader::setWindowShown(bool shown) {
    windowShown_ = shown;
    if (!shown) return;
    const auto held = std::exchange(heldRetries_, {});
    for (const auto& [step, generation] : held) retry(step, generation);
}

void KLineHistoryLoader::shutdown() {
    setHost(nullptr);
    setView(nullptr);
    ++generation_;
    for (const auto& batch : {series_.getWeekBatch(), series_.getHistoryBatch()}) {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->discardLocked();
    }
    unscheduleHistoryTick();
    // Pending retries fire as they are removed; the new generation makes them no-ops.
    stopAllActions();
}

bool KLineHistoryLoader::setSymbol(const std::string& symbol) {
    if (symbol == symbol_) return false;
    symbol_ = symbol;
    series_.setSymbol(symbol);
    resetLoading();
    return true;
}

// Everything under way for the previous instrument or time type is dropped: responses and retries
// by the new generation, parse results by the batches' new tickets.
void KLineHistoryLoader::resetLoading() {
    ++generation_;
    lastRequestEndTime_ = 0;
    series_.setFirstFill(true);
    {
        const auto& week = series_.getWeekBatch();
        std::lock_guard<std::mutex> guard(week->lock);
        week->discardLocked();
        week->state = BATCH_WAITING;
        week->refillMode = false;
    }
    {
        const auto& history = series_.getHistoryBatch();
        std::lock_guard<std::mutex> guard(history->lock);
        history->discardLocked();
        history->state = BATCH_IDLE;
    }
    series_.clear();
    historyFiles_.clear();
    lastDownloadUrl_.clear();
    lastDownloadTag_.clear();
}

void KLineHistoryLoader::setTimeType(int index, bool fetch) {
    if (index < 0 || index >= TIME_TYPE_COUNT) {
        logInfo("setTimeType refused:%d", index);
        return;
    }
    timeTypeIndex_ = index;
    ttype_ = TIME_TYPES[index];
    if (view_) view_->setTimeType(ttype_);

    resetLoading();
    if (view_) {
        view_->setLoadingTint(LOADING_TINT, LOADING_TINT, LOADING_TINT);
        view_->clearSeries();
    }
    if (host_) host_->updateTitle();
    if (fetch) requestWeekHistory();
}

void KLineHistoryLoader::updateKLine(uint32_t time, float open, float high, float low, float close,
                                     int32_t volume) {
    series_.updateKLine(time, open, high, low, close, volume);
}

void KLineHistoryLoader::refill() {
    {
        const auto& week = series_.getWeekBatch();
        std::lock_guard<std::mutex> guard(week->lock);
        week->refillMode = true;
    }
    requestWeekHistory();
}

// ---- requests and their tags ----

std::string KLineHistoryLoader::requestTag() const {
    return std::to_string(ttype_) + TAG_SEPARATOR + std::to_string(generation_);
}

bool KLineHistoryLoader::isCurrentTag(const char* tag, bool& sameTimeType, std::string* fileName) const {
    sameTimeType = false;
    if (!tag) return false;
    // The tag starts with the time type in decimal; the generation and file name follow.
    char* end = nullptr;
    errno = 0;
    const long ttype = std::strtol(tag, &end, 10);
    sameTimeType = errno == 0 && end != tag && ttype == ttype_;
    if (!sameTimeType || *end != TAG_SEPARATOR) return false;
    const char* generationText = end + 1;
    errno = 0;
    const unsigned long generation = std::strtoul(generationText, &end, 10);
    if (errno != 0 || end == generationText || *generationText == '-' || generation != generation_)
        return false;
    if (fileName) *fileName = *end == TAG_SEPARATOR ? std::string(end + 1) : std::string();
    return *end == '\0' || *end == TAG_SEPARATOR;
}

void KLineHistoryLoader::sendGet(const std::string& url, const std::string& tag, SEL_HttpResponse handler) {
    httpGet(url, tag, this, handler);
}

void KLineHistoryLoader::sendPost(const std::string& body, const std::string& url, const std::string& tag,
                                  SEL_HttpResponse handler) {
    httpPost(body.data(), body.size(), url, tag, this, handler);
}

void KLineHistoryLoader::retryLater(RetryStep step) {
    static_assert(std::size(RETRY_ROWS) == RETRY_STEP_COUNT && RETRY_ROWS[1].step == RetryStep::HistoryList &&
                      RETRY_ROWS[2].step == RetryStep::Download,
                  "retry rows are indexed by their step");
    const RetryRow& row = RETRY_ROWS[static_cast<int>(step)];
    const int generation = static_cast<int>(generation_ % RETRY_GENERATION_SPAN);
    runAction(EXDelayFuncI::create(this, callfuncI_selector(KLineHistoryLoader::retryDue),
                                   generation * RETRY_STEP_COUNT + static_cast<int>(row.step),
                                   row.delaySeconds));
}

void KLineHistoryLoader::retryDue(int generationAndStep) {
    retry(static_cast<RetryStep>(generationAndStep % RETRY_STEP_COUNT), generationAndStep / RETRY_STEP_COUNT);
}

void KLineHistoryLoader::retry(RetryStep step, int generation) {
    if (static_cast<unsigned>(generation) != generation_ % RETRY_GENERATION_SPAN || !host_) return;
    if (step != RetryStep::WeekHistory && batchState(series_.getHistoryBatch()) != BATCH_WAITING) return;
    if (holdWhileHidden(step, generation)) return;
    switch (step) {
        case RetryStep::WeekHistory:
            requestWeekHistory();
            break;
        case RetryStep::HistoryList:
            sendHistoryListRequest(lastRequestEndTime_);
            break;
        case RetryStep::Download:
            downloadHistoryFile(lastDownloadUrl_, lastDownloadTag_);
            break;
    }
}

bool KLineHistoryLoader::holdWhileHidden(RetryStep step, int generation) {
    if (windowShown_) return false;
    const std::pair<RetryStep, int> entry(step, generation);
    if (std::find(heldRetries_.begin(), heldRetries_.end(), entry) == heldRetries_.end()) {
        heldRetries_.push_back(entry);
        logInfo("[%s] window hidden: retry held until it is shown", symbol_.c_str());
    }
    return true;
}

// ---- week history ----

void KLineHistoryLoader::requestWeekHistory() {
    if (symbol_.empty()) {
        logInfo("requestWeekHistory: no instrument yet");
        return;
    }
    const std::string url = getConfigValue(CONFIG_KEY_KWEEK_DATA_URL, DEFAULT_KWEEK_DATA_URL) + symbol_ +
                            "/" + std::to_string(ttype_);
    sendGet(url, requestTag(), httpresponse_selector(KLineHistoryLoader::GetKLineWeekHistoryCallback));
    setBatchState(series_.getWeekBatch(), BATCH_WAITING);
}

void KLineHistoryLoader::GetKLineWeekHistoryCallback(CCHttpClient*, CCHttpResponse* response) {
    const char* tag = tagOf(response);
    bool sameTimeType = false;
    if (!isCurrentTag(tag, sameTimeType)) {
        if (!sameTimeType) {
            logInfo("return not same time!!!!!");
        } else {
            logInfo("week history of an earlier request dropped:%s", tag);
        }
        return;
    }
    const auto& week = series_.getWeekBatch();
    std::vector<unsigned char> raw;
    if (!responseToBytes(response, raw)) {
        {
            std::lock_guard<std::mutex> guard(week->lock);
            week->discardLocked();
        }
        logError("GetKLineWeekHistoryCallback failed:%s, will retry after:%d", tag,
                 static_cast<int>(WEEK_RETRY_DELAY));
        retryLater(RetryStep::WeekHistory);
        return;
    }
    handOver(week, std::move(raw), cachePathFor(symbol_), urlOf(response), symbol_, false);
    scheduleHistoryTick();
}

// ---- history list ----

std::string KLineHistoryLoader::historyListBody(uint32_t endTime, int64_t now) const {
    const std::string signatureText = symbol_ + std::to_string(ttype_) + std::to_string(endTime) +
                                      std::to_string(HISTORY_CUT_COUNT) + std::to_string(now) +
                                      HISTORY_SIGNATURE_SALT;
    const std::string key = md5Hex(signatureText);
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("time");
    writer.Int64(now);
    writer.Key("ttype");
    writer.Int(ttype_);
    writer.Key("etime");
    writer.Uint(endTime);
    writer.Key("key");
    writer.String(key.c_str(), static_cast<rapidjson::SizeType>(key.size()));
    writer.Key("cutCount");
    writer.Int(HISTORY_CUT_COUNT);
    writer.Key("sym");
    writer.String(symbol_.c_str(), static_cast<rapidjson::SizeType>(symbol_.size()));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

void KLineHistoryLoader::requestHistoryList() {
    const uint32_t earliest = series_.getEarliestTime();
    if (lastRequestEndTime_ == earliest && earliest != 0) {
        logInfo("get [%s][%d]history data finished with end time:%d", symbol_.c_str(), ttype_,
                static_cast<int>(earliest));
        markHistoryComplete();
        return;
    }
    lastRequestEndTime_ = earliest;
    setBatchState(series_.getHistoryBatch(), BATCH_WAITING);
    logInfo("================== get History data:%d, time type:%d", static_cast<int>(earliest), ttype_);
    sendHistoryListRequest(earliest);
}

void KLineHistoryLoader::sendHistoryListRequest(uint32_t endTime) {
    const std::string body = historyListBody(endTime, static_cast<int64_t>(std::time(nullptr)));
    std::string url = host_ ? host_->getKlineHistoryServer() : std::string();
    if (url.empty()) url = DEFAULT_KLINE_HISTORY_URL;
    sendPost(body, url, requestTag(), httpresponse_selector(KLineHistoryLoader::GetStockHistoryDataCallback));
    logInfo("================== get history:%s[%d] form:%s", body.c_str(), ttype_, url.c_str());
}

void KLineHistoryLoader::GetStockHistoryDataCallback(CCHttpClient*, CCHttpResponse* response) {
    const char* tag = tagOf(response);
    bool sameTimeType = false;
    if (!isCurrentTag(tag, sameTimeType)) return;
    rapidjson::Document document;
    if (!responseToJson(response, document)) {
        logError("GetStockHistoryDataCallback error:%s", tag);
        retryLater(RetryStep::HistoryList);
        return;
    }
    const bool accepted = document.IsObject() && document.HasMember("result") &&
                          document["result"].IsNumber() && document["result"].GetDouble() != 0 &&
                          document.HasMember("list") && document["list"].IsArray();
    if (!accepted) {
        logError("history list refused:%s, will retry after:%d", tag, static_cast<int>(HISTORY_RETRY_DELAY));
        retryLater(RetryStep::HistoryList);
        return;
    }
    for (const rapidjson::Value& entry : document["list"].GetArray()) {
        if (entry.IsString()) historyFiles_.emplace_back(entry.GetString(), entry.GetStringLength());
    }
    if (historyFiles_.empty()) {
        setBatchState(series_.getHistoryBatch(), BATCH_COMPLETE);
        logInfo("********** [%s] add history file all done!!", symbol_.c_str());
        if (view_) view_->setLoadingTint(COMPLETE_TINT_RED, 0, 0);
        return;
    }
    logInfo("********** [%s] add history file:%d", symbol_.c_str(), static_cast<int>(historyFiles_.size()));
    if (batchState(series_.getWeekBatch()) == BATCH_IDLE) {
        loadNextHistoryFile();
    } else {
        // The week batch is busy (a refill): the tick takes the queue on once it is idle.
        setBatchState(series_.getHistoryBatch(), BATCH_IDLE);
    }
}

// ---- history files ----

std::string KLineHistoryLoader::fileNameOfUrl(const std::string& url) {
    size_t cut = url.rfind('/');
    if (cut == std::string::npos) cut = url.rfind('\\');
    return cut == std::string::npos ? url : url.substr(cut + 1);
}

bool KLineHistoryLoader::isSafeCacheName(const std::string& name) {
    if (name.empty() || name == "." || name.size() > MAX_CACHE_NAME_LENGTH) return false;
    if (name.find("..") != std::string::npos) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
    }
    return true;
}

std::string KLineHistoryLoader::cachePathFor(const std::string& name) const {
    if (!isSafeCacheName(symbol_) || !isSafeCacheName(name)) return std::string();
    return CCFileUtils::sharedFileUtils()->getWritablePath() + HISTORY_CACHE_FOLDER + symbol_ + "/" + name;
}

void KLineHistoryLoader::loadNextHistoryFile() {
    const auto& history = series_.getHistoryBatch();
    if (historyFiles_.empty()) {
        if (batchState(history) != BATCH_WAITING) requestHistoryList();
        return;
    }
    const std::string url = historyFiles_.front();
    historyFiles_.pop_front();
    const std::string name = fileNameOfUrl(url);
    const std::string path = cachePathFor(name);
    if (path.empty()) {
        logInfo("history file name not cached:%s", url.c_str());
    } else if (auto cached = readFile(path); cached && !cached->empty()) {
        handOver(history, std::move(*cached), std::string(), url, name, true);
        return;
    }
    downloadHistoryFile(url, name);
    logInfo("download file:[%s] %s", symbol_.c_str(), url.c_str());
}

void KLineHistoryLoader::downloadHistoryFile(const std::string& url, const std::string& tag) {
    setBatchState(series_.getHistoryBatch(), BATCH_WAITING);
    lastDownloadUrl_ = url;
    lastDownloadTag_ = tag;
    // The separator keeps an empty file name apart from the list and week tags.
    sendGet(url, requestTag() + TAG_SEPARATOR + tag,
            httpresponse_selector(KLineHistoryLoader::DownloadStockHistoryDataCallback));
}

void KLineHistoryLoader::DownloadStockHistoryDataCallback(CCHttpClient*, CCHttpResponse* response) {
    const char* tag = tagOf(response);
    bool sameTimeType = false;
    std::string fileName;
    if (!isCurrentTag(tag, sameTimeType, &fileName)) {
        logInfo("history file of an earlier request dropped:%s", tag);
        return;
    }
    const auto& history = series_.getHistoryBatch();
    std::vector<unsigned char> raw;
    const bool received = responseToBytes(response, raw);
    {
        std::lock_guard<std::mutex> guard(history->lock);
        history->discardLocked();
    }
    if (!received) {
        logError("DownloadStockHistoryDataCallback failed! retry:%s", urlOf(response));
        retryLater(RetryStep::Download);
        return;
    }
    handOver(history, std::move(raw), cachePathFor(fileName), urlOf(response), fileName, false);
}

// ---- parsing ----

void KLineHistoryLoader::handOver(const std::shared_ptr<ParseKLineStruct>& batch,
                                  std::vector<unsigned char> raw, const std::string& cachePath,
                                  const std::string& sourceUrl, const std::string& sourceName,
                                  bool fromCache) {
    uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->discardLocked();
        if (raw.size() <= UINT32_MAX) {
            batch->rawData = std::move(raw);
            batch->rawSize = static_cast<uint32_t>(batch->rawData.size());
        } else {
            logError("history data too large: %zu bytes", raw.size());
        }
        batch->cachePath = cachePath;
        batch->sourceUrl = sourceUrl;
        batch->sourceName = sourceName;
        batch->fromCache = fromCache;
        batch->state = BATCH_PARSING;
        ticket = batch->ticket;
    }
    try {
        std::thread(&KLineHistoryLoader::parseKLineThread, batch, ticket).detach();
    } catch (const std::system_error& error) {
        logError("cannot start the history parser: %s", error.what());
        std::lock_guard<std::mutex> guard(batch->lock);
        if (batch->ticket == ticket) batch->state = BATCH_FAILED;
    }
}

void KLineHistoryLoader::parseKLineThread(std::shared_ptr<ParseKLineStruct> batch, uint64_t ticket) {
    cocos2d::installSignalStack();
    if (!batch) return;
    std::vector<unsigned char> raw;
    bool keepRaw = false;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        if (batch->ticket != ticket) return;
        raw.swap(batch->rawData);
        batch->rawSize = 0;
        if (raw.empty()) {
            batch->state = BATCH_FAILED;
            return;
        }
        keepRaw = !batch->cachePath.empty();
    }
    // The lock is not held while inflating and parsing: the main thread never waits on this work.
    bool inflated = false;
    std::vector<std::unique_ptr<KLineBar>> bars;
    size_t skipped = 0;
    try {
        // Each inflated piece is read while it is still in the cache, instead of the whole text
        // sitting in memory first.
        const size_t limit = inflatedLimit(raw.size());
        KLineCsvReader reader(std::min(statedTextSize(raw), limit) / TYPICAL_LINE_BYTES + 1);
        inflated =
            gzipInflatePieces(raw.data(), raw.size(), limit, [&](const unsigned char* piece, size_t length) {
                reader.feed(reinterpret_cast<const char*>(piece), length);
            }) == 0;
        if (inflated) {
            bars = reader.finish(skipped);
        } else {
            logError("unzipData failed!!!");
        }
    } catch (const std::bad_alloc&) {
        // Nothing may leave this thread: an exception here would end the whole program.
        inflated = false;
        bars.clear();
        logError("unzipData failed!!! out of memory for %zu bytes", raw.size());
    }
    if (skipped > 0) logInfo("history lines skipped (not six numbers):%zu", skipped);

    // The main thread looks for the result in its next frame: a sleeping loop is woken (after the unlock).
    struct WakeMainThread {
        ~WakeMainThread() { cocos2d::CCScheduler::wakeMainThread(); }
    } wake;
    std::lock_guard<std::mutex> guard(batch->lock);
    if (batch->ticket != ticket) return;
    if (!inflated) {
        batch->state = BATCH_FAILED;
        return;
    }
    batch->bars = std::move(bars);
    if (keepRaw) batch->parsedRaw = std::move(raw);
    batch->state = BATCH_PARSED;
}

size_t KLineHistoryLoader::inflatedLimit(size_t compressedSize) {
    if (compressedSize > MAX_INFLATED_HISTORY_BYTES / MAX_HISTORY_INFLATE_RATIO)
        return MAX_INFLATED_HISTORY_BYTES;
    return compressedSize * MAX_HISTORY_INFLATE_RATIO;
}

void KLineHistoryLoader::cacheParsedBatch(const std::shared_ptr<ParseKLineStruct>& batch) {
    std::string path;
    std::vector<unsigned char> bytes;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        if (batch->state != BATCH_PARSED || batch->cachePath.empty() || batch->parsedRaw.empty()) return;
        path.swap(batch->cachePath);
        bytes.swap(batch->parsedRaw);
    }
    if (!saveFile(path, bytes.data(), bytes.size())) {
        logInfo("history cache not written:%s", path.c_str());
    }
}

// ---- the per-frame step ----

void KLineHistoryLoader::scheduleHistoryTick() {
    schedule(schedule_selector(KLineHistoryLoader::loadHistoryTick));
}

void KLineHistoryLoader::unscheduleHistoryTick() {
    unschedule(schedule_selector(KLineHistoryLoader::loadHistoryTick));
}

bool KLineHistoryLoader::isHistoryTickScheduled() const {
    return getScheduler()->isScheduled(schedule_selector(KLineHistoryLoader::loadHistoryTick),
                                       const_cast<KLineHistoryLoader*>(this));
}

void KLineHistoryLoader::setBatchState(const std::shared_ptr<ParseKLineStruct>& batch, int32_t state) {
    std::lock_guard<std::mutex> guard(batch->lock);
    batch->state = state;
}

int KLineHistoryLoader::batchState(const std::shared_ptr<ParseKLineStruct>& batch) const {
    std::lock_guard<std::mutex> guard(batch->lock);
    return batch->state;
}

int KLineHistoryLoader::getWeekBatchState() const {
    return batchState(series_.getWeekBatch());
}

int KLineHistoryLoader::getHistoryBatchState() const {
    return batchState(series_.getHistoryBatch());
}

bool KLineHistoryLoader::isRefillMode() const {
    const auto& week = series_.getWeekBatch();
    std::lock_guard<std::mutex> guard(week->lock);
    return week->refillMode;
}

void KLineHistoryLoader::markHistoryComplete() {
    setBatchState(series_.getHistoryBatch(), BATCH_COMPLETE);
    if (view_) view_->setLoadingTint(COMPLETE_TINT_RED, 0, 0);
}

void KLineHistoryLoader::loadHistoryTick(float) {
    if (!host_) {
        unscheduleHistoryTick();
        return;
    }
    const auto& week = series_.getWeekBatch();
    const auto& history = series_.getHistoryBatch();
    int weekState = getWeekBatchState();
    const bool busy = (view_ && view_->getScrollOffset() > 0) || isRefillMode();
    if (busy) {
        if (weekState == BATCH_PARSED || weekState == BATCH_MERGING) {
            cacheParsedBatch(week);
            series_.insertWeekHistoryKLine();
            weekState = getWeekBatchState();
        } else if (weekState == BATCH_FAILED) {
            setBatchState(week, BATCH_WAITING);
            logError("week history failed to parse, will retry after:%d", static_cast<int>(WEEK_RETRY_DELAY));
            retryLater(RetryStep::WeekHistory);
        }
    }
    if (weekState != BATCH_IDLE || !host_) return;

    const int historyState = batchState(history);
    if (historyState == BATCH_PARSED) {
        cacheParsedBatch(history);
        afterHistoryMerge(series_.insertHistoryKLine());
    } else if (historyState == BATCH_FAILED) {
        retryFailedHistoryFile();
    } else if (historyState == BATCH_IDLE && view_ && view_->getScrollOffset() > 0) {
        loadNextHistoryFile();
    } else if (!busy) {
        unscheduleHistoryTick();
    }
}

void KLineHistoryLoader::afterHistoryMerge(size_t held) {
    if (held < static_cast<size_t>(HISTORY_FILE_BARS) && historyFiles_.empty()) {
        markHistoryComplete();
        logInfo("2 ********** [%s] add history file all done!!", symbol_.c_str());
    } else {
        setBatchState(series_.getHistoryBatch(), BATCH_IDLE);
        logInfo("1 [%s] add history finished!!!", symbol_.c_str());
    }
}

// A cached copy that does not parse is downloaded at once; a download that does not parse is fetched
// again after a delay, so that a bad file on the server is not asked for every frame.
void KLineHistoryLoader::retryFailedHistoryFile() {
    const auto& history = series_.getHistoryBatch();
    std::string url;
    std::string name;
    bool fromCache = false;
    {
        std::lock_guard<std::mutex> guard(history->lock);
        url = history->sourceUrl;
        name = history->sourceName;
        fromCache = history->fromCache;
        history->state = BATCH_WAITING;
    }
    if (url.empty()) {
        setBatchState(history, BATCH_IDLE);
        loadNextHistoryFile();
    } else if (fromCache) {
        logInfo("cached history file failed to parse, download again:%s", url.c_str());
        downloadHistoryFile(url, name);
    } else {
        lastDownloadUrl_ = url;
        lastDownloadTag_ = name;
        logError("history file failed to parse, will retry after:%d %s",
                 static_cast<int>(HISTORY_RETRY_DELAY), url.c_str());
        retryLater(RetryStep::Download);
    }
}
