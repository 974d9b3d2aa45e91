#include "FeedEndpoints.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "SourceFile.h"

namespace {
bool readPort(const rapidjson::Value& root, const char* name, int& port, std::string& error) {
    auto member = root.FindMember(name);
    if (member == root.MemberEnd() || !member->value.IsInt() || member->value.GetInt() < 1 ||
        member->value.GetInt() > 65535) {
        error = std::string("\"") + name + "\" must be a port number";
        return false;
    }
    port = member->value.GetInt();
    return true;
}
}  // namespace

std::optional<FeedEndpoints> FeedEndpoints::load(const std::string& path, std::string& error) {
    std::optional<std::string> text = readSourceFile(path, error);
    if (!text) return std::nullopt;
    rapidjson::Document root;
    root.Parse(text->c_str(), text->size());
    if (root.HasParseError()) {
        error = path + ": " + rapidjson::GetParseError_En(root.GetParseError()) + " at byte " +
                std::to_string(root.GetErrorOffset());
        return std::nullopt;
    }
    if (!root.IsObject()) {
        error = path + ": not a JSON object";
        return std::nullopt;
    }
    auto host = root.FindMember("host");
    if (host == root.MemberEnd() || !host->value.IsString()) {
        error = path + ": \"host\" must be a text";
        return std::nullopt;
    }
    const std::string hostName = host->value.GetString();
    // The terminal scans server lists for URLs with a dotted host; "localhost" would never match.
    if (hostName.find('.') == std::string::npos) {
        error = path + ": host \"" + hostName + "\" must be a dotted address such as 127.0.0.1";
        return std::nullopt;
    }
    int httpPort = 0;
    int newsPort = 0;
    if (!readPort(root, "httpPort", httpPort, error) || !readPort(root, "newsPort", newsPort, error)) {
        error = path + ": " + error;
        return std::nullopt;
    }
    auto endpoints = root.FindMember("endpoints");
    if (endpoints == root.MemberEnd() || !endpoints->value.IsObject()) {
        error = path + ": \"endpoints\" must be an object";
        return std::nullopt;
    }

    FeedEndpoints feed;
    for (const auto& member : endpoints->value.GetObject()) {
        const std::string name = member.name.GetString();
        const rapidjson::Value& entry = member.value;
        auto server = entry.IsObject() ? entry.FindMember("server") : endpoints->value.MemberEnd();
        auto endpointPath = entry.IsObject() ? entry.FindMember("path") : endpoints->value.MemberEnd();
        if (!entry.IsObject() || server == entry.MemberEnd() || !server->value.IsString() ||
            endpointPath == entry.MemberEnd() || !endpointPath->value.IsString()) {
            error = path + ": endpoint \"" + name + "\" needs the texts \"server\" and \"path\"";
            return std::nullopt;
        }
        const std::string serverName = server->value.GetString();
        int port = 0;
        if (serverName == "http") {
            port = httpPort;
        } else if (serverName == "news") {
            port = newsPort;
        } else {
            error = path + ": endpoint \"" + name + "\" names the unknown server \"" + serverName + "\"";
            return std::nullopt;
        }
        Endpoint endpoint;
        endpoint.name = name;
        endpoint.url = "http://" + hostName + ":" + std::to_string(port) + endpointPath->value.GetString();
        auto configKey = entry.FindMember("configKey");
        if (configKey != entry.MemberEnd() && configKey->value.IsString()) {
            endpoint.configKey = configKey->value.GetString();
        }
        feed.endpoints_.push_back(std::move(endpoint));
    }
    return feed;
}

const FeedEndpoints::Endpoint* FeedEndpoints::find(const std::string& name) const {
    for (const Endpoint& endpoint : endpoints_) {
        if (endpoint.name == name) return &endpoint;
    }
    return nullptr;
}

bool FeedEndpoints::expand(const std::string& text, std::string& expanded, std::string& error) const {
    expanded.clear();
    size_t position = 0;
    for (;;) {
        const size_t open = text.find("${", position);
        if (open == std::string::npos) break;
        const size_t close = text.find('}', open);
        if (close == std::string::npos) {
            error = "unclosed \"${\" in \"" + text + "\"";
            return false;
        }
        const std::string name = text.substr(open + 2, close - open - 2);
        const Endpoint* endpoint = find(name);
        if (!endpoint) {
            error = "\"" + text + "\" names the unknown feed endpoint \"" + name + "\"";
            return false;
        }
        expanded += text.substr(position, open - position);
        expanded += endpoint->url;
        position = close + 1;
    }
    expanded += text.substr(position);
    return true;
}
