#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "NewsDetailPanel.h"
#include "NewsPanel.h"
#include "NewsRow.h"
#include "NewsRowList.h"
#include "SceneTest.h"

USING_NS_CC;

namespace {

constexpr float PANEL_WIDTH = 280;
constexpr int ZONE_BEIJING = 0;
constexpr int ZONE_NEW_YORK = 1;
// 2024-01-15 23:30:00 UTC: Beijing is already on the 16th, New York still on the 15th.
constexpr int64_t JANUARY_NIGHT = 1705361400;

std::vector<std::string> dataRecord(const std::string& key, const std::string& importance,
                                    const std::string& actual = "3.3%") {
    return {"1", "12:30", "US CPI", "3.1%", "3.2%", actual, importance, "US", key, "USD", "%", "good"};
}

std::string text(CCNode* label) {
    return dynamic_cast<CCLabelTTF*>(label)->getString();
}

bool shows(CCSprite* sprite, const char* frame) {
    return sprite->isFrameDisplayed(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame));
}

class NewsPanelTest : public SceneTest {
protected:
    NewsPanelTest() : SceneTest(CCSize(900, 600)) {}
    static void SetUpTestSuite() { setUpUiSuite("news"); }
    static void TearDownTestSuite() { tearDownUiSuite("news"); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        savedLanguage_ = getCurrentLanguage();
        switchLanguage(1);
        DisplayTimeZone::shared().resetForTest(ZONE_BEIJING);
        DisplayTimeZone::shared().setClock([this] { return clock; });
        panel = NewsPanel::create(CCSize(PANEL_WIDTH, 500));
        ASSERT_NE(panel, nullptr);
        scene->addChild(panel);
        panel->setShown(true);
        list = panel->getList();
        step(0);
    }
    void TearDown() override {
        DisplayTimeZone::shared().setClock(nullptr);
        DisplayTimeZone::shared().resetForTest(ZONE_BEIJING);
        switchLanguage(savedLanguage_);
        SceneTest::TearDown();
    }

    // A row's top edge in the list's container.
    static float topOf(NewsRow* row) {
        return row->getParent()->getPositionY() + row->getPositionY() + row->getContentSize().height;
    }

    int64_t clock = JANUARY_NIGHT;
    NewsPanel* panel = nullptr;
    NewsRowList* list = nullptr;

private:
    int savedLanguage_ = 1;
};

}  // namespace

