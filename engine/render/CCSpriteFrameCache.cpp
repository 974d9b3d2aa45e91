#include "CCSpriteFrameCache.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CCTextureCache.h"

NS_CC_BEGIN

namespace {
CCSpriteFrameCache* sharedCache = nullptr;

// The entries of a plist <dict>: each <key> followed by its value element.
std::map<std::string, pugi::xml_node> dictEntries(const pugi::xml_node& dict) {
    std::map<std::string, pugi::xml_node> entries;
    for (pugi::xml_node key = dict.child("key"); key; key = key.next_sibling("key")) {
        pugi::xml_node value = key.next_sibling();
        if (value) entries[key.text().as_string()] = value;
    }
    return entries;
}

// Numbers of a "{{x,y},{w,h}}" or "{x,y}" text, in order.
std::vector<float> numbersIn(const std::string& text) {
    std::vector<float> numbers;
    const char* p = text.c_str();
    while (*p) {
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '+' || *p == '.') {
            char* end = nullptr;
            float value = std::strtof(p, &end);
            if (end == p) {
                ++p;
                continue;
            }
            numbers.push_back(value);
            p = end;
        } else {
            ++p;
        }
    }
    return numbers;
}

std::string valueText(const std::map<std::string, pugi::xml_node>& entries, const char* key) {
    auto found = entries.find(key);
    return found == entries.end() ? std::string() : std::string(found->second.text().as_string());
}

bool valueBool(const std::map<std::string, pugi::xml_node>& entries, const char* key) {
    auto found = entries.find(key);
    return found != entries.end() && std::strcmp(found->second.name(), "true") == 0;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

CCSpriteFrameCache* CCSpriteFrameCache::sharedSpriteFrameCache() {
    if (!sharedCache) sharedCache = new CCSpriteFrameCache();
    return sharedCache;
}

void CCSpriteFrameCache::purgeSharedSpriteFrameCache() {
    delete sharedCache;
    sharedCache = nullptr;
}

CCSpriteFrameCache::~CCSpriteFrameCache() {
    removeSpriteFrames();
}

bool CCSpriteFrameCache::addSpriteFramesWithFile(const std::string& plist) {
    CCFileUtils* files = CCFileUtils::sharedFileUtils();
    std::string full = files->fullPathForFilename(plist);
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_file(full.c_str());
    if (!parsed) {
        CCLog("CCSpriteFrameCache: cannot read %s: %s", plist.c_str(), parsed.description());
        return false;
    }
    pugi::xml_node root = doc.child("plist").child("dict");
    auto top = dictEntries(root);
    auto framesNode = top.find("frames");
    if (!root || framesNode == top.end() || std::strcmp(framesNode->second.name(), "dict") != 0) {
        CCLog("CCSpriteFrameCache: %s has no frames dictionary", plist.c_str());
        return false;
    }
    std::string textureFile;
    int format = 2;
    auto meta = top.find("metadata");
    if (meta != top.end()) {
        auto metaEntries = dictEntries(meta->second);
        textureFile = valueText(metaEntries, "textureFileName");
        if (textureFile.empty()) textureFile = valueText(metaEntries, "realTextureFileName");
        std::string f = valueText(metaEntries, "format");
        if (!f.empty()) format = std::atoi(f.c_str());
    }
    if (textureFile.empty()) {
        textureFile = full;
        size_t dot = textureFile.find_last_of('.');
        if (dot != std::string::npos) textureFile = textureFile.substr(0, dot);
        textureFile += ".png";
    } else if (textureFile[0] != '/') {
        textureFile = folderOf(full) + textureFile;
    }
    CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(textureFile);
    if (!texture) {
        CCLog("CCSpriteFrameCache: texture %s of %s cannot be loaded", textureFile.c_str(), plist.c_str());
        return false;
    }

    auto frames = dictEntries(framesNode->second);
    for (const auto& [name, node] : frames) {
        auto e = dictEntries(node);
        std::vector<float> rect =
            numbersIn(format == 3 ? valueText(e, "textureRect") : valueText(e, "frame"));
        std::vector<float> offset =
            numbersIn(format == 3 ? valueText(e, "spriteOffset") : valueText(e, "offset"));
        std::vector<float> source =
            numbersIn(format == 3 ? valueText(e, "spriteSourceSize") : valueText(e, "sourceSize"));
        bool rotated = format == 3 ? valueBool(e, "textureRotated") : valueBool(e, "rotated");
        if (rect.size() != 4 || rect[2] < 0 || rect[3] < 0) {
            CCLog("CCSpriteFrameCache: frame %s of %s has no valid rectangle; skipped", name.c_str(),
                  plist.c_str());
            continue;
        }
        CCRect r(rect[0], rect[1], rect[2], rect[3]);
        float areaW = rotated ? r.size.height : r.size.width;
        float areaH = rotated ? r.size.width : r.size.height;
        if (r.origin.x < 0 || r.origin.y < 0 || r.origin.x + areaW > texture->getPixelsWide() ||
            r.origin.y + areaH > texture->getPixelsHigh()) {
            CCLog("CCSpriteFrameCache: frame %s of %s lies outside its texture; skipped", name.c_str(),
                  plist.c_str());
            continue;
        }
        CCPoint off = offset.size() == 2 ? CCPoint(offset[0], offset[1]) : CCPointZero;
        CCSize original = source.size() == 2 ? CCSize(source[0], source[1]) : r.size;
        CCSpriteFrame* frame = CCSpriteFrame::createWithTexture(texture, r, rotated, off, original);
        addSpriteFrame(frame, name);
    }
    return true;
}

void CCSpriteFrameCache::addSpriteFrame(CCSpriteFrame* frame, const std::string& name) {
    if (!frame) return;
    frame->retain();
    frame->setName(name);
    auto found = frames_.find(name);
    if (found != frames_.end()) found->second->release();
    frames_[name] = frame;
    reportedMissing_.erase(name);
}

CCSpriteFrame* CCSpriteFrameCache::spriteFrameByName(const std::string& name) {
    auto found = frames_.find(name);
    if (found != frames_.end()) return found->second;
    if (!reportedMissing_[name]) {
        reportedMissing_[name] = true;
        CCLog("CCSpriteFrameCache: frame %s not found", name.c_str());
    }
    return nullptr;
}

std::vector<std::string> CCSpriteFrameCache::getFrameNames() const {
    std::vector<std::string> names;
    for (const auto& entry : frames_) names.push_back(entry.first);
    return names;
}

void CCSpriteFrameCache::removeSpriteFrameByName(const std::string& name) {
    auto found = frames_.find(name);
    if (found == frames_.end()) return;
    found->second->release();
    frames_.erase(found);
}

void CCSpriteFrameCache::removeSpriteFrames() {
    for (auto& entry : frames_) entry.second->release();
    frames_.clear();
}

NS_CC_END
