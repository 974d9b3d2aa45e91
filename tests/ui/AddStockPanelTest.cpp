#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "AddStockPanel.h"
#include "AddStockPanelDelegate.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCScrollView.h"
#include "CCTextFieldTTF.h"
#include "LocalStockWindow.h"
#include "PanelButton.h"
#include "SceneTest.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockWindow.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

// Two lists, three categories and enough instruments that the list scrolls.
const char* const CATALOGUE = R"({"result": 1, "nameList": ["metal", "fx"], "list": {
    "fx": [
        {"name": "Euro Dollar", "code": "EURUSD", "category": "major", "listid": "1"},
        {"name": "Pound Dollar", "code": "GBPUSD", "category": "major", "listid": "1"},
        {"name": "Aussie Yen", "code": "AUDJPY", "category": "cross", "listid": "1"},
        {"name": "Euro Yen", "code": "EURJPY", "category": "cross", "listid": "1"},
        {"name": "Euro Pound", "code": "EURGBP", "category": "cross", "listid": "1"},
        {"name": "Pound Yen", "code": "GBPJPY", "category": "cross", "listid": "1"},
        {"name": "Euro Franc", "code": "EURCHF", "category": "cross", "listid": "1"},
        {"name": "Aussie Kiwi", "code": "AUDNZD", "category": "cross", "listid": "1"},
        {"name": "Dollar Yen", "code": "USDJPY", "category": "major", "listid": "1"},
        {"name": "Dollar Franc", "code": "USDCHF", "category": "major", "listid": "1"},
        {"name": "Dollar Loonie", "code": "USDCAD", "category": "major", "listid": "1"},
        {"name": "Aussie Dollar", "code": "AUDUSD", "category": "major", "listid": "1"}
    ],
    "metal": [
        {"name": "Gold", "code": "XAUUSD", "category": "spot", "listid": "2"},
        {"name": "Silver", "code": "XAGUSD", "category": "spot", "listid": "2"}
    ]}})";

void applyCatalogue(const char* json) {
    rapidjson::Document document;
    document.Parse(json);
    ASSERT_TRUE(StockData::getInstance()->parseStockList(document));
}

std::vector<std::string> allCodes() {
    std::vector<std::string> codes;
    for (const auto& [code, record] : StockData::getInstance()->getStocks()) codes.push_back(code);
    return codes;
}

// Records what the chooser asks of the main scene, in order; a pick with a target switches it.
struct RecordingDelegate : AddStockPanelDelegate {
    struct Added {
        std::string symbol;
        CCPoint at;
        StockWindow* target;
    };
    std::vector<std::string> calls;
    std::vector<Added> added;
    std::vector<bool> keyboard;
    int refreshes = 0;
    bool refuse = false;

    StockWindow* addStockWindow(const std::string& symbol, const CCPoint& at, StockWindow* target) override {
        calls.push_back("add");
        added.push_back({symbol, at, target});
        if (refuse) return nullptr;
        if (target) target->setStock(symbol, symbol);
        return target;
    }
    void refreshQuoteSubscriptions() override {
        calls.push_back("refresh");
        ++refreshes;
    }
    void saveWindowLayout() override { calls.push_back("save"); }
    void setKeyboardEnabled(bool enabled) override {
        calls.push_back(enabled ? "keyboard on" : "keyboard off");
        keyboard.push_back(enabled);
    }
};

class AddStockPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("addstock"); }
    static void TearDownTestSuite() {
        applyCatalogue(R"({"result": 1})");
        tearDownUiSuite("addstock");
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        applyCatalogue(CATALOGUE);
        CCDirector::sharedDirector()->stepFrame(0);
        panel = AddStockPanel::create();
        ASSERT_NE(panel, nullptr);
        panel->setDelegate(&delegate);
        panel->setPosition(CCPoint(420, 160));
        scene->addChild(panel, 10);
    }
    void TearDown() override {
        if (panel && panel->getParent()) panel->removeFromParent();
        SceneTest::TearDown();
    }
    LocalWindow* addWindow(const std::string& symbol) {
        LocalWindow* window = LocalWindow::create(symbol, CCSize(400, 300));
        if (!window) return nullptr;
        scene->addChild(window);
        window->setStock(symbol, symbol);
        window->setShown(true);
        return window;
    }
    void showSettled() {
        panel->show();
        step(0.3f);
    }
    std::vector<size_t> selectedCategories() const {
        std::vector<size_t> selected;
        for (size_t i = 0; i < panel->getCategoryCount(); ++i)
            if (panel->isCategorySelected(i)) selected.push_back(i);
        return selected;
    }

    AddStockPanel* panel = nullptr;
    RecordingDelegate delegate;
};

TEST_F(AddStockPanelTest, PickFromAWindowSwitchesThatWindowOnly) {
    LocalWindow* opener = addWindow("EURUSD");
    LocalWindow* other = addWindow("GBPUSD");
    ASSERT_NE(opener, nullptr);
    ASSERT_NE(other, nullptr);
    panel->setTargetWindow(opener);
    showSettled();
    EXPECT_EQ(delegate.keyboard, (std::vector<bool>{false}));
    ASSERT_EQ(panel->getListedCodes(), allCodes());

    // The third row of "allStock" (code order) is AUDUSD; a mouse click picks it.
    CCNode* row = panel->getRow(2);
    ASSERT_NE(row, nullptr);
    const CCPoint rowCorner = row->convertToWorldSpace(CCPointZero);
    delegate.calls.clear();
    click(row);

    ASSERT_EQ(delegate.added.size(), 1u);
    EXPECT_EQ(delegate.added[0].symbol, "AUDUSD");
    EXPECT_EQ(delegate.added[0].target, opener);
    EXPECT_EQ(delegate.added[0].at, rowCorner);
    EXPECT_EQ(opener->getCode(), "AUDUSD");
    EXPECT_EQ(other->getCode(), "GBPUSD");
    // Hidden first (subscriptions dropped, keyboard back), then the pick is applied and saved.
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"refresh", "keyboard on", "add", "refresh", "save"}));
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(panel->getTargetWindow(), nullptr);
    EXPECT_TRUE(panel->getListedCodes().empty());

    // The next opening from the strip asks for a new window.
    showSettled();
    panel->onInstrumentRow(0);
    ASSERT_EQ(delegate.added.size(), 2u);
    EXPECT_EQ(delegate.added[1].target, nullptr);
    EXPECT_EQ(delegate.added[1].symbol, allCodes()[0]);
    EXPECT_EQ(opener->getCode(), "AUDUSD");
}

TEST_F(AddStockPanelTest, RefusedNewWindowStillClosesAndRestoresTheKeyboard) {
    delegate.refuse = true;
    showSettled();
    panel->onInstrumentRow(99);  // no such row
    EXPECT_TRUE(delegate.added.empty());
    EXPECT_TRUE(panel->isShown());

    panel->onInstrumentRow(1);
    ASSERT_EQ(delegate.added.size(), 1u);
    EXPECT_EQ(delegate.added[0].target, nullptr);
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(delegate.keyboard, (std::vector<bool>{false, true}));
}

TEST_F(AddStockPanelTest, HidingAlwaysTurnsTheKeyboardBackOn) {
    showSettled();
    panel->getSearchField()->insertText("eur");
    panel->hide();
    EXPECT_EQ(delegate.keyboard, (std::vector<bool>{false, true}));
    EXPECT_STREQ(panel->getSearchField()->getString(), "");
    EXPECT_FALSE(panel->getSearchField()->isAttached());
    EXPECT_TRUE(panel->getListedCodes().empty());
    EXPECT_FALSE(panel->getCategoryButton(0)->isEnabled());

    // A shown chooser that leaves the scene is hidden too.
    showSettled();
    EXPECT_TRUE(panel->getCategoryButton(1)->isEnabled());
    panel->retain();
    panel->removeFromParent();
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(delegate.keyboard, (std::vector<bool>{false, true, false, true}));
    panel->release();
    panel = nullptr;
}

