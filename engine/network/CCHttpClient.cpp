#include "CCHttpClient.h"

#include <curl/curl.h>
#include <pthread.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "CCCommon.h"
#include "CCDirector.h"
#include "CCScheduler.h"
#include "CCSignalStack.h"

NS_CC_BEGIN

namespace {

constexpr long MAX_REDIRECTS = 10;
// A transfer slower than this for the read time-out counts as stalled.
constexpr long STALL_BYTES_PER_SECOND = 1;
// The worker also wakes on every send and on every libcurl timer; this only bounds an idle wait.
constexpr int WORKER_IDLE_POLL_MS = 1000;
// Neither a URL nor a redirect may lead to file://, ftp:// and the like.
constexpr const char* ALLOWED_PROTOCOLS = "http,https";

// Progress of the download sent last. send() claims it (main thread) and the worker reports into it,
// so an older download still running cannot overwrite the figures of a newer one.
struct DownloadProgress {
    std::mutex mutex;  // guards all three fields
    uint64_t owner = 0;
    double size = 0;
    double speed = 0;
};
DownloadProgress downloadProgress;

void claimDownloadProgress(uint64_t id) {
    std::lock_guard<std::mutex> lock(downloadProgress.mutex);
    downloadProgress.owner = id;
    downloadProgress.size = 0;
    downloadProgress.speed = 0;
}

void reportDownloadProgress(uint64_t id, double size, double speed) {
    std::lock_guard<std::mutex> lock(downloadProgress.mutex);
    if (downloadProgress.owner != id) return;
    downloadProgress.size = size;
    downloadProgress.speed = speed;
}

CCHttpClient* sharedClient = nullptr;
// Process-wide so that ids stay unique across clients. Main thread only.
uint64_t nextRequestId = 0;

bool hasHeader(const std::vector<std::string>& headers, const char* name) {
    const size_t length = std::char_traits<char>::length(name);
    return std::any_of(headers.begin(), headers.end(), [&](const std::string& line) {
        return line.size() >= length && strncasecmp(line.c_str(), name, length) == 0;
    });
}

}  // namespace

// The part of the client the worker thread uses.
struct CCHttpClient::Worker {
    // Everything the worker needs of one request, copied on the main thread.
    struct Job {
        uint64_t id = 0;
        CCScheduler* scheduler = nullptr;  // retained by the main thread until delivery
        std::string url;
        HttpRequestType type = kHttpGet;
        std::vector<char> body;
        std::vector<std::string> headers;
        bool download = false;
        size_t maxBody = 0;  // 0: no limit
        long connectTimeout = DEFAULT_CONNECT_TIMEOUT_SECONDS;
        long readTimeout = DEFAULT_READ_TIMEOUT_SECONDS;
    };

    struct Result {
        bool succeed = false;
        bool tooLarge = false;
        long code = 0;
        std::vector<char> body;
        std::vector<char> header;
        std::string error;
    };

    struct Transfer {
        Job job;
        CURL* easy = nullptr;
        curl_slist* headerList = nullptr;
        Result result;
        char errorBuffer[CURL_ERROR_SIZE] = {};
        std::chrono::steady_clock::time_point started;

        Transfer() = default;
        Transfer(const Transfer&) = delete;
        Transfer& operator=(const Transfer&) = delete;
        ~Transfer() {
            if (easy) curl_easy_cleanup(easy);
            curl_slist_free_all(headerList);
        }
    };

    ~Worker() {
        if (multi) curl_multi_cleanup(multi);
    }

    void run();
    void start(Job job);
    bool configure(Transfer& transfer);
    void finish(CURL* easy, CURLcode code);
    void fail(const Job& job, const char* error);
    void post(const Job& job, Result result);
    static size_t onBody(char* data, size_t size, size_t count, void* user);
    static size_t onHeader(char* data, size_t size, size_t count, void* user);

    CURLM* multi = nullptr;
    // Rides along with every result to the main thread; never dereferenced on the worker.
    std::shared_ptr<Deliveries> deliveries;

    std::mutex mutex;  // guards pending and stopping
    std::vector<Job> pending;
    bool stopping = false;

    // Worker thread only.
    std::unordered_map<CURL*, std::unique_ptr<Transfer>> transfers;
};

// Requests in flight and the way back to their callbacks. Main thread only.
struct CCHttpClient::Deliveries {
    struct Entry {
        CCHttpRequest* request = nullptr;  // retained
        CCScheduler* scheduler = nullptr;  // retained
    };

    void deliver(uint64_t id, Worker::Result& result);
    void releaseAll();

    CCHttpClient* client = nullptr;  // null once the client is being destroyed
    std::unordered_map<uint64_t, Entry> inFlight;
};

void CCHttpClient::Worker::run() {
    pthread_setname_np(pthread_self(), "CCHttpClient");
    installSignalStack();
    for (;;) {
        std::vector<Job> incoming;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) break;
            incoming.swap(pending);
        }
        for (Job& job : incoming) start(std::move(job));

        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) finish(message->easy_handle, message->data.result);
        }
        curl_multi_poll(multi, nullptr, 0, WORKER_IDLE_POLL_MS, nullptr);
    }
    for (auto& entry : transfers) curl_multi_remove_handle(multi, entry.first);
    transfers.clear();
}

