#pragma once

#include <map>
#include <string>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// A small key-value store kept as XML ("UserDefault.xml") in the writable folder.
// Every set rewrites the file atomically. A missing or unreadable file reads as empty.
// Main thread only.
class CCUserDefault {
public:
    static CCUserDefault* sharedUserDefault();
    // Drops the instance so the next call reloads from the (possibly changed) writable folder.
    static void purgeSharedUserDefault();

    bool getBoolForKey(const char* key, bool defaultValue = false) const;
    void setBoolForKey(const char* key, bool value);
    int getIntegerForKey(const char* key, int defaultValue = 0) const;
    void setIntegerForKey(const char* key, int value);
    std::string getStringForKey(const char* key, const std::string& defaultValue = "") const;
    void setStringForKey(const char* key, const std::string& value);

    // Writes the file now; false when it could not be written (the old file is kept).
    bool flush();
    const std::string& getFilePath() const { return path_; }

private:
    CCUserDefault();
    void load();
    const std::string* find(const char* key) const;
    void set(const char* key, std::string value);

    std::string path_;
    std::map<std::string, std::string> values_;
};

NS_CC_END
