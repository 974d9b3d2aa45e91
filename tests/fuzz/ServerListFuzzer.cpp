// The server-list URL scan over arbitrary bodies: every URL found is a piece of the body that starts
// its scheme within it, and the scan never exhausts the stack however long a run of URL characters is.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "HttpHelpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    size_t searchFrom = 0;
    for (const std::string& url : findUrls(body)) {
        check(url.find("://") != std::string::npos);
        const size_t at = body.find(url, searchFrom);
        check(at != std::string::npos);
        searchFrom = at + url.size();
    }
    return 0;
}
