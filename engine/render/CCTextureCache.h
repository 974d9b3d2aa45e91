#pragma once

#include <map>
#include <string>

#include "CCTexture2D.h"

NS_CC_BEGIN

// Textures by resolved file path, loaded once. The cache holds a reference to each. Main thread only.
class CCTextureCache {
public:
    static CCTextureCache* sharedTextureCache();
    static void purgeSharedTextureCache();

    // Resolves path through CCFileUtils; null (logged once per path) when the image cannot be loaded.
    CCTexture2D* addImage(const std::string& path);
    CCTexture2D* textureForKey(const std::string& path) const;
    void removeTexture(CCTexture2D* texture);
    void removeAllTextures();
    size_t count() const { return textures_.size(); }

private:
    CCTextureCache() = default;
    ~CCTextureCache();

    std::map<std::string, CCTexture2D*> textures_;
    std::map<std::string, bool> failed_;
};

NS_CC_END
