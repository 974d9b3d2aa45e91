#pragma once

#include <map>
#include <string>
#include <vector>

// The server addresses chosen without a rebuild, over the shipped configuration table. Highest first:
// the command line ("--stock-list URL"; "--feed HOST:PORT", every keyed endpoint of a local feed on
// that address, with --stock-list winning over it), then the user file "servers.json" in the writable
// folder (a JSON object of configuration keys to URLs), then the table, then the built-in value.
//
// A refused entry (unknown key, a value that is not an http(s) URL, a host the server-list scan
// cannot keep such as "localhost") leaves the shipped value in place and adds one line naming it to
// refusals(). Plain value type; main thread only.
class ServerSettings {
public:
    static constexpr const char* USER_FILE_NAME = "servers.json";

    enum class Source { BUILT_IN, TABLE, USER_FILE, COMMAND_LINE };

    struct Effective {
        std::string key;
        std::string value;
        Source source;
    };

    // Every key the terminal reads from the table, sorted.
    static std::vector<std::string> knownKeys();
    // What a caller falls back to when neither the table nor the user has a value.
    static std::string builtInValue(const std::string& key);
    static const char* sourceName(Source source);
    // http or https, a dotted host of letters, digits, "-" and "_", an optional port (1 to 65535),
    // then nothing or a path; no spaces or control characters.
    static bool isAcceptableUrl(const std::string& url);

    // Command-line options; false (and a refusal line) when refused.
    bool setFeedAddress(const std::string& hostAndPort);
    bool setStockListUrl(const std::string& url);
    // Reads the user file; a missing file is the usual case and says nothing.
    void readUserFile(const std::string& path);
    // The file's text as read from path (path only names it in the refusal lines).
    void parseUserFile(const std::string& text, const std::string& path);

    // The user's values that win over the table, by key.
    std::map<std::string, std::string> overrides() const;
    // Every known key with its value and where it came from, given the loaded table.
    std::vector<Effective> effective(const std::map<std::string, std::string>& table) const;
    const std::vector<std::string>& refusals() const { return refusals_; }

private:
    void refuse(const std::string& line);
    // Why value cannot be used for key, or empty when it can.
    static std::string problemWith(const std::string& key, const std::string& value);

    std::map<std::string, std::string> userFile_;
    std::map<std::string, std::string> feed_;
    std::string stockList_;
    std::vector<std::string> refusals_;
};
