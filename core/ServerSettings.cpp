#include "ServerSettings.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "ConfigTable.h"
#include "FeedDefaults.h"

namespace {
constexpr int MAX_PORT = 65535;
constexpr const char* FEED_OPTION = "--feed";
constexpr const char* STOCK_LIST_OPTION = "--stock-list";

// The host part is what the server-list scan (URL_PATTERN) keeps: dotted names of word characters.
const std::regex& urlExpression() {
    static const std::regex expression(
        R"(^https?://([A-Za-z0-9_-]+\.)+[A-Za-z0-9_-]+(:([0-9]{1,5}))?([/?#][!-~]*)?$)");
    return expression;
}

bool isKnownKey(const std::string& key) {
    return std::any_of(std::begin(FEED_CONFIG_ENDPOINTS), std::end(FEED_CONFIG_ENDPOINTS),
                       [&](const FeedConfigEndpoint& endpoint) { return key == endpoint.key; });
}
}  // namespace

std::vector<std::string> ServerSettings::knownKeys() {
    std::vector<std::string> keys;
    for (const FeedConfigEndpoint& endpoint : FEED_CONFIG_ENDPOINTS) keys.emplace_back(endpoint.key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

std::string ServerSettings::builtInValue(const std::string& key) {
    static const std::map<std::string, std::string> values = {
        {CONFIG_KEY_UPDATE_EXE_URL, DEFAULT_UPDATE_EXE_URL},
        {CONFIG_KEY_SEND_INSTALL_INFO_URL, DEFAULT_SEND_INSTALL_INFO_URL},
        {CONFIG_KEY_SEND_APP_RUN_URL, DEFAULT_SEND_APP_RUN_URL},
        {CONFIG_KEY_SEND_LOG_URL, DEFAULT_SEND_LOG_URL},
        {CONFIG_KEY_KWEEK_DATA_URL, DEFAULT_KWEEK_DATA_URL},
        {CONFIG_KEY_KLINE_SOCKET_SERVER_LIST_URL, DEFAULT_KLINE_SOCKET_SERVER_LIST_URL},
        {CONFIG_KEY_NEWS_HISTORY_SERVER_LIST_URL, DEFAULT_NEWS_HISTORY_SERVER_LIST_URL},
        {CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, CONFIG_KEY_KLINE_HISTORY_SERVER_LIST},
    };
    auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

const char* ServerSettings::sourceName(Source source) {
    switch (source) {
        case Source::COMMAND_LINE:
            return "command line";
        case Source::USER_FILE:
            return USER_FILE_NAME;
        case Source::TABLE:
            return "shipped table";
        case Source::BUILT_IN:
            break;
    }
    return "built-in";
}

bool ServerSettings::isAcceptableUrl(const std::string& url) {
    std::smatch match;
    if (!std::regex_match(url, match, urlExpression())) return false;
    if (!match[3].matched) return true;
    const int port = std::stoi(match[3].str());
    return port >= 1 && port <= MAX_PORT;
}

std::string ServerSettings::problemWith(const std::string& key, const std::string& value) {
    if (!isKnownKey(key)) return "not a configuration key (Zento --print-config lists them)";
    if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0) return "not an http(s) URL";
    if (!isAcceptableUrl(value))
        return "the host must be a dotted address such as 127.0.0.1 (the server lists drop others), the "
               "port 1 to 65535, and no spaces";
    return {};
}

void ServerSettings::refuse(const std::string& line) {
    refusals_.push_back(line);
}

bool ServerSettings::setFeedAddress(const std::string& hostAndPort) {
    const std::string base = "http://" + hostAndPort;
    const size_t colon = hostAndPort.rfind(':');
    if (colon == std::string::npos || colon + 1 == hostAndPort.size() || !isAcceptableUrl(base) ||
        base.find_first_of("/?#", std::string("http://").size()) != std::string::npos) {
        refuse(std::string("servers: ") + FEED_OPTION + " \"" + hostAndPort +
               "\" refused: expected HOST:PORT with a dotted host such as 127.0.0.1 and a port from 1 to "
               "65535; the shipped values are used");
        return false;
    }
    feed_.clear();
    for (const FeedConfigEndpoint& endpoint : FEED_CONFIG_ENDPOINTS)
        feed_[endpoint.key] = base + endpoint.path;
    return true;
}

bool ServerSettings::setStockListUrl(const std::string& url) {
    const std::string problem = problemWith(CONFIG_KEY_STOCK_LIST, url);
    if (!problem.empty()) {
        refuse(std::string("servers: ") + STOCK_LIST_OPTION + " refused " + CONFIG_KEY_STOCK_LIST + " \"" +
               url + "\": " + problem + "; the shipped value is used");
        return false;
    }
    stockList_ = url;
    return true;
}

void ServerSettings::readUserFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        refuse("servers: cannot read " + path + "; the shipped values are used");
        return;
    }
    parseUserFile(text.str(), path);
}

void ServerSettings::parseUserFile(const std::string& text, const std::string& path) {
    userFile_.clear();
    rapidjson::Document document;
    document.Parse<rapidjson::kParseCommentsFlag | rapidjson::kParseTrailingCommasFlag>(text.data(),
                                                                                        text.size());
    if (document.HasParseError() || !document.IsObject()) {
        const std::string reason = document.HasParseError()
                                       ? std::string(rapidjson::GetParseError_En(document.GetParseError())) +
                                             " at byte " + std::to_string(document.GetErrorOffset())
                                       : std::string("not a JSON object");
        refuse("servers: " + path + " ignored: " + reason + "; the shipped values are used");
        return;
    }
    for (auto member = document.MemberBegin(); member != document.MemberEnd(); ++member) {
        const std::string key(member->name.GetString(), member->name.GetStringLength());
        const std::string value =
            member->value.IsString() ? std::string(member->value.GetString(), member->value.GetStringLength())
                                     : std::string();
        const std::string problem = member->value.IsString() || !isKnownKey(key)
                                        ? problemWith(key, value)
                                        : "the value is not a string";
        if (!problem.empty()) {
            refuse("servers: " + path + ": refused " + key + " \"" + value + "\": " + problem +
                   (isKnownKey(key) ? "; the shipped value is used" : ""));
            continue;
        }
        userFile_[key] = value;
    }
}

std::map<std::string, std::string> ServerSettings::overrides() const {
    std::map<std::string, std::string> values = userFile_;
    for (const auto& [key, value] : feed_) values[key] = value;
    if (!stockList_.empty()) values[CONFIG_KEY_STOCK_LIST] = stockList_;
    return values;
}

std::vector<ServerSettings::Effective> ServerSettings::effective(
    const std::map<std::string, std::string>& table) const {
    std::vector<Effective> rows;
    for (const std::string& key : knownKeys()) {
        if (key == CONFIG_KEY_STOCK_LIST && !stockList_.empty()) {
            rows.push_back({key, stockList_, Source::COMMAND_LINE});
        } else if (auto found = feed_.find(key); found != feed_.end()) {
            rows.push_back({key, found->second, Source::COMMAND_LINE});
        } else if (auto found = userFile_.find(key); found != userFile_.end()) {
            rows.push_back({key, found->second, Source::USER_FILE});
        } else if (auto found = table.find(key); found != table.end()) {
            rows.push_back({key, found->second, Source::TABLE});
        } else {
            rows.push_back({key, builtInValue(key), Source::BUILT_IN});
        }
    }
    return rows;
}
