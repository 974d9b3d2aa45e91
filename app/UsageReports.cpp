#include "UsageReports.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <map>
#include <memory>
#include <system_error>
#include <thread>

#include "CCDirector.h"
#include "CCFileUtils.h"
#include "CCGLRenderer.h"
#include "CCHttpClient.h"
#include "CCHttpResponse.h"
#include "CCScheduler.h"
#include "CCSignalStack.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "HttpHelpers.h"

USING_NS_CC;

namespace {
constexpr const char* DUMP_PATTERN = "*.dmp";
constexpr const char* UPLOAD_ACCEPTED = "success";

// The target of upload answers: lives for the whole run, as the requests may outlast any layer.
class LogUploadTarget : public CCObject {
public:
    static LogUploadTarget* get() {
        static LogUploadTarget* target = new LogUploadTarget();
        return target;
    }

    void onAnswer(CCHttpClient*, CCHttpResponse* response) {
        if (!response || !response->getHttpRequest()) return;
        std::string body;
        const char* path = response->getHttpRequest()->getTag();
        const bool sent = responseToString(response, body) && body == UPLOAD_ACCEPTED;
        if (!sent) {
            // A caller that waits for the outcome decides what becomes of the file.
            logError(done_.count(path) ? "send log: %s refused (status %d)"
                                       : "send log: %s kept for the next start (status %d)",
                     path, static_cast<int>(response->getResponseCode()));
        } else if (std::remove(path) != 0) {
            logError("send log: cannot delete %s", path);
        }
        finish(path, sent);
    }

    void whenDone(const std::string& path, std::function<void(bool)> done) {
        if (done) done_.emplace(path, std::move(done));
    }
    void finish(const std::string& path, bool sent) {
        auto found = done_.find(path);
        if (found == done_.end()) return;
        std::function<void(bool)> done = std::move(found->second);
        done_.erase(found);
        done(sent);
    }

private:
    std::multimap<std::string, std::function<void(bool)>> done_;
};

std::string glRendererName() {
    auto* renderer = dynamic_cast<CCGLRenderer*>(CCDirector::sharedDirector()->getRenderer());
    return renderer ? renderer->getDeviceName() : std::string();
}

void sendReports(bool withInstallReport, const GetSysInfo& info) {
    if (withInstallReport) sendInstallReport(buildSysInfoJson(info));
    sendAppRunReport();
}
}  // namespace

std::string buildSysInfoJson(const GetSysInfo& info) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    auto text = [&writer](const char* key, const std::string& value) {
        writer.Key(key);
        writer.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
    };
    writer.StartObject();
    writer.Key("disPlayCard");
    writer.StartArray();
    for (const std::string& card : info.displayCards)
        writer.String(card.c_str(), static_cast<rapidjson::SizeType>(card.size()));
    writer.EndArray();
    text("sysVer", info.sysVer);
    text("phymem", info.phymem);
    text("virmem", info.virmem);
    text("ip", info.ip);
    text("mac", info.mac);
    text("cpu", info.cpu);
    text("platform", getPlatformTag());
    writer.EndObject();
    std::string json = buffer.GetString();
    logInfo("sys info:%s", json.c_str());
    return json;
}

void sendInstallReport(const std::string& body) {
    const std::string url = getConfigValue(CONFIG_KEY_SEND_INSTALL_INFO_URL, DEFAULT_SEND_INSTALL_INFO_URL);
    httpPostWithHeader(url, "", nullptr, nullptr, body, JSON_CONTENT_TYPE_HEADER);
}

void sendAppRunReport() {
    const std::string url = getConfigValue(CONFIG_KEY_SEND_APP_RUN_URL, DEFAULT_SEND_APP_RUN_URL);
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(RUN_REPORT_PLATFORM_KEY);
    writer.String(getPlatformTag());
    writer.EndObject();
    const std::string body = buffer.GetString();
    httpPostWithHeader(url, "", nullptr, nullptr, body, JSON_CONTENT_TYPE_HEADER);
    logInfo("send app run:%s=>%s", body.c_str(), url.c_str());
}

void sendUsageReports(bool withInstallReport, SysInfoSources sources) {
    // Kept alive for the worker; the hand-over gives the reference back on the main thread.
    CCScheduler* scheduler = CCDirector::sharedDirector()->getScheduler();
    scheduler->retain();
    auto collect = [withInstallReport, sources = std::move(sources), scheduler] {
        installSignalStack();
        auto info = std::make_shared<GetSysInfo>(sources);
        scheduler->performFunctionInMainThread([withInstallReport, info, scheduler] {
            scheduler->autorelease();
            sendReports(withInstallReport, *info);
        });
    };
    try {
        std::thread(std::move(collect)).detach();
    } catch (const std::system_error& error) {
        // Without a worker the reports still go, only later in this frame.
        logError("system information worker failed: %s", error.what());
        scheduler->release();
        sendReports(withInstallReport, GetSysInfo(SysInfoSources{}));
    }
}

void sendUsageReports(bool withInstallReport) {
    sendUsageReports(withInstallReport, SysInfoSources::system(glRendererName()));
}

std::string percentEncode(const std::string& text) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += HEX[c >> 4];
            encoded += HEX[c & 15];
        }
    }
    return encoded;
}

void sendLog(const std::string& path, const std::string& fileName) {
    sendLog(path, fileName, nullptr);
}

void sendLog(const std::string& path, const std::string& fileName, std::function<void(bool sent)> done) {
    std::optional<std::vector<unsigned char>> bytes = readFile(path);
    if (!bytes || bytes->empty()) {
        if (done) done(false);
        return;
    }
    const std::string url = getConfigValue(CONFIG_KEY_SEND_LOG_URL, DEFAULT_SEND_LOG_URL) +
                            "/?fileName=" + percentEncode(fileName);
    LogUploadTarget* target = LogUploadTarget::get();
    target->whenDone(path, std::move(done));
    if (!httpPost(bytes->data(), bytes->size(), url, path, target,
                  httpresponse_selector(LogUploadTarget::onAnswer))) {
        target->finish(path, false);
        return;
    }
    logInfo("send log:%ld=>%s", static_cast<long>(bytes->size()), path.c_str());
}

void uploadPendingDumps() {
    const std::string folder = CCFileUtils::sharedFileUtils()->getWritablePath();
    for (const std::string& name : listFiles(folder + DUMP_PATTERN)) sendLog(folder + name, name);
}
