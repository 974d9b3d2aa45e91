#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Finds resources and the writable folder. Main thread for the search paths; the read and write
// helpers themselves touch no shared state and may be called from workers.
//
// Resources are looked up in the search paths; by default the program folder (the folder of
// /proc/self/exe) and then the install prefix's share folder, so "res/plist/image.plist" resolves
// beside the executable. The writable folder is $ZENTO_HOME when set, else $XDG_DATA_HOME/zento/,
// else ~/.local/share/zento/; it always ends in "/" and is created on first use.
class CCFileUtils {
public:
    static CCFileUtils* sharedFileUtils();
    // Forgets cached folders so that a changed environment (tests setting ZENTO_HOME) takes effect.
    static void purgeFileUtils();

    std::string getWritablePath();
    // Overrides the writable folder (a "/" is appended when missing).
    void setWritablePath(const std::string& path);
    const std::string& getProgramPath() const { return programPath_; }

    // An absolute name is returned as is; otherwise the first search path holding the file wins;
    // when none does, the name comes back unchanged.
    std::string fullPathForFilename(const std::string& filename) const;
    void addSearchPath(const std::string& path);
    void setSearchPaths(const std::vector<std::string>& paths);
    const std::vector<std::string>& getSearchPaths() const { return searchPaths_; }

    bool isFileExist(const std::string& path) const;
    bool isAbsolutePath(const std::string& path) const { return !path.empty() && path[0] == '/'; }

    // Whole-file read of a resolved name; none when it cannot be opened or read.
    std::optional<std::vector<unsigned char>> getFileBytes(const std::string& filename) const;
    // The cocos form: a new[] buffer the caller delete[]s, or null; size receives the byte count.
    unsigned char* getFileData(const char* filename, const char* mode, unsigned long* size) const;
    std::string getStringFromFile(const std::string& filename) const;

    // Writes the bytes to a temporary file in the same folder, checks every write and the close,
    // then renames it over path: readers see the old file or the new one, never half of it.
    // A replaced file keeps its permission bits (a new one gets 0644); through a symbolic link the
    // link's target is replaced and the link stays. Does not create folders. False on any failure
    // (the old file is kept).
    static bool writeFileAtomically(const std::string& path, const void* data, size_t size);
    // Creates every missing folder of an absolute or relative folder path. False on failure.
    static bool createDirectories(const std::string& folder);

private:
    CCFileUtils();

    std::string programPath_;
    std::string writablePath_;
    std::vector<std::string> searchPaths_;
};

NS_CC_END
