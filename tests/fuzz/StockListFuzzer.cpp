// The instrument list over arbitrary bodies: parsed as JSON the way the main scene does, then
// applied to the catalogue; a rejected body leaves the previous catalogue in place.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "HttpHelpers.h"
#include "StockData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    rapidjson::Document document;
    check(parseJson(body, document));

    StockData catalogue;
    check(catalogue.parseStockList(rapidjson::Document().Parse(R"({"result":1,"nameList":["a"],
        "list":{"a":[{"code":"KEEP","category":"c"}]}})")));
    const bool accepted = catalogue.parseStockList(document);
    if (!accepted) check(catalogue.findStock("KEEP") != nullptr);

    const int lists = static_cast<int>(catalogue.getLists().size());
    for (const auto& [listName, categories] : catalogue.getLists()) {
        for (const auto& [category, records] : categories) {
            for (const StockInfo* record : records) {
                check(record == catalogue.findStock(record->getCode()));
                check(record->getSmallId() >= StockData::FIRST_SMALL_ID);
                check(record->getBigId() >= 1 && record->getBigId() <= lists);
            }
        }
    }
    const std::string query = body.substr(0, 8);
    for (StockInfo* record : catalogue.searchStocks(query))
        check(catalogue.findStock(record->getCode()) == record);
    return 0;
}