TEST_F(NewsPanelTest, FlashAndDataRowsAreBuiltAndPlacedAsTheColumnShowsThem) {
    panel->addFlash("2024-01-15 09:30:00",
                    "A flash long enough to wrap onto a second line of the column text");
    NewsRow* flash = list->findRow("2024-01-15 09:30:00");
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->getKind(), NewsRow::Kind::Flash);
    CCLabelTTF* time = flash->getTimeLabel();
    CCLabelTTF* body = flash->getTextLabel();
    EXPECT_EQ(flash->getChildByTag(NewsRow::TIME_TAG), time);
    EXPECT_EQ(flash->getChildByTag(NewsRow::TEXT_OR_VALUES_TAG), body);
    EXPECT_EQ(flash->getChildByTag(NewsRow::MARKER_TAG), flash->getMarker());
    EXPECT_EQ(body->getDimensions().width, PANEL_WIDTH - 40);
    EXPECT_GT(body->getLineCount(), 1u);
    const float timeHeight = time->getContentSize().height;
    const float height = flash->getContentSize().height;
    EXPECT_FLOAT_EQ(height, timeHeight + body->getContentSize().height + 20);
    EXPECT_FLOAT_EQ(flash->getContentSize().width, PANEL_WIDTH);
    EXPECT_EQ(body->getAnchorPoint(), CCPoint(0, 1));
    EXPECT_EQ(body->getPosition(), CCPoint(30, height - timeHeight));
    EXPECT_EQ(time->getAnchorPoint(), CCPoint(0, 0.5f));
    EXPECT_EQ(time->getPosition(), CCPoint(30, height - timeHeight * 0.5f + 5));
    EXPECT_EQ(flash->getMarker()->getPosition(), CCPoint(16, time->getPositionY()));
    EXPECT_EQ(flash->getMarker()->getZOrder(), 16);
    EXPECT_TRUE(shows(flash->getMarker(), "news_point.png"));

    panel->addDataItem(dataRecord("2024-01-15 12:30", "3"));
    NewsRow* data = list->findRow("2024-01-15 12:30");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->getKind(), NewsRow::Kind::Data);
    EXPECT_EQ(text(data->getTextLabel()), "US CPI");
    EXPECT_EQ(data->getChildByTag(NewsRow::TEXT_OR_VALUES_TAG), data->getValuesLabel());
    const float dataHeight = data->getContentSize().height;
    const float dataTime = data->getTimeLabel()->getContentSize().height;
    EXPECT_FLOAT_EQ(dataHeight, dataTime + data->getTextLabel()->getContentSize().height + 60);
    EXPECT_EQ(data->getTextLabel()->getPosition(), CCPoint(30, dataHeight - dataTime + 5));
    EXPECT_EQ(data->getValuesLabel()->getPosition(), CCPoint(20, 25));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(data->getStar(i)->getPosition(), CCPoint(46 + 20.0f * i, 55)) << i;
        EXPECT_EQ(data->getStar(i)->getZOrder(), 10);
    }

    // Ten fields are not a data item.
    std::vector<std::string> ten = dataRecord("2024-01-15 13:30", "3");
    ten.resize(10);
    panel->addDataItem(ten);
    EXPECT_EQ(list->getRows().size(), 2u);
    // The newest row is on top, its time label inside the list, and the list shows its top.
    EXPECT_GT(topOf(data), topOf(flash));
    EXPECT_LE(topOf(data) - dataHeight + data->getTimeLabel()->getPositionY() + dataTime / 2,
              list->getContainerSize().height);
    EXPECT_EQ(list->getContentOffset(), list->minContainerOffset());
}

TEST_F(NewsPanelTest, StarsFollowTheImportance) {
    const struct {
        const char* importance;
        int lit;
        const char* litImage;
    } cases[] = {{"0", 0, "star1.png"}, {"2", 2, "star1.png"},  {"3", 3, "star2.png"},
                 {"7", 5, "star2.png"}, {"-2", 0, "star1.png"}, {"x", 0, "star1.png"}};
    int minute = 10;
    for (const auto& c : cases) {
        const std::string key = "2024-01-15 12:" + std::to_string(minute++);
        panel->addDataItem(dataRecord(key, c.importance));
        NewsRow* row = list->findRow(key);
        ASSERT_NE(row, nullptr) << c.importance;
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(shows(row->getStar(i), i < c.lit ? c.litImage : "star0.png"))
                << "importance " << c.importance << ", star " << i;
    }
}

TEST_F(NewsPanelTest, ValuesAndMonthFollowTheLanguageAndUpdatesTouchOnlyTheirKind) {
    panel->addDataItem(dataRecord("2024-01-15 12:30", "4", ""));
    NewsRow* data = list->findRow("2024-01-15 12:30");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(text(data->getValuesLabel()), "前值:3.1%   预期:3.2%   公布:");
    EXPECT_EQ(text(panel->getMonthWordLabel()), "月");
    switchLanguage(0);
    EXPECT_EQ(text(data->getValuesLabel()), "Previous: 3.1%   Forecast: 3.2%   Actual: ");
    EXPECT_EQ(text(panel->getMonthWordLabel()), "Month");

    // An update of four fields has no actual value yet; five fields bring one.
    panel->updateDataValues({"3", "2024-01-15 12:30", "3.0%", "3.3%"});
    EXPECT_EQ(text(data->getValuesLabel()), "Previous: 3.0%   Forecast: 3.3%   Actual: ");
    panel->updateDataValues({"3", "2024-01-15 12:30", "3.0%", "3.3%", "3.5%"});
    EXPECT_EQ(text(data->getValuesLabel()), "Previous: 3.0%   Forecast: 3.3%   Actual: 3.5%");
    panel->updateDataValues({"3", "2024-01-15 12:30", "9%"});
    EXPECT_EQ(text(data->getValuesLabel()), "Previous: 3.0%   Forecast: 3.3%   Actual: 3.5%");

    // The flash text and the data values share a tag: each record type keeps to its own rows.
    panel->addFlash("2024-01-15 09:30:00", "flash text");
    NewsRow* flash = list->findRow("2024-01-15 09:30:00");
    panel->updateDataValues({"3", "2024-01-15 09:30:00", "1", "2", "3"});
    EXPECT_EQ(text(flash->getTextLabel()), "flash text");
    panel->replaceFlashText("2024-01-15 12:30", "not a flash");
    EXPECT_EQ(text(data->getTextLabel()), "US CPI");
    panel->replaceFlashText("2024-01-15 09:31:00", "unknown");
    panel->replaceFlashText("2024-01-15 09:30:00", "changed");
    EXPECT_EQ(text(flash->getTextLabel()), "changed");

    // A data item already listed updates its row instead of adding a second one.
    panel->addDataItem(dataRecord("2024-01-15 12:30", "4", "3.9%"));
    EXPECT_EQ(list->getRows().size(), 2u);
    EXPECT_EQ(list->findRow("2024-01-15 12:30"), data);
    EXPECT_EQ(text(data->getValuesLabel()), "Previous: 3.1%   Forecast: 3.2%   Actual: 3.9%");
}

