#include "LanguageTable.h"

#include <map>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "CDebugModule.h"
#include "FileHelpers.h"
#include "NodeBindings.h"

namespace {
std::map<std::string, LangData>& languageMap() {
    static std::map<std::string, LangData> entries;
    return entries;
}

int currentLanguage = DEFAULT_LANGUAGE;

NodeBindings& languageBindings() {
    static NodeBindings bindings;
    return bindings;
}
}  // namespace

bool loadLanguageTable(const std::string& path) {
    std::unique_ptr<CCmdPacket> packet = readPacketFile(path);
    if (!packet) return false;
    std::map<std::string, LangData>& entries = languageMap();
    entries.clear();
    const int count = packet->readUInt16();
    logInfo("language data count:%d", count);
    for (int k = 0; k < count; ++k) {
        std::string key = packet->readLongString();
        std::string language0 = packet->readLongString();
        std::string language1 = packet->readLongString();
        entries.try_emplace(key, key, std::vector<std::string>{std::move(language0), std::move(language1)});
        // Past the data every further entry reads as an empty key with empty texts: add it once.
        if (packet->getRemaining() <= 0 && k + 1 < count) {
            entries.try_emplace("", "", std::vector<std::string>{"", ""});
            break;
        }
    }
    return true;
}

void clearLanguageTable() {
    languageMap().clear();
}

int getCurrentLanguage() {
    return currentLanguage;
}

void setCurrentLanguage(int language) {
    currentLanguage = language;
}

const LangData* findLangEntry(const std::string& key) {
    const std::map<std::string, LangData>& entries = languageMap();
    auto found = entries.find(key);
    return found == entries.end() ? nullptr : &found->second;
}

std::string getLangText(const std::string& key) {
    return getLangTextFor(findLangEntry(key), currentLanguage);
}

std::string getLangTextFor(const LangData* entry, int language) {
    if (!entry) return MISSING_LANG_TEXT;
    return entry->getText(language);
}

std::string getLangTextOrDefault(const std::string& key, const std::string& previousText,
                                 const std::string& logName) {
    if (const LangData* entry = findLangEntry(key)) return getLangTextFor(entry, currentLanguage);
    logInfo("get lang data failed:%s", (logName.empty() ? key : logName).c_str());
    const LangData* fallback = findLangEntry(DEFAULT_LANG_KEY);
    if (!fallback) return previousText;
    return getLangTextFor(fallback, currentLanguage);
}

void setLangText(cocos2d::CCLabelProtocol* label, const std::string& key, const std::string& logName) {
    if (!label) return;
    const char* previous = label->getString();
    const std::string previousText = previous ? previous : "";
    const std::string text = getLangTextOrDefault(key, previousText, logName);
    if (text != previousText) label->setString(text.c_str());
}

void bindLangText(cocos2d::CCNode* label, const std::string& key, const std::string& logName) {
    auto* protocol = dynamic_cast<cocos2d::CCLabelProtocol*>(label);
    if (!protocol) return;
    languageBindings().bind(label, [protocol, key, logName] { setLangText(protocol, key, logName); });
}

void bindLangRefresh(cocos2d::CCNode* node, std::function<void()> refresh) {
    languageBindings().bind(node, std::move(refresh));
}

void unbindLang(cocos2d::CCNode* node) {
    languageBindings().unbind(node);
}

bool switchLanguage(int language) {
    if (language < 0 || language > 1) return false;
    currentLanguage = language;
    languageBindings().notify();
    return true;
}

size_t langBindingCount() {
    return languageBindings().size();
}
