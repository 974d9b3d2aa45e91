#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "LanguageTable.h"

// One data folder per test program and suite: the settings store reads its file from there once per
// process, so it stays set for the whole run.
inline std::string uiSuiteHome(const std::string& tag) {
    return (std::filesystem::temp_directory_path() / ("zento-" + tag + "-" + std::to_string(::getpid()))).string();
}

inline void setUpUiSuite(const std::string& tag) {
    const std::string home = uiSuiteHome(tag);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    ::setenv("ZENTO_HOME", home.c_str(), 1);
    loadLanguageTable(std::string(ZENTO_RES_DIR) + "/database/language.xc");
}

inline void tearDownUiSuite(const std::string& tag) {
    std::error_code ignored;
    std::filesystem::remove_all(uiSuiteHome(tag), ignored);
}
