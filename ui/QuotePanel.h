#pragma once

#include <cmath>
#include <string>

#include "CCNode.h"

namespace cocos2d {
class CCLabelTTF;
class CCScale9Sprite;
class CCSprite;
}  // namespace cocos2d
class NumberAtlasLabel;

// The chart window's right panel: a strip at the window's right edge with the quote frame (display
// name and symbol, the last price and the change %, red or green by the colour convention) and four
// value rows (high, open, low, close). Quotes glide to their new numbers; the last price follows the
// newest bar. The window owns it as a child node. Main thread only.
class QuotePanel : public cocos2d::CCNode {
public:
    static constexpr float WIDTH = 120.0f;
    static constexpr float GLIDE_SECONDS = 0.2f;
    static constexpr int ROW_COUNT = 4;
    // Language keys of the row captions, which the window's hover read-out shares.
    static constexpr const char* ROW_KEYS[ROW_COUNT] = {"hight", "open", "low", "close"};

    // Null when an image of the frames is missing. The background is the window's colour.
    static QuotePanel* create(const cocos2d::ccColor3B& background);

    // Full height at the right edge of a window of this size; the quote frame stands 75 below its top.
    void placeInWindow(float windowWidth, float windowHeight);
    // change % = (last - reference) / reference x 100; with no reference the move itself x 100 is
    // the divisor, and with no move either the change is 0.
    static float changePercent(float reference, float last);
    // The rows glide to high, reference, low and last, the change label to the change %; the green
    // frame shows instead of the red one when the convention says so.
    void showQuote(float reference, float high, float low, float last, bool riseGreen);
    // Colours the frame for the last quote's direction under the given convention.
    void setRiseGreen(bool riseGreen);
    // The newest bar's close, as "%g".
    void showLastPrice(float close);
    // "--/--" until the next bar.
    void clearLastPrice();
    // "display name" over "symbol".
    void setTitle(const std::string& displayName, const std::string& symbol);

    cocos2d::CCScale9Sprite* getRedFrame() const { return redFrame_; }
    cocos2d::CCScale9Sprite* getGreenFrame() const { return greenFrame_; }
    cocos2d::CCLabelTTF* getTitleLabel() const { return title_; }
    NumberAtlasLabel* getLastPriceLabel() const { return lastPriceLabel_; }
    NumberAtlasLabel* getChangeLabel() const { return changeLabel_; }
    // Rows 0-3: high, open (the reference), low, close (the last price); null for others.
    NumberAtlasLabel* getValueLabel(int row) const;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    QuotePanel() = default;
    bool initPanel(const cocos2d::ccColor3B& background);
    bool buildRows();
    // Starts a glide to `to` unless the label already shows or glides to it: a quote repeated every
    // frame would otherwise restart the glide each time and the number would never arrive.
    void glideNumber(int slot, NumberAtlasLabel* label, float to, const char* format);

    cocos2d::CCSprite* background_ = nullptr;
    cocos2d::CCScale9Sprite* redFrame_ = nullptr;
    cocos2d::CCScale9Sprite* greenFrame_ = nullptr;
    bool rising_ = true;
    cocos2d::CCLabelTTF* title_ = nullptr;
    NumberAtlasLabel* lastPriceLabel_ = nullptr;
    NumberAtlasLabel* changeLabel_ = nullptr;
    cocos2d::CCNode* rows_[ROW_COUNT] = {};
    NumberAtlasLabel* valueLabels_[ROW_COUNT] = {};
    // Where each row's label and (last slot) the change label are gliding to; NaN before the first.
    float glideTargets_[ROW_COUNT + 1] = {NAN, NAN, NAN, NAN, NAN};
};
