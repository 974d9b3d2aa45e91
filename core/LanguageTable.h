#pragma once

#include <functional>
#include <string>

#include "LangData.h"

namespace cocos2d {
class CCLabelProtocol;
class CCNode;
}  // namespace cocos2d

// The interface texts of "res/database/language.xc" by key, one text per language, and the
// process-wide current language (1 at process start, then the stored setting) that lookups use.
// Loaded once at start-up and only read afterwards. Main thread only.

constexpr const char* LANGUAGE_TABLE_PATH = "res/database/language.xc";
// What a lookup gives for a key or language that has no text.
constexpr const char* MISSING_LANG_TEXT = "null";
// The entry shown when a caller's key is missing.
constexpr const char* DEFAULT_LANG_KEY = "default";
constexpr int DEFAULT_LANGUAGE = 1;

// Reads the table (restoring its scrambled bytes) and replaces the loaded entries; a repeated key
// keeps its first entry. False, with the table left as it was, when the file cannot be read.
bool loadLanguageTable(const std::string& path = LANGUAGE_TABLE_PATH);
// Drops every loaded entry.
void clearLanguageTable();

int getCurrentLanguage();
void setCurrentLanguage(int language);

// The entry for key, or null.
const LangData* findLangEntry(const std::string& key);
// The key's text in the current language; "null" when the key is absent or has no such text.
std::string getLangText(const std::string& key);
// The entry's text for language; "null" for a null entry or an index outside its texts.
std::string getLangTextFor(const LangData* entry, int language);

// The callers' convention: the key's text in the current language. When the key is absent, logs
// "get lang data failed:<logName>" (logName is the key unless given) and gives the text of the
// "default" entry, or previousText when "default" is absent too.
std::string getLangTextOrDefault(const std::string& key, const std::string& previousText,
                                 const std::string& logName = "");
// The same applied to a label: its text changes only when the key or "default" is found.
void setLangText(cocos2d::CCLabelProtocol* label, const std::string& key, const std::string& logName = "");

// The live language switch. Bound texts re-read when the language changes and die with their node.
// Sets label (a node that is a CCLabelProtocol) to the key's text as setLangText does, now and after
// every switch while it lives.
void bindLangText(cocos2d::CCNode* label, const std::string& key, const std::string& logName = "");
// Runs refresh now and after every switch while node lives: texts composed of several keys, tips,
// and owners that lay out again when a text changes size.
void bindLangRefresh(cocos2d::CCNode* node, std::function<void()> refresh);
void unbindLang(cocos2d::CCNode* node);
// Makes language current and re-reads every binding. Outside 0-1 changes nothing and gives false.
bool switchLanguage(int language);
size_t langBindingCount();