TEST_F(AddStockPanelTest, SearchFiltersAndUnselectsTheCategories) {
    showSettled();
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{0}));

    CCTextFieldTTF* field = panel->getSearchField();
    EXPECT_TRUE(field->isAttached());
    field->insertText("jpy");
    click(panel->getSearchButton());
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"AUDJPY", "EURJPY", "GBPJPY", "USDJPY"}));
    EXPECT_TRUE(selectedCategories().empty());

    // Names match too, and the enter key searches as the button does.
    field->setString("silver");
    field->enterPressed();
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"XAGUSD"}));

    field->setString("");
    field->insertText("abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(field->getCharCount(), AddStockPanel::MAX_SEARCH_CHARACTERS);
    panel->onSearch();
    EXPECT_TRUE(panel->getListedCodes().empty());

    // Opening again starts from "allStock" with an empty field.
    panel->hide();
    showSettled();
    EXPECT_STREQ(field->getString(), "");
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{0}));
    EXPECT_EQ(panel->getListedCodes(), allCodes());
}

TEST_F(AddStockPanelTest, CategoryClickListsOnlyThatCategory) {
    showSettled();
    // "allStock", then the lists by name and their categories by name: fx/cross, fx/major, metal/spot.
    ASSERT_EQ(panel->getCategoryCount(), 4u);
    const float top = panel->convertToWorldSpace(CCPoint(0, AddStockPanel::DEFAULT_HEIGHT)).y;
    for (size_t k = 0; k < 4; ++k) {
        PanelButton* button = panel->getCategoryButton(k);
        EXPECT_EQ(button->getContentSize(),
                  CCSize(AddStockPanel::CATEGORY_WIDTH, AddStockPanel::CATEGORY_HEIGHT));
        EXPECT_FLOAT_EQ(button->convertToWorldSpace(CCPointZero).y,
                        top - AddStockPanel::CATEGORY_HEIGHT * static_cast<float>(k + 1));
    }

    click(panel->getCategoryButton(2));
    EXPECT_EQ(panel->getListedCodes(),
              (std::vector<std::string>{"EURUSD", "GBPUSD", "USDJPY", "USDCHF", "USDCAD", "AUDUSD"}));
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{2}));

    click(panel->getCategoryButton(3));
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"XAUUSD", "XAGUSD"}));
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{3}));

    panel->onCategoryButton(nullptr);
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"XAUUSD", "XAGUSD"}));
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{3}));

    // A hidden chooser's buttons do not answer.
    panel->hide();
    click(panel->getCategoryButton(1));
    EXPECT_TRUE(panel->getListedCodes().empty());
}

TEST_F(AddStockPanelTest, OneSecondCheckRefreshesOnlyWhenTheListMoved) {
    showSettled();
    const int opened = delegate.refreshes;
    step(1.0f);
    EXPECT_EQ(delegate.refreshes, opened + 1);  // the opening marks the list as moved
    step(2.0f);
    EXPECT_EQ(delegate.refreshes, opened + 1);

    // Fourteen rows of 40 in a window of 370: nine whole rows and part of the tenth show.
    const std::vector<std::string> codes = allCodes();
    EXPECT_EQ(panel->getVisibleCodes(), std::vector<std::string>(codes.begin(), codes.begin() + 10));

    // A drag over the rows scrolls and picks nothing.
    CCNode* row = panel->getRow(4);
    const CCPoint from = centreOf(row);
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseDown(from.x, 600 - from.y);
    view->handleMouseMove(from.x, 600 - from.y - 60);
    view->handleMouseUp(from.x, 600 - from.y - 60);
    EXPECT_TRUE(delegate.added.empty());
    EXPECT_TRUE(panel->isShown());
    EXPECT_EQ(panel->getVisibleCodes().front(), codes[1]);
    step(1.0f);
    EXPECT_EQ(delegate.refreshes, opened + 2);
    step(1.0f);
    EXPECT_EQ(delegate.refreshes, opened + 2);

    click(panel->getCategoryButton(3));
    step(1.0f);
    EXPECT_EQ(delegate.refreshes, opened + 3);

    // New rows at an unchanged offset still need their quotes.
    const CCPoint offset = panel->getList()->getContentOffset();
    panel->getSearchField()->setString("chf");
    panel->onSearch();
    ASSERT_EQ(panel->getListedCodes(), (std::vector<std::string>{"EURCHF", "USDCHF"}));
    EXPECT_EQ(panel->getList()->getContentOffset(), offset);
    step(1.0f);
    EXPECT_EQ(delegate.refreshes, opened + 4);

    // Hidden, the check stops.
    panel->hide();
    const int hidden = delegate.refreshes;
    step(3.0f);
    EXPECT_EQ(delegate.refreshes, hidden);
}

