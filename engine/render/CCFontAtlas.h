#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CCGeometry.h"

typedef struct _TTF_Font TTF_Font;

NS_CC_BEGIN

class CCTexture2D;

// The glyphs of one font file at one pixel size, rendered once (SDL2_ttf, anti-aliased, white)
// into shared RGBA pages. Labels draw their text as quads cut from the pages, so all labels of a
// font and size share one texture and batch into few draw calls. Main thread only.
class CCFontAtlas {
public:
    struct Glyph {
        CCTexture2D* page = nullptr;  // null for glyphs with no pixels (blanks)
        CCRect source;                // texels of the page, origin top left
        float offsetX = 0;            // left edge of the bitmap relative to the pen
        float advance = 0;
    };

    // The atlas of a font file (an absolute path) at a pixel size; null, logged once, when the font
    // cannot be opened.
    static CCFontAtlas* get(const std::string& fontPath, int pixelSize);
    // Frees every atlas (their pages stay alive while labels still use them).
    static void purgeAll();

    // The font the application gives labels without a font of their own (a name CCFileUtils resolves);
    // empty until set.
    static void setDefaultFont(const std::string& fontName);
    static const std::string& getDefaultFont();
    // The font file labels use for a name: the name itself when it resolves to a font file, else the
    // default font, else the system's WenQuanYi Micro Hei. Empty when none exists.
    static std::string resolveFontPath(const std::string& fontName);

    const Glyph& glyph(uint32_t codepoint);
    float kerning(uint32_t previous, uint32_t codepoint);
    float lineHeight() const { return lineHeight_; }
    int pixelSize() const { return pixelSize_; }
    size_t pageCount() const { return pages_.size(); }

    // UTF-8 helpers: invalid bytes decode as U+FFFD one byte at a time, never past the end.
    static std::vector<uint32_t> decodeUTF8(const std::string& text);
    static std::string encodeUTF8(const std::vector<uint32_t>& codepoints);

    ~CCFontAtlas();
    CCFontAtlas(const CCFontAtlas&) = delete;
    CCFontAtlas& operator=(const CCFontAtlas&) = delete;

private:
    CCFontAtlas() = default;
    bool place(int width, int height, int* x, int* y);

    static constexpr int PAGE_SIZE = 1024;
    TTF_Font* font_ = nullptr;
    int pixelSize_ = 0;
    float lineHeight_ = 0;
    std::vector<CCTexture2D*> pages_;
    int penX_ = 0, penY_ = 0, rowHeight_ = 0;
    std::map<uint32_t, Glyph> glyphs_;
};

NS_CC_END
