#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "CCFileUtils.h"
#include "CCUserDefault.h"

// A fresh writable folder for one test; removed again at the end.
class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zento-test-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        path_ = made ? std::string(made) : pattern;
        setenv("ZENTO_HOME", path_.c_str(), 1);
        cocos2d::CCFileUtils::purgeFileUtils();
        cocos2d::CCUserDefault::purgeSharedUserDefault();
    }
    ~TempHome() {
        cocos2d::CCUserDefault::purgeSharedUserDefault();
        cocos2d::CCFileUtils::purgeFileUtils();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        unsetenv("ZENTO_HOME");
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