void CCHttpClient::Worker::start(Job job) {
    if (job.type != kHttpGet && job.type != kHttpPost && job.type != kHttpPut && job.type != kHttpDelete) {
        fail(job, "unsupported request type");
        return;
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->job = std::move(job);
    transfer->easy = curl_easy_init();
    if (!transfer->easy || !configure(*transfer)) {
        fail(transfer->job,
             transfer->errorBuffer[0] ? transfer->errorBuffer : "could not set up the request");
        return;
    }
    if (curl_multi_add_handle(multi, transfer->easy) != CURLM_OK) {
        fail(transfer->job, "could not start the request");
        return;
    }
    transfer->started = std::chrono::steady_clock::now();
    CURL* easy = transfer->easy;
    transfers.emplace(easy, std::move(transfer));
}

bool CCHttpClient::Worker::configure(Transfer& transfer) {
    CURL* easy = transfer.easy;
    const Job& job = transfer.job;
    for (const std::string& line : job.headers) {
        curl_slist* appended = curl_slist_append(transfer.headerList, line.c_str());
        if (!appended) return false;
        transfer.headerList = appended;
    }
    // libcurl would otherwise hold larger bodies back for a second waiting for "100 Continue".
    if (!hasHeader(job.headers, "Expect:")) {
        curl_slist* appended = curl_slist_append(transfer.headerList, "Expect:");
        if (!appended) return false;
        transfer.headerList = appended;
    }

    // Even an empty body must be a valid pointer: a null one makes libcurl read the body from stdin.
    const char* body = job.body.empty() ? "" : job.body.data();
    const auto bodySize = static_cast<curl_off_t>(job.body.size());
    bool ok = curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_URL, job.url.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, ALLOWED_PROTOCOLS) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, ALLOWED_PROTOCOLS) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MAX_REDIRECTS) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, job.connectTimeout) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, STALL_BYTES_PER_SECOND) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, job.readTimeout) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Worker::onBody) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Worker::onHeader) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headerList) == CURLE_OK;
    if (!ok) return false;

    switch (job.type) {
        case kHttpGet:
            return curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK;
        case kHttpPost:
            return curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK &&
                   curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, bodySize) == CURLE_OK &&
                   curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body) == CURLE_OK;
        case kHttpPut:
            return curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "PUT") == CURLE_OK &&
                   curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, bodySize) == CURLE_OK &&
                   curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body) == CURLE_OK;
        case kHttpDelete:
            if (curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "DELETE") != CURLE_OK) return false;
            if (job.body.empty()) return true;
            return curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, bodySize) == CURLE_OK &&
                   curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body) == CURLE_OK;
        case kHttpUnkown:
            break;
    }
    return false;
}

void CCHttpClient::Worker::finish(CURL* easy, CURLcode code) {
    curl_multi_remove_handle(multi, easy);
    auto found = transfers.find(easy);
    if (found == transfers.end()) return;
    std::unique_ptr<Transfer> transfer = std::move(found->second);
    transfers.erase(found);

    Result& result = transfer->result;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.code);
    if (result.tooLarge) {
        result.error = "response larger than " + std::to_string(transfer->job.maxBody) + " bytes";
    } else if (code != CURLE_OK) {
        result.error = transfer->errorBuffer[0] ? transfer->errorBuffer : curl_easy_strerror(code);
    } else if (result.code < 200 || result.code > 299) {
        result.error = "HTTP status " + std::to_string(result.code);
    } else {
        result.succeed = true;
    }
    if (transfer->job.download) {
        curl_off_t speed = 0;
        curl_easy_getinfo(easy, CURLINFO_SPEED_DOWNLOAD_T, &speed);
        reportDownloadProgress(transfer->job.id, static_cast<double>(result.body.size()),
                               static_cast<double>(speed));
    }
    post(transfer->job, std::move(result));
}

void CCHttpClient::Worker::fail(const Job& job, const char* error) {
    Result result;
    result.error = error;
    post(job, std::move(result));
}

// Any thread: performFunctionInMainThread is the one hand-over point. The body travels in a shared
// block so that copies of the function never copy it.
void CCHttpClient::Worker::post(const Job& job, Result result) {
    auto shared = std::make_shared<Result>(std::move(result));
    job.scheduler->performFunctionInMainThread(
        [deliveries = deliveries, id = job.id, shared] { deliveries->deliver(id, *shared); });
}

