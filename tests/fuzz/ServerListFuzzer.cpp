// The server-list URL scan over arbitrary bodies: every URL found is a piece of the body that starts
// its scheme within it, and the scan never exhausts the stack however long a run of URL characters is.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CDebugModule.h"
#include "HttpHelpers.h"

namespace {
void check(bool condition) {
    if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CDebugModule::getInstance()->setConsoleOutput(false);
    CDebugModule::getInstance()->setInfoEnabled(false);
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
