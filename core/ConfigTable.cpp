#include "ConfigTable.h"

#include "CDebugModule.h"
#include "FileHelpers.h"

namespace {
std::map<std::string, std::string>& configMap() {
    static std::map<std::string, std::string> values;
    return values;
}

std::map<std::string, std::string>& overrideMap() {
    static std::map<std::string, std::string> values;
    return values;
}

std::vector<std::string>& pendingNotes() {
    static std::vector<std::string> notes;
    return notes;
}

void logPendingNotes() {
    for (const std::string& note : pendingNotes()) logWarn("%s", note.c_str());
    pendingNotes().clear();
}
}  // namespace

bool loadConfigTable(const std::string& path) {
    logPendingNotes();
    std::unique_ptr<CCmdPacket> packet = readPacketFile(path);
    if (!packet || packet->getLength() == 0) return false;
    std::map<std::string, std::string>& values = configMap();
    values.clear();
    const int count = packet->readUInt16();
    logInfo("config data count:%d", count);
    for (int k = 0; k < count; ++k) {
        std::string key = packet->readLongString();
        values[key] = packet->readLongString();
        // Past the data every further entry reads as an empty key and value: store it once.
        if (packet->getRemaining() <= 0 && k + 1 < count) {
            values[""] = "";
            break;
        }
    }
    return true;
}

void clearConfigTable() {
    configMap().clear();
}

void setConfigOverrides(std::map<std::string, std::string> values, std::vector<std::string> notes) {
    overrideMap() = std::move(values);
    pendingNotes() = std::move(notes);
}

std::string getConfigValue(const std::string& key, const std::string& defaultValue) {
    const std::map<std::string, std::string>& overrides = overrideMap();
    if (auto chosen = overrides.find(key); chosen != overrides.end()) return chosen->second;
    const std::map<std::string, std::string>& values = configMap();
    auto found = values.find(key);
    return found == values.end() ? defaultValue : found->second;
}

const std::map<std::string, std::string>& getConfigMap() {
    return configMap();
}
