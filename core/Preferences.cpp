#include "Preferences.h"

#include <optional>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "CCFileUtils.h"
#include "CDebugModule.h"
#include "FileHelpers.h"

namespace {
constexpr size_t MAX_FILE_BYTES = 64 * 1024;
constexpr const char* LINKED_KEY = "linkedCrosshair";
constexpr const char* LINKED_NAMES[] = {"off", "sameInstrument", "allWindows"};
}  // namespace

Preferences& Preferences::shared() {
    static Preferences preferences(cocos2d::CCFileUtils::sharedFileUtils()->getWritablePath());
    static const bool loaded = preferences.load();
    (void)loaded;
    return preferences;
}

Preferences::Preferences(std::string folder) : path_(std::move(folder) + FILE_NAME) {}

bool Preferences::load() {
    const std::optional<std::vector<unsigned char>> bytes = readFile(path_);
    if (!bytes) return true;
    if (bytes->size() > MAX_FILE_BYTES) {
        logWarn("preferences: %s is too large; defaults used", path_.c_str());
        return false;
    }
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(reinterpret_cast<const char*>(bytes->data()),
                                                   bytes->size());
    if (document.HasParseError() || !document.IsObject()) {
        logWarn("preferences: %s is not a JSON object; defaults used", path_.c_str());
        return false;
    }
    const auto linked = document.FindMember(LINKED_KEY);
    if (linked != document.MemberEnd()) {
        bool known = false;
        for (int k = 0; k < 3; ++k) {
            if (linked->value.IsString() && LINKED_NAMES[k] == std::string(linked->value.GetString())) {
                linkedCrosshair_ = static_cast<LinkedCrosshair>(k);
                known = true;
            }
        }
        if (!known)
            logWarn("preferences: %s has an unknown %s; the default is used", path_.c_str(), LINKED_KEY);
    }
    return true;
}

bool Preferences::setLinkedCrosshair(LinkedCrosshair mode) {
    linkedCrosshair_ = mode;
    const bool saved = save();
    bindings_.notify();
    return saved;
}

bool Preferences::save() const {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(LINKED_KEY);
    writer.String(LINKED_NAMES[static_cast<int>(linkedCrosshair_)]);
    writer.EndObject();
    if (saveFile(path_, buffer.GetString(), buffer.GetSize())) return true;
    logWarn("preferences: %s could not be written", path_.c_str());
    return false;
}