TEST_F(NewsPanelTest, OnlyTheNewestMarkerIsFullAndTheListKeepsThreeHundredRows) {
    panel->addFlash("2024-01-15 09:30:00", "one");
    panel->addFlash("2024-01-15 09:31:00", "two");
    panel->addFlash("2024-01-15 09:32:00", "three");
    const auto& rows = list->getRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->getMarker()->getOpacity(), 100);
    EXPECT_EQ(rows[1]->getMarker()->getOpacity(), 100);
    EXPECT_EQ(rows[2]->getMarker()->getOpacity(), 255);
    // A key already listed changes nothing, not even the markers.
    panel->addFlash("2024-01-15 09:32:00", "again");
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2]->getMarker()->getOpacity(), 255);
    EXPECT_EQ(text(rows[2]->getTextLabel()), "three");

    panel->clearItems();
    EXPECT_TRUE(list->getRows().empty());
    EXPECT_EQ(list->findRow("2024-01-15 09:30:00"), nullptr);

    char key[32];
    for (int i = 0; i <= 300; ++i) {
        std::snprintf(key, sizeof key, "2024-01-15 %02d:%02d:00", i / 60, i % 60);
        panel->addFlash(key, "row " + std::to_string(i));
    }
    EXPECT_EQ(list->getRows().size(), NewsRowList::MAX_ROWS);
    EXPECT_EQ(list->findRow("2024-01-15 00:00:00"), nullptr);
    EXPECT_NE(list->findRow("2024-01-15 00:01:00"), nullptr);
    EXPECT_EQ(text(list->getRows().front()->getTextLabel()), "row 1");
    // The rows still stack without gaps from the container's bottom, newest on top.
    EXPECT_NEAR(topOf(list->getRows().back()) + 6, list->getContainerSize().height, 0.01);
    const NewsRow* oldest = list->getRows().front();
    EXPECT_NEAR(oldest->getParent()->getPositionY() + oldest->getPositionY(), 0, 0.01);

    panel->removeItem("2024-01-15 00:01:00");
    EXPECT_EQ(list->getRows().size(), NewsRowList::MAX_ROWS - 1);
    EXPECT_EQ(list->findRow("2024-01-15 00:01:00"), nullptr);
    EXPECT_EQ(list->getContentOffset(), list->minContainerOffset());
}

