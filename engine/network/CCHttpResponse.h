#pragma once

#include <string>
#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

class CCHttpRequest;

// The outcome of one CCHttpRequest, handed to the request's callback on the main thread.
//
// Succeeded means the transfer completed and the final status (after redirects) is 2xx. Otherwise the
// error text says why (a transport error, or the status); the body of a non-2xx answer is kept.
// The response retains its request. The client fills it in on the main thread; callbacks only read it
// (they may retain it to keep it past the callback). Main thread only.
class CCHttpResponse : public CCObject {
public:
    explicit CCHttpResponse(CCHttpRequest* request);
    ~CCHttpResponse() override;

    CCHttpRequest* getHttpRequest() const { return request_; }
    bool isSucceed() const { return succeed_; }
    // The body exactly as received (no content decoding).
    std::vector<char>* getResponseData() { return &responseData_; }
    // The HTTP status of the last response, 0 when none arrived.
    int getResponseCode() const { return responseCode_; }
    // The body reached the request's maximum response size and the transfer was aborted.
    bool isTooLarge() const { return tooLarge_; }
    void setTooLarge(bool tooLarge) { tooLarge_ = tooLarge; }
    // Empty on success.
    const char* getErrorBuffer() const { return errorBuffer_.c_str(); }
    // The raw header lines of every response received, redirects included.
    std::vector<char>* getResponseHeader() { return &responseHeader_; }

    void setSucceed(bool succeed) { succeed_ = succeed; }
    void setResponseData(std::vector<char> data) { responseData_ = std::move(data); }
    void setResponseCode(int code) { responseCode_ = code; }
    void setErrorBuffer(const char* text) { errorBuffer_ = text ? text : ""; }
    void setResponseHeader(std::vector<char> header) { responseHeader_ = std::move(header); }

private:
    CCHttpRequest* request_;
    bool succeed_ = false;
    bool tooLarge_ = false;
    std::vector<char> responseData_;
    int responseCode_ = 0;
    std::string errorBuffer_;
    std::vector<char> responseHeader_;
};

NS_CC_END
