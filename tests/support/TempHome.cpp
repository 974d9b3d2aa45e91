#include "TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "CCFileUtils.h"
#include "CCUserDefault.h"

namespace {
void purgeEngineFolders() {
    cocos2d::CCUserDefault::purgeSharedUserDefault();
    cocos2d::CCFileUtils::purgeFileUtils();
}
}  // namespace

TempHome::TempHome(const std::string& prefix, Use use) : isHome_(use == Use::HOME) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
    if (!isHome_) return;
    if (const char* old = std::getenv("ZENTO_HOME")) previousHome_ = old;
    setenv("ZENTO_HOME", folder().c_str(), 1);
    purgeEngineFolders();
}

TempHome::~TempHome() {
    if (isHome_) {
        purgeEngineFolders();
        if (previousHome_) {
            setenv("ZENTO_HOME", previousHome_->c_str(), 1);
        } else {
            unsetenv("ZENTO_HOME");
        }
    }
    std::error_code ignored;
    if (!keep_) std::filesystem::remove_all(path_, ignored);
}