TEST_F(NewsPanelTest, TimesAndTheDateFollowTheDisplayZoneWhileKeysStayUtc) {
    panel->addFlash("2024-01-15 09:30:00", "flash");
    panel->addDataItem(dataRecord("2024-01-15 12:30", "3"));
    panel->addFlash("not a time", "as sent");
    NewsRow* flash = list->findRow("2024-01-15 09:30:00");
    NewsRow* data = list->findRow("2024-01-15 12:30");
    EXPECT_EQ(text(flash->getTimeLabel()), "2024-01-15 17:30:00");
    EXPECT_EQ(text(data->getTimeLabel()), "2024-01-15 20:30");
    EXPECT_EQ(text(list->findRow("not a time")->getTimeLabel()), "not a time");
    EXPECT_EQ(text(panel->getDayLabel()), "16");
    EXPECT_EQ(text(panel->getMonthLabel()), "1");

    DisplayTimeZone::shared().choose(ZONE_NEW_YORK, false);
    EXPECT_EQ(text(flash->getTimeLabel()), "2024-01-15 04:30:00");
    EXPECT_EQ(text(data->getTimeLabel()), "2024-01-15 07:30");
    EXPECT_EQ(text(panel->getDayLabel()), "15");

    // The keys are still UTC: later records find their rows.
    panel->updateDataValues({"3", "2024-01-15 12:30", "1", "2", "3"});
    EXPECT_NE(text(data->getValuesLabel()).find("3"), std::string::npos);
    panel->removeItem("2024-01-15 09:30:00");
    EXPECT_EQ(list->findRow("2024-01-15 09:30:00"), nullptr);
    EXPECT_EQ(list->getRows().size(), 2u);

    // Midnight in the zone turns the date over.
    clock = JANUARY_NIGHT + 6 * 3600;
    DisplayTimeZone::shared().tick();
    EXPECT_EQ(text(panel->getDayLabel()), "16");
}

TEST_F(NewsPanelTest, HidingDisablesTheListAndResizingKeepsTheTop) {
    EXPECT_TRUE(list->isTouchEnabled());
    EXPECT_TRUE(panel->getCloseButton()->isEnabled());
    panel->setShown(false);
    EXPECT_FALSE(list->isTouchEnabled());
    EXPECT_FALSE(panel->getCloseButton()->isEnabled());
    panel->setShown(true);

    for (int i = 0; i < 20; ++i) panel->addFlash("2024-01-15 10:" + std::to_string(10 + i) + ":00", "text");
    panel->setPanelSize(CCSize(PANEL_WIDTH, 300));
    EXPECT_FLOAT_EQ(panel->getHeader()->getPositionY(), 300);
    EXPECT_FLOAT_EQ(list->getViewSize().height, 300 - LeftPanePage::HEADER_HEIGHT - NewsPanel::DATE_HEIGHT);
    EXPECT_EQ(list->getContentOffset(), list->minContainerOffset());
    EXPECT_EQ(panel->getCloseButton()->getPosition(),
              CCPoint(PANEL_WIDTH - 20, LeftPanePage::HEADER_HEIGHT * 0.6f));
}

TEST_F(NewsPanelTest, AClickOnARowOpensItsDetailAndAClickOutsideClosesIt) {
    panel->addDataItem(dataRecord("2024-01-15 12:30", "3"));
    panel->addFlash("2024-01-15 09:30:00", "flash body");
    step(0.1f);
    NewsRow* data = list->findRow("2024-01-15 12:30");
    click(data);
    step(0.5f);
    NewsDetailPanel* detail = panel->getDetail();
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(detail->isShown());
    EXPECT_EQ(detail->getShownKey(), "2024-01-15 12:30");
    const std::string body = text(detail->getBodyLabel());
    EXPECT_NE(body.find("US CPI"), std::string::npos) << body;
    EXPECT_NE(body.find("USD"), std::string::npos) << body;
    EXPECT_NE(body.find("good"), std::string::npos) << body;

    clickAt(CCPoint(880, 590));
    step(0.1f);
    EXPECT_FALSE(detail->isShown());

    // A drag scrolls and opens nothing.
    NewsRow* flash = list->findRow("2024-01-15 09:30:00");
    const CCPoint start = centreOf(flash);
    press(start);
    moveTo(CCPoint(start.x, start.y - 30));
    release(CCPoint(start.x, start.y - 30));
    step(0.1f);
    EXPECT_FALSE(detail->isShown());

    click(flash);
    step(0.5f);
    EXPECT_TRUE(detail->isShown());
    EXPECT_EQ(detail->getShownKey(), "2024-01-15 09:30:00");
}
