#pragma once

#include <string>
#include <vector>

#include "CCGeometry.h"
#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
class CCScrollView;
class CCTextFieldTTF;
}  // namespace cocos2d
class AddStockPanelDelegate;
class StockInfo;
class StockWindow;

// The instrument chooser: a search field, a column of category buttons built from the catalogue and
// a scrolling list of instruments. Picking one asks the delegate (the main scene, not owned, may be
// null) for a chart window: a new one, or the target window switched to it when the chooser was
// opened from that window. The target is held (retained) until a pick or the next setTargetWindow.
//
// While shown, the main scene's keyboard switch is off, and once a second the chooser asks for a
// quote-subscription refresh when the list scrolled or its rows changed since the last check. A
// hidden chooser lists nothing. The rows write the records' last prices through their price label A
// and colour item A1; they let go of them before the catalogue frees its records. Main thread only.
class AddStockPanel : public PopuPanelBase {
public:
    static constexpr float DEFAULT_WIDTH = 460.0f;
    static constexpr float DEFAULT_HEIGHT = 420.0f;
    static constexpr uint8_t OPACITY = 240;
    static constexpr uint8_t COLUMN_OPACITY = 220;
    static constexpr int MAX_SEARCH_CHARACTERS = 16;
    static constexpr float CATEGORY_WIDTH = 100.0f;
    static constexpr float CATEGORY_HEIGHT = 50.0f;
    static constexpr float LIST_WIDTH = 360.0f;
    static constexpr float ROW_HEIGHT = 40.0f;
    static constexpr float SEARCH_FRAME_WIDTH = 340.0f;
    static constexpr float SEARCH_FRAME_HEIGHT = 30.0f;
    static constexpr float LIST_CHECK_SECONDS = 1.0f;
    // Before the panel (-9) and its buttons (-10), without swallowing, so a drag over the rows scrolls.
    static constexpr int LIST_TOUCH_PRIORITY = -11;

    // Null when an image is missing.
    static AddStockPanel* create(const cocos2d::CCSize& size = cocos2d::CCSize(DEFAULT_WIDTH,
                                                                               DEFAULT_HEIGHT));
    ~AddStockPanel() override;

    void setDelegate(AddStockPanelDelegate* delegate) { delegate_ = delegate; }
    // The window a pick switches; null asks for a new window.
    void setTargetWindow(StockWindow* window);
    StockWindow* getTargetWindow() const { return target_; }

    void show() override;
    void hide() override;

    // Builds the "allStock" button and one button per list and category of the catalogue. Call it
    // after every instrument list the catalogue accepts; a shown chooser then lists everything.
    void rebuildCategories();

    // Codes of the rows in the list, in row order.
    std::vector<std::string> getListedCodes() const;
    // Codes of the rows that show in the list's window now.
    std::vector<std::string> getVisibleCodes() const;

    // Opens on typed letters (the chooser must be shown): they fill the search field and are
    // searched; Enter then picks the first match instead of searching again.
    void startTypedSearch(const std::string& letters);
    bool isTypedSearch() const { return typedSearch_; }

    // Handlers (the buttons, the enter key and a click on a row call them).
    void onSearch();
    // Null writes "place call by panelButton!!" and changes nothing.
    void onCategoryButton(PanelButton* button);
    // Picks the row at index (0 = top); an index outside the list does nothing.
    void onInstrumentRow(size_t index);
    // Checks whether the list moved since the last check (run once a second while shown).
    void checkListMoved();

    cocos2d::CCTextFieldTTF* getSearchField() const { return searchField_; }
    PanelButton* getSearchButton() const { return searchButton_; }
    cocos2d::CCScrollView* getList() const { return list_; }
    size_t getCategoryCount() const { return categories_.size(); }
    // Index 0 is "allStock"; null outside the range.
    PanelButton* getCategoryButton(size_t index) const;
    bool isCategorySelected(size_t index) const;
    // The row node at index, or null.
    cocos2d::CCNode* getRow(size_t index) const;

    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchCancelled(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    // Leaving the scene hides the chooser, so the main scene's keyboard switch comes back on.
    void onExit() override;

private:
    struct Category {
        PanelButton* button;
        cocos2d::CCNode* mark;
        cocos2d::CCLabelTTF* caption;
        bool all;
        std::string listName;
        std::string category;
    };
    struct Row {
        cocos2d::CCNode* node;
        cocos2d::CCLabelTTF* price;
        StockInfo* record;
    };

    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    AddStockPanel() = default;
    bool initChooser(const cocos2d::CCSize& size);
    void clearCategories();
    void selectCategory(size_t index);
    void unselectCategories();
    void setCategoriesEnabled(bool enabled);
    void showRecords(const std::vector<StockInfo*>& records);
    void clearRows();
    void scrollToTop();
    void detachRows();
    int rowAt(const cocos2d::CCPoint& world) const;
    void releaseTarget();

    AddStockPanelDelegate* delegate_ = nullptr;
    StockWindow* target_ = nullptr;
    cocos2d::CCTextFieldTTF* searchField_ = nullptr;
    PanelButton* searchButton_ = nullptr;
    cocos2d::CCScrollView* categoryColumn_ = nullptr;
    cocos2d::CCScrollView* list_ = nullptr;
    std::vector<Category> categories_;
    std::vector<Row> rows_;
    bool listMoved_ = false;
    bool typedSearch_ = false;
    bool escapeWasDown_ = false;
    cocos2d::CCPoint lastOffset_;
    int pressedRow_ = -1;
    int replaceListener_ = 0;
};
