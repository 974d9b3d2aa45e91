#pragma once

#include <string>
#include <vector>

// One entry of the language table: a key and its text in each language (index = language).
class LangData {
public:
    LangData() = default;
    LangData(std::string key, std::vector<std::string> texts)
        : key_(std::move(key)), texts_(std::move(texts)) {}
    virtual ~LangData() = default;

    const std::string& getKey() const { return key_; }
    const std::vector<std::string>& getTexts() const { return texts_; }
    // The text for a language index, or "null" when the entry has none for it.
    std::string getText(int language) const;

private:
    std::string key_;
    std::vector<std::string> texts_;
};
