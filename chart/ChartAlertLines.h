#pragma once

#include <functional>
#include <vector>

#include "CCNode.h"
#include "ccTypes.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d

// The price alerts of one chart's instrument, over the chart: per level a dashed line across the view
// (one colour while armed, another once fired) and at its left end a tag with a bell, the price and a
// close box. A press on a line or its tag drags it to a new price, a click on the close box removes
// it, and while placing the next press anywhere sets a new level. The chart hands its presses here
// first and draws the lines; what the user did goes to the callbacks, and the owner of the alert list
// answers with new levels. The node lies over the chart at its origin, in the same coordinates.
// Main thread only.
class ChartAlertLines : public cocos2d::CCNode {
public:
    struct Level {
        int id = 0;
        double price = 0;
        bool fired = false;
        bool operator==(const Level&) const = default;
    };
    struct Callbacks {
        std::function<void(double price)> placed;
        std::function<void(int id, double price)> moved;
        std::function<void(int id)> removed;
    };
    // The chart's projection: the height of a price and the price at a height.
    using YOfPrice = std::function<float(double)>;
    using PriceAtY = std::function<double(float)>;

    // Texts and icons of armed and fired alerts, here and in the alert list.
    static constexpr cocos2d::ccColor3B ARMED_TEXT{90, 178, 250};
    static constexpr cocos2d::ccColor3B FIRED_TEXT{153, 115, 191};
    static constexpr float TAG_HEIGHT = 16;
    static constexpr float TAG_X = 4;
    // How far from a line a press still takes it.
    static constexpr float GRAB_DISTANCE = 4;

    static ChartAlertLines* create(YOfPrice yOfPrice, PriceAtY priceAtY);

    void setCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }
    // Levels being dragged keep the dragged price until the press ends.
    void setLevels(std::vector<Level> levels);
    const std::vector<Level>& getLevels() const { return levels_; }

    // Placing: the next press on the chart sets a level there (and ends placing).
    void setPlacing(bool placing);
    bool isPlacing() const { return placing_; }
    // The pointer over the chart while placing: a faint line shows where the level would go.
    void hoverAt(float y, bool inside);

    // A press at point (chart coordinates): true when it is ours (placing, a line, a tag).
    bool touchBegan(const cocos2d::CCPoint& point);
    void touchMoved(const cocos2d::CCPoint& point);
    void touchEnded(const cocos2d::CCPoint& point);
    void touchCancelled();
    bool isDragging() const { return dragId_ != 0; }

    // A price as the chart's scale resolves it: rounded to the decimals one pixel of the view
    // distinguishes (at most 6).
    double roundedPriceAt(float y) const;
    // The close box of a level's tag, in chart coordinates (empty when the tag is not shown).
    cocos2d::CCRect closeBoxOf(int id) const;

    // Lines in the view of this size (from the chart's draw).
    void drawLines(const cocos2d::CCSize& size) const;
    // The tags follow the lines (from the chart's visit, before children draw).
    void layoutTags(float height);

private:
    struct Tag {
        cocos2d::CCNode* node = nullptr;
        cocos2d::CCSprite* background = nullptr;
        cocos2d::CCSprite* bell = nullptr;
        cocos2d::CCLabelTTF* price = nullptr;
        cocos2d::CCSprite* close = nullptr;
        double shownPrice = -1;
        bool shownFired = false;
    };
    ChartAlertLines() = default;
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    bool initLines(YOfPrice yOfPrice, PriceAtY priceAtY);

    // The level as drawn: a dragged one at the dragged price, armed.
    Level shown(const Level& level) const;
    // Tags follow the shown level.
    void showTag(Tag& tag, const Level& level);
    // The topmost level under the point (its tag, or near its line), or -1.
    int indexAt(const cocos2d::CCPoint& point) const;
    cocos2d::CCRect closeBoxAt(size_t index) const;

    YOfPrice yOfPrice_;
    PriceAtY priceAtY_;
    Callbacks callbacks_;
    std::vector<Level> levels_;
    std::vector<Tag> tags_;
    bool placing_ = false;
    float previewY_ = -1;
    int dragId_ = 0;
    bool dragMoved_ = false;
    double dragPrice_ = 0;
    float dragGrabOffset_ = 0;
};
