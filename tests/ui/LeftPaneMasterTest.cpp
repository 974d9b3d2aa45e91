#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AlertListPage.h"
#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CStockPanel.h"
#include "LanguageTable.h"
#include "LeftPaneMaster.h"
#include "NewsPanel.h"
#include "PanelButton.h"
#include "StockData.h"

#include "SceneTest.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

constexpr float PANE_X = 50;
constexpr float PANE_Y = 30;

// The pane placed as the main scene places it, with its width changes counted.
class LeftPaneMasterTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("leftpane"); }
    static void TearDownTestSuite() { tearDownUiSuite("leftpane"); }
    void SetUp() override {
        savedLanguage = getCurrentLanguage();
        setCurrentLanguage(0);
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        pane = LeftPaneMaster::create(515);
        ASSERT_NE(pane, nullptr);
        pane->setPosition(PANE_X, PANE_Y);
        pane->setWidthChangedCallback([this] { widths.push_back(pane->getPaneWidth()); });
        scene->addChild(pane, 49);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    void TearDown() override {
        setCurrentLanguage(savedLanguage);
        SceneTest::TearDown();
    }
    static CCPoint worldOrigin(CCNode* node) { return node->convertToWorldSpace(CCPointZero); }
    static void expectPage(LeftPanePage* page, float y, float height) {
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(page->getContentSize(), CCSize(LeftPaneMaster::PANE_WIDTH, height));
        EXPECT_FLOAT_EQ(worldOrigin(page).x, PANE_X);
        EXPECT_FLOAT_EQ(worldOrigin(page).y, PANE_Y + y);
        // The header keeps to the page's top edge, across its width.
        const CCPoint headerTop =
            page->getHeader()->convertToWorldSpace(CCPoint(0, page->getHeader()->getContentSize().height));
        EXPECT_FLOAT_EQ(headerTop.y, PANE_Y + y + height);
        EXPECT_FLOAT_EQ(page->getHeader()->getContentSize().width, LeftPaneMaster::PANE_WIDTH);
        EXPECT_EQ(page->getBodySize(),
                  CCSize(LeftPaneMaster::PANE_WIDTH, height - LeftPanePage::HEADER_HEIGHT));
    }

    int savedLanguage = 0;
    LeftPaneMaster* pane = nullptr;
    std::vector<float> widths;
};

TEST_F(LeftPaneMasterTest, WidthIsThePanesWhileAnyPageIsShownAndEachChangeIsToldOnce) {
    EXPECT_FALSE(pane->isPaneShown());
    EXPECT_FLOAT_EQ(pane->getPaneWidth(), 0);
    EXPECT_FALSE(pane->getNewsPanel()->isVisible());
    EXPECT_FALSE(pane->getStockPanel()->isVisible());

    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, false);
    EXPECT_TRUE(pane->isPaneShown());
    EXPECT_TRUE(pane->isPageShown(0));
    EXPECT_FALSE(pane->isPageShown(1));
    EXPECT_FLOAT_EQ(pane->getPaneWidth(), LeftPaneMaster::PANE_WIDTH);
    EXPECT_EQ(widths, (std::vector<float>{LeftPaneMaster::PANE_WIDTH}));

    // Asking again, or adding the second page, leaves the width alone.
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, true);
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    EXPECT_TRUE(pane->getStockPanel()->isShown());
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, false, false);
    EXPECT_EQ(widths.size(), 1u);
    EXPECT_FLOAT_EQ(pane->getPaneWidth(), LeftPaneMaster::PANE_WIDTH);

    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, false, false);
    EXPECT_FALSE(pane->isPaneShown());
    EXPECT_FALSE(pane->getStockPanel()->isShown());
    EXPECT_EQ(widths, (std::vector<float>{LeftPaneMaster::PANE_WIDTH, 0}));
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, false, true);
    EXPECT_EQ(widths.size(), 2u);

    // Pages that do not exist change nothing.
    pane->setPageShown(LeftPaneMaster::PAGE_COUNT, true, false);
    pane->setPageShown(-1, true, false);
    EXPECT_FALSE(pane->isPageShown(LeftPaneMaster::PAGE_COUNT));
    EXPECT_FALSE(pane->isPageShown(-1));
    EXPECT_FALSE(pane->isPaneShown());
    EXPECT_EQ(widths.size(), 2u);
}

