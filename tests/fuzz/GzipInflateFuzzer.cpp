// gzipInflate over arbitrary bytes: history files come from the network.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FileHelpers.h"
#include "FuzzSupport.h"

namespace {
constexpr size_t FIXED_CAPACITY = 256 * 1024;
constexpr size_t GROWING_LIMIT = 4 * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ZENTO_HOME", "/tmp/zento_fuzz/", 0);
    CDebugModule::getInstance()->setConsoleOutput(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<unsigned char> fixed(FIXED_CAPACITY);
    size_t length = fixed.size();
    int fixedResult = gzipInflate(data, size, fixed.data(), length);
    check(fixedResult == 0 || fixedResult == -1);
    if (fixedResult == 0) check(length <= fixed.size());

    std::vector<unsigned char> grown;
    int grownResult = gzipInflate(data, size, grown, GROWING_LIMIT);
    check(grownResult == 0 || grownResult == -1);
    if (grownResult != 0) check(grown.empty());

    // When the stream fits both, both forms agree.
    if (fixedResult == 0) {
        check(grownResult == 0);
        check(grown.size() == length);
        check(length == 0 || std::memcmp(grown.data(), fixed.data(), length) == 0);
    }
    if (grownResult == 0 && grown.size() <= fixed.size()) check(fixedResult == 0);
    return 0;
}
