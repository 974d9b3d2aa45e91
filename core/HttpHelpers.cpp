#include "HttpHelpers.h"

#include <climits>
#include <optional>
#include <regex>
#include <string_view>

#include <rapidjson/error/en.h>

#include "CDebugModule.h"

USING_NS_CC;

namespace {
// libstdc++ matches recursively, one stack frame per character: a longer run of URL characters is
// not a server-list entry and is skipped rather than risk the stack.
constexpr size_t MAX_URL_RUN_LENGTH = 512;

bool sendRequest(HttpRequestType type, const std::string& url, const std::string& tag, CCObject* target,
                 SEL_HttpResponse selector, const void* body, size_t count, const std::string& headerLine,
                 bool download) {
    if (count > UINT_MAX) {
        logError("request body too large: %zu bytes for %s", count, url.c_str());
        return false;
    }
    auto* request = new CCHttpRequest();
    request->setUrl(url.c_str());
    request->setRequestType(type);
    if (body && count > 0)
        request->setRequestData(static_cast<const char*>(body), static_cast<unsigned>(count));
    if (target || selector) request->setResponseCallback(target, selector);
    request->setTag(tag.c_str());
    if (!headerLine.empty()) request->setHeaders({headerLine});
    request->setDownload(download);
    CCHttpClient::getInstance()->send(request);
    request->release();
    return true;
}

bool isSuccessful(CCHttpResponse* response) {
    const int code = response->getResponseCode();
    return response->isSucceed() && code >= 200 && code < 300;
}

// The error text of a failed response; a non-2xx status the client did not describe is named.
std::string failureText(CCHttpResponse* response) {
    std::string error = response->getErrorBuffer();
    if (error.empty()) error = "HTTP status " + std::to_string(response->getResponseCode());
    return error;
}

// Every character URL_PATTERN can match besides Latin letters and digits.
constexpr std::string_view URL_PUNCTUATION = "_-./?%&=*:";

bool isUrlCharacter(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return URL_PUNCTUATION.find(c) != std::string_view::npos;
}

const std::regex* urlRegex() {
    static const std::optional<std::regex> compiled = []() -> std::optional<std::regex> {
        try {
            std::regex pattern;
            pattern.imbue(std::locale::classic());
            pattern.assign(URL_PATTERN);
            return pattern;
        } catch (const std::exception& error) {
            logError("URL pattern failed to compile: %s", error.what());
            return std::nullopt;
        }
    }();
    return compiled ? &*compiled : nullptr;
}

// A match never contains a character outside isUrlCharacter, so scanning each run of such characters
// on its own finds the same matches as scanning the whole text.
void findUrlsInRun(const std::regex& pattern, const std::string& run, std::vector<std::string>& urls) {
    if (run.find("://") == std::string::npos) return;
    if (run.size() > MAX_URL_RUN_LENGTH) {
        logInfo("url scan skipped a run of %zu characters", run.size());
        return;
    }
    try {
        for (std::sregex_iterator match(run.begin(), run.end(), pattern), end; match != end; ++match) {
            urls.push_back(match->str());
        }
    } catch (const std::exception& error) {
        logInfo("url scan failed: %s", error.what());
    }
}
}  // namespace

bool httpPost(const void* bytes, size_t count, const std::string& url, const std::string& tag,
              CCObject* target, SEL_HttpResponse selector) {
    return sendRequest(kHttpPost, url, tag, target, selector, bytes, count, "", false);
}

bool httpPostWithHeader(const std::string& url, const std::string& tag, CCObject* target,
                        SEL_HttpResponse selector, const std::string& body, const std::string& headerLine) {
    return sendRequest(kHttpPost, url, tag, target, selector, body.data(), body.size(), headerLine, false);
}

bool httpGet(const std::string& url, const std::string& tag, CCObject* target, SEL_HttpResponse selector) {
    return sendRequest(kHttpGet, url, tag, target, selector, nullptr, 0, "", false);
}

bool httpDownload(const std::string& url, CCObject* target, SEL_HttpResponse selector) {
    return sendRequest(kHttpGet, url, "", target, selector, nullptr, 0, "", true);
}

bool responseToString(CCHttpResponse* response, std::string& text) {
    text.clear();
    if (!response) {
        logInfo("!!!!!!!!!!!!!!!!!!!response failed: response is null!");
        return false;
    }
    const std::vector<char>* data = response->getResponseData();
    if (data && !data->empty()) text.assign(data->begin(), data->end());
    if (isSuccessful(response)) return true;
    CDebugModule* log = CDebugModule::getInstance();
    log->log(LOG_LEVEL_INFO, "!!!!!!!!!!!!!!!!!!!response failed:%s", failureText(response).c_str());
    log->log(LOG_LEVEL_INFO, "request to string failed:%s", text.c_str());
    return false;
}

bool responseToBytes(CCHttpResponse* response, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (!response) {
        logInfo("!!!!!!!!!!!!!!!!!!!response failed: response is null!");
        return false;
    }
    const std::vector<char>* data = response->getResponseData();
    if (data && !data->empty()) bytes.assign(data->begin(), data->end());
    if (isSuccessful(response)) return true;
    logInfo("!!!!!!!!!!!!!!!!!!!response failed:%s", failureText(response).c_str());
    return false;
}

bool parseJson(const std::string& text, rapidjson::Document& document) {
    try {
        document.Parse<rapidjson::kParseIterativeFlag>(text.data(), text.size());
        if (document.HasParseError()) {
            logInfo("json Parse Error%s", rapidjson::GetParseError_En(document.GetParseError()));
            document.SetNull();
        }
        return true;
    } catch (...) {
        logInfo("json Parse failed!!!");
        return false;
    }
}

bool responseToJson(CCHttpResponse* response, rapidjson::Document& document) {
    if (!response) {
        logInfo("!!!!!!!!!!!!!!!!!!!response failed: response is null!");
        return false;
    }
    std::string body;
    if (!responseToString(response, body)) {
        logInfo("RequestToStringe failed!");
        return false;
    }
    return parseJson(body, document);
}

bool responseToUrlList(CCHttpResponse* response, std::vector<std::string>& urls) {
    std::string body;
    if (!responseToString(response, body)) {
        logError("RequestToHttp failed!!!");
        return false;
    }
    logInfo("%s", body.c_str());
    for (std::string& url : findUrls(body)) {
        logInfo("%s", url.c_str());
        urls.push_back(std::move(url));
    }
    return true;
}

std::vector<std::string> findUrls(const std::string& text) {
    std::vector<std::string> urls;
    const std::regex* pattern = urlRegex();
    if (!pattern) return urls;
    size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && !isUrlCharacter(text[start])) ++start;
        size_t end = start;
        while (end < text.size() && isUrlCharacter(text[end])) ++end;
        if (end > start) findUrlsInRun(*pattern, text.substr(start, end - start), urls);
        start = end;
    }
    return urls;
}
