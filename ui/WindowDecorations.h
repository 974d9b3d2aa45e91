#pragma once

namespace cocos2d {
class CCNode;
class CCSprite;
}  // namespace cocos2d

// What a chart window draws around its chart: the world map behind it, the dark edge shades over it
// and the market-closed background over everything. The sprites are children of the window, which
// owns them; this keeps plain pointers and scales them to the window's size. The window adds each
// part at its place in its own build, so that the draw order stays its z orders and the order of
// arrival. Main thread only.
class WindowDecorations {
public:
    static constexpr int Z_SHADES = 90;
    static constexpr int Z_CLOSED_BACKGROUND = 300;

    // The world map is optional: without its image the window has none.
    void addWorldMap(cocos2d::CCNode* window);
    // False when a shade image is missing.
    bool addShades(cocos2d::CCNode* window);
    // Optional, and hidden until asked for.
    void addClosedBackground(cocos2d::CCNode* window);
    void layout(float width, float height);
    void setWorldMapVisible(bool visible);
    cocos2d::CCSprite* worldMap() const { return worldMap_; }

private:
    cocos2d::CCSprite* worldMap_ = nullptr;
    cocos2d::CCSprite* topShade_ = nullptr;
    cocos2d::CCSprite* leftShade_ = nullptr;
    cocos2d::CCSprite* rightShade_ = nullptr;
    cocos2d::CCSprite* closedBackground_ = nullptr;
};
