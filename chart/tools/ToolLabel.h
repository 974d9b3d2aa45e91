#pragma once

#include <string>

#include "CCGeometry.h"

namespace cocos2d {
class CCLabelTTF;
class CCScale9Sprite;
}  // namespace cocos2d

// A text a drawing tool shows, optionally on a "frame_black_sel.png" frame that is PADDING px wider
// and taller than the text. The label is laid out again only when its text changes; placing and
// drawing cost no layout. The engine nodes are retained here and never added to the scene: draw()
// visits them under the current transform (the text later, while texts are deferred). Not copyable.
// Main thread only.
class ToolLabel {
public:
    static constexpr float FONT_SIZE = 16.0f;
    static constexpr float PADDING = 10.0f;
    static constexpr const char* FRAME = "frame_black_sel.png";

    explicit ToolLabel(bool framed, float fontSize = FONT_SIZE);
    ~ToolLabel();
    ToolLabel(const ToolLabel&) = delete;
    ToolLabel& operator=(const ToolLabel&) = delete;

    // False (and no layout) when the text is the one shown.
    bool setText(const std::string& text);
    const std::string& getText() const { return text_; }
    // Puts the anchor point (0..1 of the framed size) of the label, or of its frame, at position.
    void place(const cocos2d::CCPoint& position, const cocos2d::CCPoint& anchor);
    // Size with the frame, when framed.
    cocos2d::CCSize getSize() const;
    void setFrameOpacity(unsigned char opacity);
    // The frame now; the text now, or with every deferred text (see deferTexts).
    void draw() const;

    // While on, texts wait for drawDeferredTexts, under the transform they are drawn with then: a
    // chart draws all its tools' texts in one batch after their shapes and frames.
    static void deferTexts(bool defer);
    static void drawDeferredTexts();

    cocos2d::CCLabelTTF* getLabel() const { return label_; }
    cocos2d::CCScale9Sprite* getFrame() const { return frame_; }

private:
    cocos2d::CCLabelTTF* label_ = nullptr;
    cocos2d::CCScale9Sprite* frame_ = nullptr;
    std::string text_;
};
