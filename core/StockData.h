#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "StockInfo.h"

// The twelve currency pairs the main scene offers for windows the user adds.
inline constexpr const char* DEFAULT_FX_SYMBOLS[] = {"AUDJPY", "AUDNZD", "AUDUSD", "EURAUD",
                                                     "EURCAD", "EURCHF", "EURGBP", "EURJPY",
                                                     "EURNZD", "EURUSD", "GBPCHF", "GBPJPY"};

// The instrument catalogue: every instrument the terminal can show, keyed by code, with the lists and
// categories the panels group them by. It is rebuilt in one piece from each stock-list document the
// main scene accepts. Records never move while they are in the catalogue, so pointers to them stay
// valid until the next successful rebuild; a rejected document leaves the catalogue as it was.
// The catalogue never touches the cache file "stock.bin". One per process, never destroyed. Main
// thread only.
class StockData {
public:
    // Category name to its records, in document order.
    using CategoryMap = std::map<std::string, std::vector<StockInfo*>>;
    // List name to its categories.
    using ListMap = std::map<std::string, CategoryMap>;
    using StockMap = std::map<std::string, StockInfo>;

    static constexpr int FIRST_BIG_ID = 1;
    static constexpr int FIRST_SMALL_ID = 1000;

    static StockData* getInstance();

    StockData() = default;
    virtual ~StockData() = default;
    StockData(const StockData&) = delete;
    StockData& operator=(const StockData&) = delete;

    // Rebuilds the catalogue from a stock-list document. The document must be an object whose
    // "result" is the number 1; otherwise "parse stock info failed:%d" is logged, false returned and
    // the catalogue kept. Missing or mistyped members inside entries become empty texts or 0.
    bool parseStockList(const rapidjson::Value& document);

    // The record for code (exact match), or null.
    StockInfo* findStock(const std::string& code);
    const StockMap& getStocks() const { return stocks_; }
    const ListMap& getLists() const { return lists_; }
    const std::vector<int>& getTimeTypes() const { return timeTypes_; }

    // Calls refreshColor(inverse) on every record in code order.
    void refreshColors(bool inverse);

    // The records whose code, name, category or list name contains text, in code order. Latin letters
    // match either case; other characters (CJK names) match as written. Blanks around text are
    // ignored; an empty text matches every record.
    std::vector<StockInfo*> searchStocks(const std::string& text);

    // Called after a new document was accepted and before the previous records are freed: the panels
    // drop their rows and the display references they registered. Returns an id for removal.
    int addReplaceListener(std::function<void()> listener);
    void removeReplaceListener(int id);

private:
    std::vector<int> timeTypes_;
    StockMap stocks_;
    ListMap lists_;
    std::map<int, std::function<void()>> replaceListeners_;
    int nextListenerId_ = 1;
};
