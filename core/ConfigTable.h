#pragma once

#include <map>
#include <string>
#include <vector>

#include "FeedDefaults.h"

// The configuration texts of "res/database/config.xc" (mostly server URLs) by key. Each caller asks
// with its own default; the table only overrides. Loaded once at start-up and only read afterwards.
// Main thread only.

constexpr const char* CONFIG_TABLE_PATH = "res/database/config.xc";

// Keys the terminal asks for.
constexpr const char* CONFIG_KEY_UPDATE_EXE_URL = "updateExeUrl";
constexpr const char* CONFIG_KEY_VERSION_FILE_URL = "versionFileUrl";
constexpr const char* CONFIG_KEY_SEND_INSTALL_INFO_URL = "sendInstallInfoUrl";
constexpr const char* CONFIG_KEY_SEND_APP_RUN_URL = "sendAppRunUrl";
constexpr const char* CONFIG_KEY_SEND_LOG_URL = "sendLogUrl";
constexpr const char* CONFIG_KEY_KWEEK_DATA_URL = "KWeekDataUrl";
constexpr const char* CONFIG_KEY_KLINE_SOCKET_SERVER_LIST_URL = "KLineSocketServerListUrl";
constexpr const char* CONFIG_KEY_NEWS_HISTORY_SERVER_LIST_URL = "newsHistoryServerListUrl";
constexpr const char* CONFIG_KEY_NEWS_SERVER = "newsServer";  // default empty
// The news socket's address, "http://host:port" (with or without a final "/"); defaults to
// DEFAULT_NEWS_SOCKET_URL.
constexpr const char* CONFIG_KEY_NEWS_SOCKET_URL = "newsSocketUrl";
constexpr const char* CONFIG_KEY_STOCK_LIST = "stockList";  // default empty
// The K-line history server list is looked up under its own built-in URL, which is also its default.
constexpr const char* CONFIG_KEY_KLINE_HISTORY_SERVER_LIST = FEED_KLINE_HISTORY_SERVER_LIST_URL;

// Built-in values for the keys above and for the fixed addresses that have no key: the local feed.
constexpr const char* DEFAULT_UPDATE_EXE_URL = FEED_UPDATER_URL;
constexpr const char* DEFAULT_SEND_INSTALL_INFO_URL = FEED_INSTALL_REPORT_URL;
constexpr const char* DEFAULT_SEND_APP_RUN_URL = FEED_RUN_REPORT_URL;
constexpr const char* DEFAULT_SEND_LOG_URL = FEED_LOG_UPLOAD_URL;
constexpr const char* DEFAULT_KWEEK_DATA_URL = FEED_WEEK_HISTORY_URL;
constexpr const char* DEFAULT_KLINE_SOCKET_SERVER_LIST_URL = FEED_KLINE_SOCKET_SERVER_LIST_URL;
constexpr const char* DEFAULT_NEWS_HISTORY_SERVER_LIST_URL = FEED_NEWS_HISTORY_SERVER_LIST_URL;
constexpr const char* DEFAULT_KLINE_HISTORY_URL = FEED_HISTORY_LIST_URL;
constexpr const char* DEFAULT_NEWS_SOCKET_URL = FEED_NEWS_BASE_URL;
constexpr const char* DEFAULT_VERSION_FILE_URL = FEED_VERSION_FILE_URL;

// Reads the table (restoring its scrambled bytes) and replaces the loaded values; a repeated key
// takes the later value. False, with the values left as they were, when the file is missing or empty.
bool loadConfigTable(const std::string& path = CONFIG_TABLE_PATH);
// Drops every loaded value.
void clearConfigTable();

// Values chosen by the user (see ServerSettings): they win over the table's on every lookup and outlive
// clearConfigTable. Each note is logged once, as a warning, by the next loadConfigTable (the log file
// exists by then).
void setConfigOverrides(std::map<std::string, std::string> values, std::vector<std::string> notes = {});

// The user's value for key, else the loaded value, else defaultValue.
std::string getConfigValue(const std::string& key, const std::string& defaultValue);
// Every value loaded from the table, by key (the user's values are not among them).
const std::map<std::string, std::string>& getConfigMap();
