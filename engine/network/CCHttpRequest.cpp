#include "CCHttpRequest.h"

NS_CC_BEGIN

CCHttpRequest::~CCHttpRequest() {
    CC_SAFE_RELEASE(target_);
}

void CCHttpRequest::setRequestData(const char* buffer, unsigned int len) {
    if (!buffer) len = 0;
    requestData_.assign(buffer, buffer + len);
}

void CCHttpRequest::setResponseCallback(CCObject* target, SEL_HttpResponse selector) {
    // Retain first: the new target may be the only thing keeping the old one alive, or the same object.
    CC_SAFE_RETAIN(target);
    CC_SAFE_RELEASE(target_);
    target_ = target;
    selector_ = selector;
    callback_ = nullptr;
}

void CCHttpRequest::setResponseCallback(ResponseCallback callback) {
    CC_SAFE_RELEASE_NULL(target_);
    selector_ = nullptr;
    callback_ = std::move(callback);
}

NS_CC_END
