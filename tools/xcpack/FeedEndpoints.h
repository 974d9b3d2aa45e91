#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The local feed's addresses as feed/defaults.json names them: host, the two ports and every
// endpoint's path, with the configuration key (if any) that points the terminal at it.
class FeedEndpoints {
public:
    struct Endpoint {
        std::string name;
        std::string url;  // "http://" + host + ":" + port + path
        // The configuration key, empty when the endpoint has none; "@url" means the URL is the key.
        std::string configKey;
    };

    static constexpr const char* URL_AS_KEY = "@url";

    // Reads and checks the defaults file; on failure error says why and the result is empty.
    static std::optional<FeedEndpoints> load(const std::string& path, std::string& error);

    const std::vector<Endpoint>& getEndpoints() const { return endpoints_; }
    // The endpoint called name, or null.
    const Endpoint* find(const std::string& name) const;
    // Replaces every "${name}" with the URL of that endpoint; false (error set) for an unknown name
    // or an unclosed placeholder.
    bool expand(const std::string& text, std::string& expanded, std::string& error) const;

private:
    std::vector<Endpoint> endpoints_;
};
