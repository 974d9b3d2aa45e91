#pragma once

#include <optional>
#include <string>
#include <vector>

#include <rapidjson/document.h>

// The members of the version file the update client reads, each checked for its type: a member of
// another type counts as missing. Numbers are read as doubles and clamped before they become
// integers. Main thread or any thread.
struct VersionFile {
    int ver = 0;
    bool force = false;
    double fileSize = 0;
    std::string resurl;
    std::string sha256;  // lower-case hex of the archive's SHA-256
    std::vector<std::string> msg;
    std::optional<bool> logInfoSwitch, logWarnSwitch, logErrorSwitch;

    // A document that is not an object gives ver 0 (logged).
    static VersionFile parse(const rapidjson::Document& document);
    // An offer the client can act on: an http(s) "resurl" and 64 hex digits of "sha256". Logs why not.
    bool isUsableOffer() const;
};
