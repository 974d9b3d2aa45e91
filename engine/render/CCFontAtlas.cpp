#include "CCFontAtlas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CCTexture2D.h"

NS_CC_BEGIN

namespace {
constexpr const char* SYSTEM_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr int MIN_PIXEL_SIZE = 1;
constexpr int MAX_PIXEL_SIZE = 512;
constexpr int PADDING = 1;

std::string& defaultFont() {
    static std::string name;
    return name;
}

std::map<std::pair<std::string, int>, std::unique_ptr<CCFontAtlas>>& atlases() {
    static std::map<std::pair<std::string, int>, std::unique_ptr<CCFontAtlas>> map;
    return map;
}

std::set<std::string>& reported() {
    static std::set<std::string> names;
    return names;
}

void reportOnce(const std::string& key, const std::string& line) {
    if (reported().insert(key).second) CCLog("%s", line.c_str());
}

bool endsWithFontExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".ttf" || ext == ".ttc" || ext == ".otf";
}
}  // namespace

std::string CCFontAtlas::resolveFontPath(const std::string& fontName) {
    CCFileUtils* files = CCFileUtils::sharedFileUtils();
    if (endsWithFontExtension(fontName)) {
        std::string full = files->fullPathForFilename(fontName);
        if (files->isFileExist(full)) return full;
    }
    const std::string& preferred = defaultFont();
    if (!preferred.empty()) {
        std::string fallback = files->fullPathForFilename(preferred);
        if (files->isFileExist(fallback)) {
            if (!fontName.empty() && fontName != preferred)
                reportOnce("font:" + fontName,
                           "CCLabelTTF: font " + fontName + " not found, using " + preferred);
            return fallback;
        }
    }
    if (files->isFileExist(SYSTEM_FONT)) {
        reportOnce("font-system", "CCLabelTTF: " + (preferred.empty() ? fontName : preferred) +
                                      " not found, using " + SYSTEM_FONT);
        return SYSTEM_FONT;
    }
    reportOnce("font-none", "CCLabelTTF: no font file found; labels stay empty");
    return {};
}

void CCFontAtlas::setDefaultFont(const std::string& fontName) {
    defaultFont() = fontName;
}

const std::string& CCFontAtlas::getDefaultFont() {
    return defaultFont();
}

CCFontAtlas* CCFontAtlas::get(const std::string& fontPath, int pixelSize) {
    pixelSize = std::clamp(pixelSize, MIN_PIXEL_SIZE, MAX_PIXEL_SIZE);
    auto key = std::make_pair(fontPath, pixelSize);
    auto found = atlases().find(key);
    if (found != atlases().end()) return found->second.get();
    if (fontPath.empty()) return nullptr;
    if (!TTF_WasInit() && TTF_Init() != 0) {
        reportOnce("ttf-init", std::string("CCFontAtlas: cannot start SDL_ttf: ") + TTF_GetError());
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), pixelSize);
    if (!font) {
        reportOnce("open:" + fontPath, "CCFontAtlas: cannot open font " + fontPath + ": " + TTF_GetError());
        return nullptr;
    }
    std::unique_ptr<CCFontAtlas> atlas(new CCFontAtlas());
    atlas->font_ = font;
    atlas->pixelSize_ = pixelSize;
    atlas->lineHeight_ = static_cast<float>(TTF_FontHeight(font));
    CCFontAtlas* raw = atlas.get();
    atlases()[key] = std::move(atlas);
    return raw;
}

void CCFontAtlas::purgeAll() {
    atlases().clear();
}

CCFontAtlas::~CCFontAtlas() {
    for (CCTexture2D* page : pages_) page->release();
    if (font_ && TTF_WasInit()) TTF_CloseFont(font_);
}

bool CCFontAtlas::place(int width, int height, int* x, int* y) {
    if (width + PADDING > PAGE_SIZE || height + PADDING > PAGE_SIZE) return false;
    if (pages_.empty() || penX_ + width + PADDING > PAGE_SIZE) {
        penX_ = 0;
        penY_ += rowHeight_;
        rowHeight_ = 0;
    }
    if (pages_.empty() || penY_ + height + PADDING > PAGE_SIZE) {
        auto* page = new CCTexture2D();
        page->initWithRGBA(nullptr, PAGE_SIZE, PAGE_SIZE);
        pages_.push_back(page);
        penX_ = penY_ = rowHeight_ = 0;
    }
    *x = penX_;
    *y = penY_;
    penX_ += width + PADDING;
    rowHeight_ = std::max(rowHeight_, height + PADDING);
    return true;
}

const CCFontAtlas::Glyph& CCFontAtlas::glyph(uint32_t codepoint) {
    auto found = glyphs_.find(codepoint);
    if (found != glyphs_.end()) return found->second;
    Glyph g;
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    if (TTF_GlyphMetrics32(font_, codepoint, &minX, &maxX, &minY, &maxY, &advance) == 0)
        g.advance = static_cast<float>(advance);
    bool blank = codepoint == ' ' || codepoint == '\t' || codepoint == 0x3000 || maxX <= minX;
    if (!blank) {
        SDL_Surface* rendered = TTF_RenderGlyph32_Blended(font_, codepoint, SDL_Color{255, 255, 255, 255});
        SDL_Surface* rgba =
            rendered ? SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ABGR8888, 0) : nullptr;
        if (rendered) SDL_FreeSurface(rendered);
        int x = 0, y = 0;
        if (rgba && rgba->w > 0 && rgba->h > 0 && place(rgba->w, rgba->h, &x, &y)) {
            std::vector<uint8_t> pixels(static_cast<size_t>(rgba->w) * rgba->h * 4);
            SDL_LockSurface(rgba);
            for (int row = 0; row < rgba->h; ++row)
                std::memcpy(
                    &pixels[static_cast<size_t>(row) * rgba->w * 4],
                    static_cast<const uint8_t*>(rgba->pixels) + static_cast<size_t>(row) * rgba->pitch,
                    static_cast<size_t>(rgba->w) * 4);
            SDL_UnlockSurface(rgba);
            pages_.back()->updateRegion(x, y, rgba->w, rgba->h, pixels.data());
            g.page = pages_.back();
            g.source = CCRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(rgba->w),
                              static_cast<float>(rgba->h));
            // A glyph reaching left of the pen is rendered shifted right by that much.
            g.offsetX = static_cast<float>(std::min(minX, 0));
        }
        if (rgba) SDL_FreeSurface(rgba);
    }
    return glyphs_.emplace(codepoint, g).first->second;
}

float CCFontAtlas::kerning(uint32_t previous, uint32_t codepoint) {
    if (!previous) return 0;
    return static_cast<float>(TTF_GetFontKerningSizeGlyphs32(font_, previous, codepoint));
}

std::vector<uint32_t> CCFontAtlas::decodeUTF8(const std::string& text) {
    std::vector<uint32_t> out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size(), i = 0;
    while (i < n) {
        unsigned char c = s[i];
        int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + static_cast<size_t>(length) > n) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        uint32_t cp = length == 1 ? c : length == 2 ? (c & 0x1Fu) : length == 3 ? (c & 0x0Fu) : (c & 0x07u);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            if ((s[i + static_cast<size_t>(k)] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (s[i + static_cast<size_t>(k)] & 0x3Fu);
        }
        if (!valid) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(length);
    }
    return out;
}

std::string CCFontAtlas::encodeUTF8(const std::vector<uint32_t>& codepoints) {
    std::string out;
    for (uint32_t cp : codepoints) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

NS_CC_END
