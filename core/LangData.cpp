#include "LangData.h"

#include "LanguageTable.h"

std::string LangData::getText(int language) const {
    if (language < 0 || static_cast<size_t>(language) >= texts_.size()) return MISSING_LANG_TEXT;
    return texts_[static_cast<size_t>(language)];
}
