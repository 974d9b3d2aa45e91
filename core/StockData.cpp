#include "StockData.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "CDebugModule.h"

namespace {
constexpr int ACCEPTED_RESULT = 1;

// The member as a text when it is one, else empty.
std::string stringMember(const rapidjson::Value& object, const char* name) {
    if (!object.IsObject()) return {};
    auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsString()) return {};
    return std::string(member->value.GetString(), member->value.GetStringLength());
}

// atoi without its undefined overflow: leading digits, pinned to the int range.
int toInt(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// A JSON number's whole part, pinned to the int range (1.0 reads as 1).
int numberToInt(const rapidjson::Value& number) {
    const double value = number.GetDouble();
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(std::trunc(value), double{INT_MIN}, double{INT_MAX}));
}

std::string lowerLatin(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string trimBlanks(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
}  // namespace

StockData* StockData::getInstance() {
    static StockData* instance = nullptr;
    if (!instance) instance = new StockData();
    return instance;
}

bool StockData::parseStockList(const rapidjson::Value& document) {
    CDebugModule* log = CDebugModule::getInstance();
    int result = 0;
    bool accepted = false;
    if (document.IsObject()) {
        auto member = document.FindMember("result");
        if (member != document.MemberEnd() && member->value.IsNumber()) {
            result = numberToInt(member->value);
            accepted = result == ACCEPTED_RESULT;
        }
    }
    if (!accepted) {
        log->log(LOG_LEVEL_INFO, "parse stock info failed:%d", result);
        return false;
    }

    std::vector<int> timeTypes;
    StockMap stocks;
    ListMap lists;

    auto timeTypeList = document.FindMember("timeTypeList");
    if (timeTypeList != document.MemberEnd() && timeTypeList->value.IsArray()) {
        for (const rapidjson::Value& element : timeTypeList->value.GetArray()) {
            const std::string name = stringMember(element, "name");
            const std::string ttype = stringMember(element, "ttype");
            timeTypes.push_back(toInt(ttype));
            log->log(LOG_LEVEL_INFO, "add time type:%s = %s", name.c_str(), ttype.c_str());
        }
    }

    std::vector<std::string> listNames;
    auto nameList = document.FindMember("nameList");
    if (nameList != document.MemberEnd() && nameList->value.IsArray()) {
        for (const rapidjson::Value& element : nameList->value.GetArray()) {
            if (!element.IsString()) continue;
            listNames.emplace_back(element.GetString(), element.GetStringLength());
            log->log(LOG_LEVEL_INFO, "%s", listNames.back().c_str());
        }
    }

    auto listMember = document.FindMember("list");
    const rapidjson::Value* listObject =
        listMember != document.MemberEnd() && listMember->value.IsObject() ? &listMember->value : nullptr;
    for (const std::string& listName : listNames) {
        CategoryMap categories;
        const rapidjson::Value* entries = nullptr;
        if (listObject) {
            const rapidjson::Value key(rapidjson::StringRef(listName.data(), listName.size()));
            auto member = listObject->FindMember(key);
            if (member != listObject->MemberEnd() && member->value.IsArray()) entries = &member->value;
        }
        if (entries) {
            for (const rapidjson::Value& entry : entries->GetArray()) {
                if (!entry.IsObject()) continue;
                const std::string name = stringMember(entry, "name");
                const std::string code = stringMember(entry, "code");
                const std::string category = stringMember(entry, "category");
                const int listId = toInt(stringMember(entry, "listid"));
                // A repeated code overwrites the record in place, so earlier references see the new values.
                StockInfo& record = stocks[code];
                record = StockInfo(listName, name, code, category, listId);
                categories[category].push_back(&record);
                log->log(LOG_LEVEL_INFO, "add stock:%s:%s %s,%s,%d", listName.c_str(), name.c_str(),
                         code.c_str(), category.c_str(), listId);
            }
        }
        lists[listName] = std::move(categories);
    }

    int big = FIRST_BIG_ID;
    int small = FIRST_SMALL_ID;
    for (auto& [listName, categories] : lists) {
        for (auto& [category, records] : categories) {
            for (StockInfo* record : records) {
                record->setBigId(big);
                record->setSmallId(small);
                log->log(LOG_LEVEL_INFO, "big:%d, small:%d, %s,%s", big, small, record->getName().c_str(),
                         record->getCode().c_str());
            }
            ++small;
        }
        ++big;
    }

    // The panels let go of the old records before they are freed with the temporaries below.
    for (auto& [id, listener] : std::map<int, std::function<void()>>(replaceListeners_)) listener();
    timeTypes_.swap(timeTypes);
    stocks_.swap(stocks);
    lists_.swap(lists);
    log->log(LOG_LEVEL_INFO, "parse stock count:%d", static_cast<int>(stocks_.size()));
    return true;
}

StockInfo* StockData::findStock(const std::string& code) {
    auto found = stocks_.find(code);
    return found == stocks_.end() ? nullptr : &found->second;
}

void StockData::refreshColors(bool inverse) {
    for (auto& [code, record] : stocks_) record.refreshColor(inverse);
}

std::vector<StockInfo*> StockData::searchStocks(const std::string& text) {
    const std::string wanted = lowerLatin(trimBlanks(text));
    std::vector<StockInfo*> found;
    for (auto& [code, record] : stocks_) {
        for (const std::string* field :
             {&record.getCode(), &record.getName(), &record.getCategory(), &record.getListName()}) {
            if (lowerLatin(*field).find(wanted) != std::string::npos) {
                found.push_back(&record);
                break;
            }
        }
    }
    return found;
}

int StockData::addReplaceListener(std::function<void()> listener) {
    const int id = nextListenerId_++;
    replaceListeners_[id] = std::move(listener);
    return id;
}

void StockData::removeReplaceListener(int id) {
    replaceListeners_.erase(id);
}