TEST_F(LeftPaneMasterTest, ShownPagesSplitTheHeightAndFollowItsChanges) {
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    expectPage(pane->getStockPanel(), 0, 515);
    EXPECT_FALSE(pane->getNewsPanel()->isVisible());

    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, false);
    expectPage(pane->getNewsPanel(), 260, 255);  // news above, 5 units apart
    expectPage(pane->getStockPanel(), 0, 255);

    pane->setPaneHeight(405);
    expectPage(pane->getNewsPanel(), 205, 200);
    expectPage(pane->getStockPanel(), 0, 200);

    // The alerts page goes under the others, each a third in whole pixels; the bottom one takes the rest.
    pane->setPageShown(LeftPaneMaster::ALERT_PAGE, true, false);
    expectPage(pane->getNewsPanel(), 274, 131);
    expectPage(pane->getStockPanel(), 138, 131);
    expectPage(pane->getAlertPage(), 0, 133);
    pane->setPageShown(LeftPaneMaster::ALERT_PAGE, false, false);

    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, false, false);
    expectPage(pane->getNewsPanel(), 0, 405);
    EXPECT_FALSE(pane->getStockPanel()->isVisible());

    // A collapsed pane still takes the new height, so it opens at the right size.
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, false, false);
    pane->setPaneHeight(300);
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    expectPage(pane->getStockPanel(), 0, 300);
}

TEST_F(LeftPaneMasterTest, PaneSlidesInAndOutFromTheLeft) {
    NewsPanel* news = pane->getNewsPanel();
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, true);
    // Width is told at once, so the charts move while the pane slides.
    EXPECT_EQ(widths.size(), 1u);
    EXPECT_TRUE(news->isVisible());
    EXPECT_FLOAT_EQ(worldOrigin(news).x, PANE_X - LeftPaneMaster::PANE_WIDTH);
    step(LeftPaneMaster::SLIDE_SECONDS / 2);
    EXPECT_GT(worldOrigin(news).x, PANE_X - LeftPaneMaster::PANE_WIDTH);
    EXPECT_LT(worldOrigin(news).x, PANE_X);
    step(LeftPaneMaster::SLIDE_SECONDS);
    EXPECT_FLOAT_EQ(worldOrigin(news).x, PANE_X);

    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, false, true);
    EXPECT_FALSE(pane->isPageShown(LeftPaneMaster::NEWS_PAGE));
    EXPECT_FLOAT_EQ(pane->getPaneWidth(), 0);
    EXPECT_EQ(widths.size(), 2u);
    EXPECT_TRUE(news->isVisible());  // still sliding away
    step(LeftPaneMaster::SLIDE_SECONDS + 0.1f);
    EXPECT_FALSE(news->isVisible());
    EXPECT_FLOAT_EQ(worldOrigin(news).x, PANE_X - LeftPaneMaster::PANE_WIDTH);

    // Reopened with the other page halfway out: the closed page is gone at once, the pane comes back.
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, true);
    step(LeftPaneMaster::SLIDE_SECONDS + 0.1f);
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, false, true);
    step(LeftPaneMaster::SLIDE_SECONDS / 2);
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, true);
    EXPECT_FALSE(news->isVisible());
    step(LeftPaneMaster::SLIDE_SECONDS + 0.1f);
    EXPECT_FALSE(news->isVisible());
    EXPECT_TRUE(pane->getStockPanel()->isVisible());
    EXPECT_FLOAT_EQ(worldOrigin(pane->getStockPanel()).x, PANE_X);
    EXPECT_EQ(widths, (std::vector<float>{LeftPaneMaster::PANE_WIDTH, 0, LeftPaneMaster::PANE_WIDTH, 0,
                                          LeftPaneMaster::PANE_WIDTH}));
}

TEST_F(LeftPaneMasterTest, PagesCarryTheirCaptionsAndTheStockPageListsTheCatalogue) {
    EXPECT_EQ(std::string(pane->getNewsPanel()->getCaption()->getString()), getLangText("news"));
    EXPECT_EQ(std::string(pane->getStockPanel()->getCaption()->getString()), getLangText("quoteList"));
    EXPECT_NE(getLangText("news"), getLangText("quoteList"));

    CStockPanel* stock = pane->getStockPanel();
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    EXPECT_EQ(stock->getRebuildCount(), 0);
    stock->rebuild();
    stock->rebuild();
    EXPECT_EQ(stock->getRebuildCount(), 2);
    // Whatever catalogue the process holds, in code order.
    std::vector<std::string> codes;
    for (const auto& [code, record] : StockData::getInstance()->getStocks()) codes.push_back(code);
    EXPECT_EQ(stock->getListedCodes(), codes);
    expectPage(stock, 0, 515);
}

}  // namespace

TEST_F(LeftPaneMasterTest, HeaderCloseButtonClosesItsPage) {
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, true, false);
    pane->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    step(0.5f);
    widths.clear();

    PanelButton* close = pane->getStockPanel()->getCloseButton();
    ASSERT_NE(close, nullptr);
    click(close);
    step(0.5f);
    EXPECT_FALSE(pane->isPageShown(LeftPaneMaster::STOCK_PAGE));
    EXPECT_TRUE(pane->isPageShown(LeftPaneMaster::NEWS_PAGE));
    EXPECT_TRUE(widths.empty()) << "the pane keeps its width while a page is left";

    close = pane->getNewsPanel()->getCloseButton();
    click(close);
    step(0.5f);
    EXPECT_FALSE(pane->isPaneShown());
    EXPECT_EQ(widths, std::vector<float>{0});
}
