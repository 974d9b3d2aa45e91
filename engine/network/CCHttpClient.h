#pragma once

#include <memory>
#include <thread>

#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "CCObject.h"

NS_CC_BEGIN

// Performs HTTP requests on one worker thread (libcurl's multi interface, so any number run at
// once and a silent server holds up only its own request) and delivers each response on the main
// thread through the scheduler's performFunctionInMainThread.
//
// Time-outs: a connection must be made within the connect time-out, and a transfer is aborted when
// fewer than 1 byte/s arrives for the read (stall) time-out. There is no total time-out: a large
// download that keeps moving is legitimate. Redirects are followed (http and https only); https uses
// libcurl's default certificate and host checks.
//
// Threads and locks:
// - getInstance, destroyInstance, send and the time-out setters/getters: main thread only.
//   Every retain and release of a request, its target, a response or the scheduler happens there.
// - The worker never touches an engine object. send() copies what the worker needs (URL, method, body,
//   headers, time-outs, download flag) into a plain job, together with the scheduler that was current
//   at send time (resolved and retained on the main thread, because the director is created and purged
//   there); the worker passes results back as plain data through that scheduler.
// - Worker::mutex guards the only state both threads change: the queue of new jobs and the stop flag.
//   The table of requests in flight is main-thread only.
// - The download figures have their own small lock: send() resets them for a new download, the worker
//   reports into them; any thread may read them.
//
// Lifetimes: send retains the request until its response has been delivered. destroyInstance stops
// and joins the worker, then releases every request whose response was not delivered yet; responses
// still queued in the scheduler are dropped when they run, so no callback ever reaches a freed client
// or target. A response goes to the scheduler that was current when its request was sent: after
// CCDirector::purgeDirector, responses to earlier requests are never delivered, and their requests are
// released with the client. At process exit the worker is stopped and joined before the library's own
// clean-up runs.
class CCHttpClient : public CCObject {
public:
    static constexpr int DEFAULT_CONNECT_TIMEOUT_SECONDS = 10;
    static constexpr int DEFAULT_READ_TIMEOUT_SECONDS = 30;

    static CCHttpClient* getInstance();
    // Stops the worker and frees the client; a later getInstance makes a fresh one.
    static void destroyInstance();

    // Queues the request; its callback runs on the main thread in a later frame, exactly once
    // (unless the client is destroyed first). A null request is ignored.
    void send(CCHttpRequest* request);

    // Seconds; values below 1 count as 1. They apply to requests sent afterwards.
    void setTimeoutForConnect(int seconds);
    int getTimeoutForConnect() const { return timeoutForConnect_; }
    void setTimeoutForRead(int seconds);
    int getTimeoutForRead() const { return timeoutForRead_; }

    // Bytes received so far by the download (request marked setDownload) sent last: 0 from its send(),
    // its final size after it ends, until the next download is sent.
    static double getCurFileDownloadSize();
    // Average bytes per second of that download.
    static double getDownloadSpeed();

private:
    struct Worker;
    struct Deliveries;

    CCHttpClient();
    ~CCHttpClient() override;
    void stopWorker();
    static void stopWorkerAtExit();

    std::shared_ptr<Worker> worker_;
    std::shared_ptr<Deliveries> deliveries_;
    std::thread thread_;
    int timeoutForConnect_ = DEFAULT_CONNECT_TIMEOUT_SECONDS;
    int timeoutForRead_ = DEFAULT_READ_TIMEOUT_SECONDS;
};

NS_CC_END
