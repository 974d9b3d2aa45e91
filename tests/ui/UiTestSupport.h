#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "FrameSteps.h"
#include "LanguageTable.h"
#include "TempHome.h"

// Panels animate over tenths of a second: frames of a twentieth.
constexpr float UI_STEP = 0.05f;

inline std::map<std::string, std::unique_ptr<TempHome>>& uiSuiteHomes() {
    static std::map<std::string, std::unique_ptr<TempHome>> homes;
    return homes;
}

// One data folder per test program and suite: the settings store reads its file from there once per
// process, so ZENTO_HOME stays set for the whole run.
inline void setUpUiSuite(const std::string& tag) {
    auto& home = uiSuiteHomes()[tag];
    home = std::make_unique<TempHome>("zento-" + tag, TempHome::Use::FOLDER);
    ::setenv("ZENTO_HOME", home->path().c_str(), 1);
    loadLanguageTable(std::string(ZENTO_RES_DIR) + "/database/language.xc");
}

inline void tearDownUiSuite(const std::string& tag) {
    uiSuiteHomes().erase(tag);
}
