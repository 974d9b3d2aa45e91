#pragma once

#include <string>
#include <vector>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "CCRenderer.h"

NS_CC_BEGIN

class CCFontAtlas;
class CCTexture2D;

enum CCTextAlignment { kCCTextAlignmentLeft, kCCTextAlignmentCenter, kCCTextAlignmentRight };
enum CCVerticalTextAlignment {
    kCCVerticalTextAlignmentTop,
    kCCVerticalTextAlignmentCenter,
    kCCVerticalTextAlignmentBottom
};

// A TrueType label. The font is a font file name; names that are not font files, and labels without
// one, fall back to the default font the application sets (CCFontAtlas::setDefaultFont). With a non-zero
// width in dimensions the text wraps at that width (between words, or between any two CJK characters) and is
// aligned inside it; a zero height means "as tall as the text". The glyph layout is rebuilt only when the
// text, font, size, dimensions or alignment change (getRenderCount counts rebuilds); colour, opacity and
// placement never rebuild. Anchored at its centre. Main thread only.
class CCLabelTTF : public CCNode, public CCLabelProtocol {
public:
    CCLabelTTF();
    ~CCLabelTTF() override;

    static CCLabelTTF* create();
    static CCLabelTTF* create(const char* text, const char* fontName, float fontSize);
    static CCLabelTTF* create(const char* text, const char* fontName, float fontSize,
                              const CCSize& dimensions, CCTextAlignment hAlignment);
    static CCLabelTTF* create(const char* text, const char* fontName, float fontSize,
                              const CCSize& dimensions, CCTextAlignment hAlignment,
                              CCVerticalTextAlignment vAlignment);

    bool init() override;
    bool initWithString(const char* text, const char* fontName, float fontSize, const CCSize& dimensions,
                        CCTextAlignment hAlignment, CCVerticalTextAlignment vAlignment);

    void setString(const char* text) override;
    const char* getString() const override { return text_.c_str(); }
    void setFontName(const char* fontName);
    const char* getFontName() const { return fontName_.c_str(); }
    void setFontSize(float size);
    float getFontSize() const { return fontSize_; }
    void setDimensions(const CCSize& dimensions);
    const CCSize& getDimensions() const { return dimensions_; }
    void setHorizontalAlignment(CCTextAlignment alignment);
    CCTextAlignment getHorizontalAlignment() const { return hAlignment_; }
    void setVerticalAlignment(CCVerticalTextAlignment alignment);
    CCVerticalTextAlignment getVerticalAlignment() const { return vAlignment_; }

    unsigned int getRenderCount() const { return renderCount_; }
    size_t getLineCount() const { return lineCount_; }
    // Width of the text before index (in characters) on its line, for cursors.
    float getCaretX(size_t index) const;
    float getLineHeight() const;

    void draw() override;

protected:
    // The text laid out (what is drawn); the text field swaps in its placeholder here.
    virtual const std::string& displayedText() const { return text_; }
    void relayout();
    const CCFontAtlas* atlas() const { return atlas_; }

    std::string text_;
    std::string fontName_;
    float fontSize_ = 12;
    CCSize dimensions_;
    CCTextAlignment hAlignment_ = kCCTextAlignmentLeft;
    CCVerticalTextAlignment vAlignment_ = kCCVerticalTextAlignmentTop;

private:
    void usePages();

    CCFontAtlas* atlas_ = nullptr;
    std::vector<CCGlyphQuad> glyphs_;
    std::vector<CCTexture2D*> pages_;
    std::vector<float> caretX_;  // pen position before each character of the last line's text
    unsigned int renderCount_ = 0;
    size_t lineCount_ = 0;
};

NS_CC_END
