#include "CCHttpResponse.h"

#include "CCHttpRequest.h"

NS_CC_BEGIN

CCHttpResponse::CCHttpResponse(CCHttpRequest* request) : request_(request) {
    CC_SAFE_RETAIN(request_);
}

CCHttpResponse::~CCHttpResponse() {
    CC_SAFE_RELEASE(request_);
}

NS_CC_END
