#pragma once

#include <optional>
#include <string>

// The instrument-list cache "stock.bin" in the writable folder: the HTTP body of the last stock list
// the catalogue accepted, exactly as received. The main scene saves it after applying a download and
// reads it back while no download has succeeded; the catalogue itself never touches it. Main thread only.

constexpr const char* STOCK_LIST_CACHE_FILE_NAME = "stock.bin";

// Replaces the cache with body (atomically); false when it could not be written or body is empty.
bool saveStockListCache(const std::string& body);
// The cached body, or none when there is no cache.
std::optional<std::string> loadStockListCache();
