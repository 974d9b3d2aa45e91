#include "CCTextureCache.h"

#include "CCCommon.h"
#include "CCFileUtils.h"

NS_CC_BEGIN

namespace {
CCTextureCache* sharedCache = nullptr;
}

CCTextureCache* CCTextureCache::sharedTextureCache() {
    if (!sharedCache) sharedCache = new CCTextureCache();
    return sharedCache;
}

void CCTextureCache::purgeSharedTextureCache() {
    delete sharedCache;
    sharedCache = nullptr;
}

CCTextureCache::~CCTextureCache() {
    removeAllTextures();
}

CCTexture2D* CCTextureCache::addImage(const std::string& path) {
    std::string full = CCFileUtils::sharedFileUtils()->fullPathForFilename(path);
    auto found = textures_.find(full);
    if (found != textures_.end()) return found->second;
    if (failed_.count(full)) return nullptr;
    auto* texture = new CCTexture2D();
    if (!texture->initWithImageFile(full)) {
        texture->release();
        failed_[full] = true;
        return nullptr;
    }
    textures_[full] = texture;
    return texture;
}

CCTexture2D* CCTextureCache::textureForKey(const std::string& path) const {
    auto found = textures_.find(CCFileUtils::sharedFileUtils()->fullPathForFilename(path));
    return found == textures_.end() ? nullptr : found->second;
}

void CCTextureCache::removeTexture(CCTexture2D* texture) {
    for (auto it = textures_.begin(); it != textures_.end(); ++it) {
        if (it->second == texture) {
            texture->release();
            textures_.erase(it);
            return;
        }
    }
}

void CCTextureCache::removeAllTextures() {
    for (auto& entry : textures_) entry.second->release();
    textures_.clear();
    failed_.clear();
}

NS_CC_END