TEST_F(AddStockPanelTest, RowsShowQuotesAndLetGoOfThemWhenDropped) {
    StockInfo* gold = StockData::getInstance()->findStock("XAUUSD");
    ASSERT_NE(gold, nullptr);
    gold->updateQuote(2001.5f, 100, 2000.0f, 2010.0f, 1990.0f);
    StockInfo* silver = StockData::getInstance()->findStock("XAGUSD");
    showSettled();
    click(panel->getCategoryButton(3));

    auto* goldPrice = dynamic_cast<CCLabelTTF*>(gold->getPriceLabelA());
    auto* silverPrice = dynamic_cast<CCLabelTTF*>(silver->getPriceLabelA());
    ASSERT_NE(goldPrice, nullptr);
    ASSERT_NE(silverPrice, nullptr);
    EXPECT_STREQ(goldPrice->getString(), "2001.5");
    EXPECT_STREQ(silverPrice->getString(), "--");
    EXPECT_EQ(goldPrice->getParent(), panel->getRow(0));
    silver->updateQuote(24.25f, 101, 25.0f, 25.0f, 24.0f);
    EXPECT_STREQ(silverPrice->getString(), "24.25");

    // Another category drops the rows; quotes after that touch nothing of theirs.
    click(panel->getCategoryButton(1));
    EXPECT_EQ(gold->getPriceLabelA(), nullptr);
    EXPECT_EQ(gold->getColorItemA1(), nullptr);
    panel->hide();
    for (const auto& [code, record] : StockData::getInstance()->getStocks())
        EXPECT_EQ(record.getPriceLabelA(), nullptr) << code;
    gold->updateQuote(2002.0f, 102, 2000.0f, 2010.0f, 1990.0f);
}

TEST_F(AddStockPanelTest, CategoriesFollowANewCatalogue) {
    showSettled();
    click(panel->getCategoryButton(3));
    ASSERT_FALSE(panel->getListedCodes().empty());

    applyCatalogue(R"({"result": 1, "nameList": ["index"], "list": {"index": [
        {"name": "Dow", "code": "US30", "category": "us", "listid": "3"},
        {"name": "Dax", "code": "DE40", "category": "eu", "listid": "3"},
        {"name": "Nasdaq", "code": "NAS100", "category": "us", "listid": "3"}]}})");
    // The old records are gone: so are the rows that showed them.
    EXPECT_TRUE(panel->getListedCodes().empty());

    panel->rebuildCategories();
    ASSERT_EQ(panel->getCategoryCount(), 3u);  // "allStock", index/eu, index/us
    EXPECT_EQ(selectedCategories(), (std::vector<size_t>{0}));
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"DE40", "NAS100", "US30"}));
    click(panel->getCategoryButton(2));
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"US30", "NAS100"}));

    // A rejected list keeps the catalogue and the chooser as they were.
    rapidjson::Document rejected;
    rejected.Parse(R"({"result": 0})");
    EXPECT_FALSE(StockData::getInstance()->parseStockList(rejected));
    EXPECT_EQ(panel->getListedCodes(), (std::vector<std::string>{"US30", "NAS100"}));
}

}  // namespace
