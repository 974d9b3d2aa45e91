#include "CCUserDefault.h"

#include <cctype>
#include <cstdlib>
#include <memory>
#include <sstream>

#include <pugixml.hpp>

#include "CCCommon.h"
#include "CCFileUtils.h"

NS_CC_BEGIN

namespace {
constexpr const char* FILE_NAME = "UserDefault.xml";
constexpr const char* ROOT_NAME = "userDefaultRoot";

std::unique_ptr<CCUserDefault>& instance() {
    static std::unique_ptr<CCUserDefault> store;
    return store;
}
}  // namespace

CCUserDefault::CCUserDefault() : path_(CCFileUtils::sharedFileUtils()->getWritablePath() + FILE_NAME) {
    load();
}

CCUserDefault* CCUserDefault::sharedUserDefault() {
    if (!instance()) instance().reset(new CCUserDefault());
    return instance().get();
}

void CCUserDefault::purgeSharedUserDefault() {
    instance().reset();
}

void CCUserDefault::load() {
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_file(path_.c_str());
    if (!result) {
        if (result.status != pugi::status_file_not_found)
            CCLog("UserDefault: %s unreadable (%s), starting empty", path_.c_str(), result.description());
        return;
    }
    for (pugi::xml_node node : doc.child(ROOT_NAME).children()) values_[node.name()] = node.text().get();
}

const std::string* CCUserDefault::find(const char* key) const {
    if (!key) return nullptr;
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

void CCUserDefault::set(const char* key, std::string value) {
    // Keys become element names; refuse names XML cannot hold rather than writing a broken file.
    if (!key || !*key || !(std::isalpha(static_cast<unsigned char>(key[0])) || key[0] == '_')) return;
    for (const char* p = key; *p; ++p)
        if (!(std::isalnum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '-' || *p == '.')) return;
    values_[key] = std::move(value);
    flush();
}

bool CCUserDefault::getBoolForKey(const char* key, bool defaultValue) const {
    const std::string* v = find(key);
    return v ? *v == "true" : defaultValue;
}

void CCUserDefault::setBoolForKey(const char* key, bool value) {
    set(key, value ? "true" : "false");
}

int CCUserDefault::getIntegerForKey(const char* key, int defaultValue) const {
    const std::string* v = find(key);
    return v ? std::atoi(v->c_str()) : defaultValue;
}

void CCUserDefault::setIntegerForKey(const char* key, int value) {
    set(key, std::to_string(value));
}

std::string CCUserDefault::getStringForKey(const char* key, const std::string& defaultValue) const {
    const std::string* v = find(key);
    return v ? *v : defaultValue;
}

void CCUserDefault::setStringForKey(const char* key, const std::string& value) {
    set(key, value);
}

bool CCUserDefault::flush() {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(ROOT_NAME);
    for (const auto& [key, value] : values_) root.append_child(key.c_str()).text().set(value.c_str());
    std::ostringstream out;
    doc.save(out, "  ");
    std::string text = out.str();
    if (!CCFileUtils::writeFileAtomically(path_, text.data(), text.size())) {
        CCLog("UserDefault: cannot write %s", path_.c_str());
        return false;
    }
    return true;
}

NS_CC_END
