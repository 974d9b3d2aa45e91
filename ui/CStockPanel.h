#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CCTouchDelegate.h"
#include "LeftPanePage.h"

namespace cocos2d {
class CCLabelTTF;
class CCLayerColor;
class CCScrollView;
}  // namespace cocos2d
class StockInfo;

// The instrument page of the left pane, captioned "quoteList": one row per catalogue record in code
// order with its flag, name, last price and change. The price and change labels and their two
// colour boxes are registered as the record's display references B, so live quotes write into them
// directly. The main scene rebuilds the page after every applied instrument list and subscribes to
// the quotes of the codes it lists while it is shown. The references are dropped on every rebuild,
// when the catalogue replaces its records and when the page goes. A click on a row reports the
// row's code. Main thread only.
class CStockPanel : public LeftPanePage, public cocos2d::CCTouchDelegate {
public:
    static constexpr float ROW_HEIGHT = 64;
    static constexpr float FONT_SIZE = 13;
    static constexpr float NAME_WIDTH = 100;
    static constexpr cocos2d::ccColor4B ROW_COLOUR{23, 27, 41, 255};
    static constexpr cocos2d::ccColor3B ROW_HOVER_COLOUR{47, 50, 60};
    static constexpr const char* UNKNOWN_TEXT = "---";
    static constexpr const char* DEFAULT_FLAG = "defualt.png";
    // After the buttons (-10) and the list's own dragging (0).
    static constexpr int TOUCH_PRIORITY = 1;

    using RowCallback = std::function<void(const std::string& code)>;

    static CStockPanel* create(const cocos2d::CCSize& size);
    ~CStockPanel() override;

    // Drops every row and its references, then lists the catalogue again, scrolled to its start.
    void rebuild();
    int getRebuildCount() const { return rebuildCount_; }
    // The codes of the listed instruments, in list order.
    std::vector<std::string> getListedCodes() const;
    void setRowCallback(RowCallback callback) { rowCallback_ = std::move(callback); }

    // For tests and pointer scripts.
    size_t getRowCount() const { return rows_.size(); }
    cocos2d::CCLayerColor* getRow(size_t index) const;
    cocos2d::CCLabelTTF* getPriceLabel(size_t index) const;
    cocos2d::CCLabelTTF* getChangeLabel(size_t index) const;
    cocos2d::CCScrollView* getList() const { return list_; }
    int getHoveredRow() const { return hoveredRow_; }

    void setPanelSize(const cocos2d::CCSize& size) override;
    void setShown(bool shown) override;
    void onEnter() override;
    void onExit() override;
    bool ccMouseMove(float x, float y) override;
    void OnMouseLeave() override;
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchCancelled(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    CStockPanel() = default;
    bool initStockPanel(const cocos2d::CCSize& size);

private:
    struct Row {
        cocos2d::CCLayerColor* node;
        StockInfo* record;
        cocos2d::CCNode* price;
        cocos2d::CCNode* change;
        cocos2d::CCNode* box1;
        cocos2d::CCNode* box2;
    };
    void addRow(StockInfo* record, float y);
    void detachRows();
    void clearRows();
    void layoutRows();
    int rowAt(const cocos2d::CCPoint& world) const;
    void setHoveredRow(int row);

    cocos2d::CCScrollView* list_ = nullptr;
    std::vector<Row> rows_;
    RowCallback rowCallback_;
    int replaceListener_ = 0;
    int hoveredRow_ = -1;
    int pressedRow_ = -1;
    int rebuildCount_ = 0;
};
