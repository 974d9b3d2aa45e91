#pragma once

#include <map>
#include <string>
#include <vector>

#include "CCSpriteFrame.h"

NS_CC_BEGIN

// Sprite frames by name, read from sprite-sheet property lists ("res/plist/image.plist"): an XML
// plist whose root dictionary holds "frames" (name -> "frame" "{{x,y},{w,h}}", "offset", "rotated",
// "sourceColorRect", "sourceSize") and "metadata" ("format", "textureFileName", "size"). The
// texture file is looked up beside the plist. Holds a reference to each frame. Main thread only.
class CCSpriteFrameCache {
public:
    static CCSpriteFrameCache* sharedSpriteFrameCache();
    static void purgeSharedSpriteFrameCache();

    // False, with a log line, when the plist or its texture cannot be read; a malformed frame entry
    // is skipped with a log line, the others are kept.
    bool addSpriteFramesWithFile(const std::string& plist);
    void addSpriteFrame(CCSpriteFrame* frame, const std::string& name);
    // Null when missing (logged once per name).
    CCSpriteFrame* spriteFrameByName(const std::string& name);
    bool hasSpriteFrame(const std::string& name) const { return frames_.count(name) != 0; }
    std::vector<std::string> getFrameNames() const;
    void removeSpriteFrameByName(const std::string& name);
    void removeSpriteFrames();

private:
    CCSpriteFrameCache() = default;
    ~CCSpriteFrameCache();

    std::map<std::string, CCSpriteFrame*> frames_;
    std::map<std::string, bool> reportedMissing_;
};

NS_CC_END
