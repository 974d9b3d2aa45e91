#include "VersionFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

#include "CDebugModule.h"

namespace {
constexpr size_t SHA256_HEX_LENGTH = 64;
// Far beyond any archive; keeps the value a sane byte count.
constexpr double MAX_FILE_SIZE = 1e15;

std::optional<bool> readBool(const rapidjson::Value& object, const char* name) {
    auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsBool()) return std::nullopt;
    return member->value.GetBool();
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}
}  // namespace

VersionFile VersionFile::parse(const rapidjson::Document& document) {
    VersionFile file;
    if (!document.IsObject()) {
        logError("version file is not a JSON object: no update");
        return file;
    }
    auto ver = document.FindMember("ver");
    if (ver != document.MemberEnd() && ver->value.IsNumber()) {
        const double value = ver->value.GetDouble();
        file.ver = std::isnan(value) ? 0 : static_cast<int>(std::clamp(value, 0.0, double(INT_MAX)));
    } else {
        logError("version file: \"ver\" is missing or not a number: no update");
    }
    file.force = readBool(document, "force").value_or(false);
    auto size = document.FindMember("fileSize");
    if (size != document.MemberEnd() && size->value.IsNumber()) {
        file.fileSize = std::clamp(size->value.GetDouble(), 0.0, MAX_FILE_SIZE);
        if (std::isnan(file.fileSize)) file.fileSize = 0;
    }
    auto url = document.FindMember("resurl");
    if (url != document.MemberEnd() && url->value.IsString()) file.resurl = url->value.GetString();
    auto hash = document.FindMember("sha256");
    if (hash != document.MemberEnd() && hash->value.IsString()) {
        file.sha256 = hash->value.GetString();
        std::transform(file.sha256.begin(), file.sha256.end(), file.sha256.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    auto notes = document.FindMember("msg");
    if (notes != document.MemberEnd() && notes->value.IsArray()) {
        for (const auto& line : notes->value.GetArray()) {
            if (line.IsString()) file.msg.emplace_back(line.GetString(), line.GetStringLength());
        }
    }
    file.logInfoSwitch = readBool(document, "logInfo");
    file.logWarnSwitch = readBool(document, "logWarn");
    file.logErrorSwitch = readBool(document, "logError");
    return file;
}

bool VersionFile::isUsableOffer() const {
    if (!startsWith(resurl, "http://") && !startsWith(resurl, "https://")) {
        logError("version file: the archive URL \"%s\" is not http(s): update ignored", resurl.c_str());
        return false;
    }
    const bool hexDigest =
        sha256.size() == SHA256_HEX_LENGTH &&
        std::all_of(sha256.begin(), sha256.end(), [](unsigned char c) { return std::isxdigit(c); });
    if (!hexDigest) {
        logError("version file: no valid \"sha256\" for the archive: update ignored");
        return false;
    }
    return true;
}