size_t CCHttpClient::Worker::onBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    std::vector<char>& body = transfer->result.body;
    if (transfer->job.maxBody > 0 && bytes > transfer->job.maxBody - body.size()) {
        // Keep what fits; a short return makes libcurl abort the transfer.
        body.insert(body.end(), data, data + (transfer->job.maxBody - body.size()));
        transfer->result.tooLarge = true;
        return 0;
    }
    body.insert(body.end(), data, data + bytes);
    if (transfer->job.download) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - transfer->started).count();
        const double received = static_cast<double>(body.size());
        reportDownloadProgress(transfer->job.id, received, seconds > 0 ? received / seconds : 0);
    }
    return bytes;
}

size_t CCHttpClient::Worker::onHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->result.header.insert(transfer->result.header.end(), data, data + bytes);
    return bytes;
}

void CCHttpClient::Deliveries::deliver(uint64_t id, Worker::Result& result) {
    if (!client) return;
    auto found = inFlight.find(id);
    if (found == inFlight.end()) return;
    const Entry entry = found->second;
    inFlight.erase(found);

    CCHttpRequest* request = entry.request;
    auto* response = new CCHttpResponse(request);
    response->setSucceed(result.succeed);
    response->setTooLarge(result.tooLarge);
    response->setResponseCode(static_cast<int>(result.code));
    response->setResponseData(std::move(result.body));
    response->setResponseHeader(std::move(result.header));
    response->setErrorBuffer(result.error.c_str());

    // The callback may replace the request's callback or destroy the client: hold what it runs on.
    CCObject* target = request->getTarget();
    const SEL_HttpResponse selector = request->getSelector();
    if (target && selector) {
        target->retain();
        (target->*selector)(client, response);
        target->release();
    } else if (request->getCallback()) {
        const CCHttpRequest::ResponseCallback callback = request->getCallback();
        callback(client, response);
    }
    response->release();
    request->release();
    entry.scheduler->release();
}

void CCHttpClient::Deliveries::releaseAll() {
    client = nullptr;
    std::unordered_map<uint64_t, Entry> entries;
    entries.swap(inFlight);
    for (auto& item : entries) {
        item.second.request->release();
        item.second.scheduler->release();
    }
}

CCHttpClient* CCHttpClient::getInstance() {
    static std::once_flag globalInit;
    std::call_once(globalInit, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // Registered after libcurl's TLS library set up its own exit handlers, so it runs before them.
        std::atexit(&CCHttpClient::stopWorkerAtExit);
    });
    if (!sharedClient) sharedClient = new CCHttpClient();
    return sharedClient;
}

void CCHttpClient::destroyInstance() {
    CCHttpClient* client = sharedClient;
    sharedClient = nullptr;
    CC_SAFE_RELEASE(client);
}

void CCHttpClient::stopWorkerAtExit() {
    if (sharedClient) sharedClient->stopWorker();
}

CCHttpClient::CCHttpClient()
    : worker_(std::make_shared<Worker>()), deliveries_(std::make_shared<Deliveries>()) {
    deliveries_->client = this;
    worker_->deliveries = deliveries_;
    worker_->multi = curl_multi_init();
    if (!worker_->multi) {
        CCLog("CCHttpClient: curl_multi_init failed; every request will fail");
        return;
    }
    thread_ = std::thread([worker = worker_] { worker->run(); });
}

CCHttpClient::~CCHttpClient() {
    stopWorker();
    deliveries_->releaseAll();
}

void CCHttpClient::stopWorker() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        worker_->stopping = true;
    }
    curl_multi_wakeup(worker_->multi);
    thread_.join();
}

void CCHttpClient::send(CCHttpRequest* request) {
    if (!request) {
        CCLog("CCHttpClient::send: null request ignored");
        return;
    }
    CCScheduler* scheduler = CCDirector::sharedDirector()->getScheduler();
    request->retain();
    scheduler->retain();

    Worker::Job job;
    job.id = ++nextRequestId;
    job.scheduler = scheduler;
    job.url = request->getUrl();
    job.type = request->getRequestType();
    job.body.assign(request->getRequestData(), request->getRequestData() + request->getRequestDataSize());
    job.headers = request->getHeaders();
    job.download = request->isDownload();
    job.maxBody = request->getMaxResponseSize();
    job.connectTimeout = timeoutForConnect_;
    job.readTimeout = timeoutForRead_;
    deliveries_->inFlight.emplace(job.id, Deliveries::Entry{request, scheduler});
    if (job.download) claimDownloadProgress(job.id);

    if (!thread_.joinable()) {
        worker_->fail(job, "HTTP client unavailable");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        worker_->pending.push_back(std::move(job));
    }
    curl_multi_wakeup(worker_->multi);
}

void CCHttpClient::setTimeoutForConnect(int seconds) {
    timeoutForConnect_ = std::max(1, seconds);
}

void CCHttpClient::setTimeoutForRead(int seconds) {
    timeoutForRead_ = std::max(1, seconds);
}

double CCHttpClient::getCurFileDownloadSize() {
    std::lock_guard<std::mutex> lock(downloadProgress.mutex);
    return downloadProgress.size;
}

double CCHttpClient::getDownloadSpeed() {
    std::lock_guard<std::mutex> lock(downloadProgress.mutex);
    return downloadProgress.speed;
}

NS_CC_END
