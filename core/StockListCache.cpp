#include "StockListCache.h"

#include "CCFileUtils.h"
#include "FileHelpers.h"

namespace {
std::string cachePath() {
    return cocos2d::CCFileUtils::sharedFileUtils()->getWritablePath() + STOCK_LIST_CACHE_FILE_NAME;
}
}  // namespace

bool saveStockListCache(const std::string& body) {
    return saveFile(cachePath(), body.data(), body.size());
}

std::optional<std::string> loadStockListCache() {
    auto bytes = readFile(cachePath());
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}
