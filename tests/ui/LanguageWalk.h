#pragma once

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "SelectLanguagePanel.h"

// Finds texts of the language not in force anywhere under a node: label strings and button tips.
// A text counts as the other language's when it is that language's text of a table key (or such a text
// in front of a value, as in "High 1.3", or in brackets, as in "[15 min]") and differs from the current
// one; with English in force, any CJK character counts too. The language chooser's rows are written
// in their own languages on purpose and are skipped.
class LanguageWalk {
public:
    LanguageWalk() {
        std::ifstream in(ZENTO_LANGUAGE_SOURCE);
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        const std::regex key(R"re(\n\s*"([^"]+)"\s*:\s*\[)re");
        for (auto it = std::sregex_iterator(source.begin(), source.end(), key); it != std::sregex_iterator();
             ++it)
            keys_.push_back((*it)[1]);
    }

    size_t keyCount() const { return keys_.size(); }
    // How many texts the last walk looked at.
    size_t checked() const { return checked_; }

    // "where: text" for each text of the other language under root.
    std::vector<std::string> foreignTexts(cocos2d::CCNode* root) {
        const int current = getCurrentLanguage();
        foreign_.clear();
        for (const std::string& key : keys_) {
            const LangData* entry = findLangEntry(key);
            if (!entry) continue;
            const std::string mine = getLangTextFor(entry, current);
            const std::string other = getLangTextFor(entry, 1 - current);
            if (other != mine && other.size() > 1) foreign_.push_back(other);
        }
        checked_ = 0;
        std::vector<std::string> found;
        walk(root, current, found);
        return found;
    }

private:
    static bool hasCjk(const std::string& text) {
        // U+4E00..U+9FFF: lead bytes E4..E9 in UTF-8.
        for (unsigned char c : text)
            if (c >= 0xE4 && c <= 0xE9) return true;
        return false;
    }
    bool isForeign(const std::string& text, int current) const {
        if (text.empty()) return false;
        if (current == 0 && hasCjk(text)) return true;
        for (const std::string& other : foreign_)
            if (text == other || text.rfind(other + " ", 0) == 0 || text == "[" + other + "]") return true;
        return false;
    }
    void walk(cocos2d::CCNode* node, int current, std::vector<std::string>& found) {
        if (!node || dynamic_cast<SelectLanguagePanel*>(node)) return;
        if (auto* label = dynamic_cast<cocos2d::CCLabelProtocol*>(node)) {
            ++checked_;
            const char* text = label->getString();
            if (text && isForeign(text, current)) found.push_back(std::string("label: ") + text);
        }
        if (auto* button = dynamic_cast<PanelButton*>(node)) {
            ++checked_;
            if (isForeign(button->getTipText(), current)) found.push_back("tip: " + button->getTipText());
        }
        for (cocos2d::CCNode* child : node->getChildren()) walk(child, current, found);
    }

    std::vector<std::string> keys_;
    std::vector<std::string> foreign_;
    size_t checked_ = 0;
};
