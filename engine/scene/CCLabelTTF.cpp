#include "CCLabelTTF.h"

#include <algorithm>
#include <cmath>

#include "CCFontAtlas.h"
#include "CCTexture2D.h"

NS_CC_BEGIN

namespace {
bool isWide(uint32_t cp) {
    return (cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
           (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFF00 && cp <= 0xFFEF) ||
           (cp >= 0x20000 && cp <= 0x2FFFF);
}
}  // namespace

CCLabelTTF::CCLabelTTF() : fontName_(CCFontAtlas::getDefaultFont()) {
    setAnchorPoint(CCPoint(0.5f, 0.5f));
}

CCLabelTTF::~CCLabelTTF() {
    for (CCTexture2D* page : pages_) page->release();
}

CCLabelTTF* CCLabelTTF::create() {
    auto* label = new CCLabelTTF();
    label->init();
    label->autorelease();
    return label;
}

CCLabelTTF* CCLabelTTF::create(const char* text, const char* fontName, float fontSize) {
    return create(text, fontName, fontSize, CCSizeZero, kCCTextAlignmentCenter, kCCVerticalTextAlignmentTop);
}

CCLabelTTF* CCLabelTTF::create(const char* text, const char* fontName, float fontSize,
                               const CCSize& dimensions, CCTextAlignment hAlignment) {
    return create(text, fontName, fontSize, dimensions, hAlignment, kCCVerticalTextAlignmentTop);
}

CCLabelTTF* CCLabelTTF::create(const char* text, const char* fontName, float fontSize,
                               const CCSize& dimensions, CCTextAlignment hAlignment,
                               CCVerticalTextAlignment vAlignment) {
    auto* label = new CCLabelTTF();
    label->initWithString(text, fontName, fontSize, dimensions, hAlignment, vAlignment);
    label->autorelease();
    return label;
}

bool CCLabelTTF::init() {
    return initWithString("", CCFontAtlas::getDefaultFont().c_str(), 12, CCSizeZero, kCCTextAlignmentLeft,
                          kCCVerticalTextAlignmentTop);
}

bool CCLabelTTF::initWithString(const char* text, const char* fontName, float fontSize,
                                const CCSize& dimensions, CCTextAlignment hAlignment,
                                CCVerticalTextAlignment vAlignment) {
    text_ = text ? text : "";
    fontName_ = fontName && *fontName ? fontName : CCFontAtlas::getDefaultFont();
    fontSize_ = fontSize > 0 && std::isfinite(fontSize) ? fontSize : 12;
    dimensions_ = dimensions;
    hAlignment_ = hAlignment;
    vAlignment_ = vAlignment;
    atlas_ =
        CCFontAtlas::get(CCFontAtlas::resolveFontPath(fontName_), static_cast<int>(std::lround(fontSize_)));
    relayout();
    return true;
}

void CCLabelTTF::setString(const char* text) {
    std::string next = text ? text : "";
    if (next == text_) return;
    text_ = std::move(next);
    relayout();
}

void CCLabelTTF::setFontName(const char* fontName) {
    std::string next = fontName && *fontName ? fontName : CCFontAtlas::getDefaultFont();
    if (next == fontName_) return;
    fontName_ = next;
    atlas_ =
        CCFontAtlas::get(CCFontAtlas::resolveFontPath(fontName_), static_cast<int>(std::lround(fontSize_)));
    relayout();
}

void CCLabelTTF::setFontSize(float size) {
    if (!(size > 0) || !std::isfinite(size) || size == fontSize_) return;
    fontSize_ = size;
    atlas_ =
        CCFontAtlas::get(CCFontAtlas::resolveFontPath(fontName_), static_cast<int>(std::lround(fontSize_)));
    relayout();
}

void CCLabelTTF::setDimensions(const CCSize& dimensions) {
    if (dimensions == dimensions_) return;
    dimensions_ = dimensions;
    relayout();
}

void CCLabelTTF::setHorizontalAlignment(CCTextAlignment alignment) {
    if (alignment == hAlignment_) return;
    hAlignment_ = alignment;
    relayout();
}

void CCLabelTTF::setVerticalAlignment(CCVerticalTextAlignment alignment) {
    if (alignment == vAlignment_) return;
    vAlignment_ = alignment;
    relayout();
}

float CCLabelTTF::getLineHeight() const {
    return atlas_ ? atlas_->lineHeight() : fontSize_;
}

float CCLabelTTF::getCaretX(size_t index) const {
    if (caretX_.empty()) return 0;
    return caretX_[std::min(index, caretX_.size() - 1)];
}

void CCLabelTTF::relayout() {
    ++renderCount_;
    glyphs_.clear();
    caretX_.assign(1, 0.0f);
    lineCount_ = 0;
    if (!atlas_) {
        setContentSize(CCSize(dimensions_.width, dimensions_.height));
        return;
    }
    const std::string& shown = displayedText();
    std::vector<uint32_t> chars = CCFontAtlas::decodeUTF8(shown);
    float maxWidth = dimensions_.width > 0 ? dimensions_.width : 0;

    struct Line {
        std::vector<uint32_t> chars;
        float width = 0;
    };
    std::vector<Line> lines;
    auto measure = [this](const std::vector<uint32_t>& line) {
        float w = 0;
        uint32_t prev = 0;
        for (uint32_t c : line) {
            w += atlas_->kerning(prev, c) + atlas_->glyph(c).advance;
            prev = c;
        }
        return w;
    };
    Line line;
    size_t lastBreak = 0;  // characters of the line that may stay when it wraps (0: none)
    uint32_t prev = 0;
    for (uint32_t c : chars) {
        if (c == '\n') {
            lines.push_back(std::move(line));
            line = Line();
            lastBreak = 0;
            prev = 0;
            continue;
        }
        if (c == '\r') continue;
        float advance = atlas_->kerning(prev, c) + atlas_->glyph(c).advance;
        if (maxWidth > 0 && !line.chars.empty() && line.width + advance > maxWidth) {
            if (c == ' ') {
                lines.push_back(std::move(line));
                line = Line();
                lastBreak = 0;
                prev = 0;
                continue;
            }
            Line next;
            if (lastBreak > 0 && lastBreak < line.chars.size() && !isWide(c)) {
                next.chars.assign(line.chars.begin() + static_cast<long>(lastBreak), line.chars.end());
                line.chars.resize(lastBreak);
            }
            while (!line.chars.empty() && line.chars.back() == ' ') line.chars.pop_back();
            line.width = measure(line.chars);
            lines.push_back(std::move(line));
            line = std::move(next);
            line.width = measure(line.chars);
            lastBreak = 0;
            prev = line.chars.empty() ? 0 : line.chars.back();
            advance = atlas_->kerning(prev, c) + atlas_->glyph(c).advance;
        }
        line.chars.push_back(c);
        line.width += advance;
        if (c == ' ' || isWide(c)) lastBreak = line.chars.size();
        prev = c;
    }
    lines.push_back(std::move(line));

    float lineHeight = atlas_->lineHeight();
    float textWidth = 0;
    for (const Line& l : lines) textWidth = std::max(textWidth, l.width);
    float textHeight = lineHeight * static_cast<float>(lines.size());
    float boxWidth = maxWidth > 0 ? maxWidth : std::ceil(textWidth);
    float boxHeight = dimensions_.height > 0 ? dimensions_.height : textHeight;
    if (shown.empty() && dimensions_.height <= 0) boxHeight = lineHeight;
    float top = boxHeight;
    if (vAlignment_ == kCCVerticalTextAlignmentCenter) top = (boxHeight + textHeight) * 0.5f;
    if (vAlignment_ == kCCVerticalTextAlignmentBottom) top = textHeight;

    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        float x = 0;
        if (hAlignment_ == kCCTextAlignmentCenter) x = std::floor((boxWidth - l.width) * 0.5f);
        if (hAlignment_ == kCCTextAlignmentRight) x = boxWidth - l.width;
        float lineTop = top - lineHeight * static_cast<float>(i);
        bool last = i + 1 == lines.size();
        if (last) caretX_.assign(1, x);
        uint32_t p = 0;
        for (uint32_t c : l.chars) {
            x += atlas_->kerning(p, c);
            const CCFontAtlas::Glyph& g = atlas_->glyph(c);
            if (g.page) {
                CCGlyphQuad q;
                q.texture = g.page;
                q.source = g.source;
                q.destination = CCRect(x + g.offsetX, lineTop - g.source.size.height, g.source.size.width,
                                       g.source.size.height);
                glyphs_.push_back(q);
            }
            x += g.advance;
            if (last) caretX_.push_back(x);
            p = c;
        }
    }
    lineCount_ = lines.size();
    usePages();
    setContentSize(CCSize(boxWidth, boxHeight));
}

void CCLabelTTF::usePages() {
    for (const CCGlyphQuad& q : glyphs_) {
        if (std::find(pages_.begin(), pages_.end(), q.texture) != pages_.end()) continue;
        q.texture->retain();
        pages_.push_back(q.texture);
    }
}

void CCLabelTTF::draw() {
    CCRenderer* r = CCRenderer::current();
    const std::string& shown = displayedText();
    if (!r || shown.empty()) return;
    ccColor4B color{displayedColor_.r, displayedColor_.g, displayedColor_.b, displayedOpacity_};
    r->drawText(shown, anchorPointInPoints_, fontSize_, color, glyphs_);
}

NS_CC_END
