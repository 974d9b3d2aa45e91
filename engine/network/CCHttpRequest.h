#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

class CCHttpClient;
class CCHttpResponse;

enum HttpRequestType { kHttpGet, kHttpPost, kHttpPut, kHttpDelete, kHttpUnkown };

typedef void (CCObject::*SEL_HttpResponse)(CCHttpClient* client, CCHttpResponse* response);
#define httpresponse_selector(_SELECTOR) static_cast<cocos2d::SEL_HttpResponse>(&_SELECTOR)

// One HTTP request: what to send and whom to call with the response.
//
// The caller fills it in, hands it to CCHttpClient::send and may release its own reference at once:
// the client keeps the request alive until the response has been delivered. The callback target is
// retained by the request until the request is destroyed. Main thread only (the client copies what
// its worker needs when the request is sent, so later changes do not affect a request in flight).
class CCHttpRequest : public CCObject {
public:
    typedef std::function<void(CCHttpClient*, CCHttpResponse*)> ResponseCallback;

    CCHttpRequest() = default;
    ~CCHttpRequest() override;

    void setRequestType(HttpRequestType type) { requestType_ = type; }
    HttpRequestType getRequestType() const { return requestType_; }

    // A null URL counts as empty.
    void setUrl(const char* url) { url_ = url ? url : ""; }
    const char* getUrl() const { return url_.c_str(); }

    // Copies len bytes; the body of POST and PUT (and of DELETE when not empty).
    void setRequestData(const char* buffer, unsigned int len);
    char* getRequestData() { return requestData_.data(); }
    const char* getRequestData() const { return requestData_.data(); }
    unsigned int getRequestDataSize() const { return static_cast<unsigned int>(requestData_.size()); }

    // A short text the response handler reads back to tell its requests apart. Null counts as empty.
    void setTag(const char* tag) { tag_ = tag ? tag : ""; }
    const char* getTag() const { return tag_.c_str(); }

    // Not owned, never touched by the client.
    void setUserData(void* userData) { userData_ = userData; }
    void* getUserData() const { return userData_; }

    // Calls target->*selector on the main thread with the response. Retains the target (and releases
    // the previous one); replaces a function callback set before.
    void setResponseCallback(CCObject* target, SEL_HttpResponse selector);
    // The same with a function; replaces (and releases) a target set before.
    void setResponseCallback(ResponseCallback callback);
    CCObject* getTarget() const { return target_; }
    SEL_HttpResponse getSelector() const { return selector_; }
    const ResponseCallback& getCallback() const { return callback_; }

    // Whole header lines, e.g. "Content-Type: application/json; charset=utf-8".
    void setHeaders(std::vector<std::string> headers) { headers_ = std::move(headers); }
    std::vector<std::string> getHeaders() const { return headers_; }

    // A download reports its progress through CCHttpClient::getCurFileDownloadSize/getDownloadSpeed.
    void setDownload(bool download) { download_ = download; }
    bool isDownload() const { return download_; }

    // The transfer is aborted once the body would grow beyond this many bytes (0: no limit); the
    // response then fails and says so (CCHttpResponse::isTooLarge), keeping the bytes up to the limit.
    void setMaxResponseSize(size_t bytes) { maxResponseSize_ = bytes; }
    size_t getMaxResponseSize() const { return maxResponseSize_; }

private:
    HttpRequestType requestType_ = kHttpGet;
    std::string url_;
    std::vector<char> requestData_;
    std::string tag_;
    void* userData_ = nullptr;
    CCObject* target_ = nullptr;
    SEL_HttpResponse selector_ = nullptr;
    ResponseCallback callback_;
    std::vector<std::string> headers_;
    bool download_ = false;
    size_t maxResponseSize_ = 0;
};

NS_CC_END
