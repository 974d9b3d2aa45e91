#include "LanguageTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "CCmdPacket.h"
#include "FileHelpers.h"
#include "LogLines.h"
#include "TempHome.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
// A packed language table: count, then key and two texts per entry, scrambled.
std::string packedTable(int count, const std::vector<std::vector<std::string>>& rows) {
    CCmdPacket packet(65536);
    packet.writeUInt16(static_cast<uint16_t>(count));
    for (const auto& row : rows) {
        for (const std::string& text : row) packet.writeLongString(text);
    }
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    scrambleDataTable(bytes.data(), bytes.size());
    return std::string(bytes.begin(), bytes.end());
}

class TestLabel : public CCNode, public CCLabelProtocol {
public:
    void setString(const char* text) override { text_ = text; }
    const char* getString() const override { return text_.c_str(); }

private:
    std::string text_;
};

class LanguageTableTest : public ::testing::Test {
protected:
    void SetUp() override { clearLanguageTable(); }
    void TearDown() override {
        clearLanguageTable();
        setCurrentLanguage(DEFAULT_LANGUAGE);
    }

    std::string writeTable(int count, const std::vector<std::vector<std::string>>& rows) {
        const std::string path = home_.folder() + "language.xc";
        EXPECT_TRUE(writeWholeFile(path, packedTable(count, rows)));
        return path;
    }

    TempHome home_;
};
}  // namespace

TEST_F(LanguageTableTest, TextsFollowTheCurrentLanguageIndex) {
    ConsoleCapture console;
    const std::string path =
        writeTable(3, {{"open", "Open", "开盘"}, {"close", "Close", "收盘"}, {"open", "Duplicate", "重复"}});
    ASSERT_TRUE(loadLanguageTable(path));
    EXPECT_TRUE(logged(console, "language data count:3"));

    EXPECT_EQ(getCurrentLanguage(), 1);
    EXPECT_EQ(getLangText("open"), "开盘");  // a repeated key keeps its first entry
    setCurrentLanguage(0);
    EXPECT_EQ(getLangText("close"), "Close");
    setCurrentLanguage(2);
    EXPECT_EQ(getLangText("close"), "null");
    setCurrentLanguage(-1);
    EXPECT_EQ(getLangText("close"), "null");
    setCurrentLanguage(1);
    EXPECT_EQ(getLangText("missing"), "null");

    const LangData* entry = findLangEntry("close");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->getKey(), "close");
    EXPECT_EQ(getLangTextFor(entry, 0), "Close");
    EXPECT_EQ(getLangTextFor(entry, 1), "收盘");
    EXPECT_EQ(getLangTextFor(entry, 2), "null");
    EXPECT_EQ(getLangTextFor(entry, -1), "null");
    EXPECT_EQ(getLangTextFor(nullptr, 0), "null");
    EXPECT_EQ(findLangEntry("missing"), nullptr);
}

TEST_F(LanguageTableTest, ShortOrMissingFiles) {
    // A count that promises more than the data holds gives entries with empty texts.
    const std::string path = writeTable(3, {{"high", "High", "最高"}, {"low"}});
    ASSERT_TRUE(loadLanguageTable(path));
    EXPECT_EQ(getLangText("high"), "最高");
    ASSERT_NE(findLangEntry("low"), nullptr);
    EXPECT_EQ(getLangText("low"), "");
    EXPECT_NE(findLangEntry(""), nullptr);

    // A missing file reports false and leaves the loaded table alone.
    EXPECT_FALSE(loadLanguageTable(home_.folder() + "absent.xc"));
    EXPECT_EQ(getLangText("high"), "最高");

    // An empty file is an empty table.
    ASSERT_TRUE(writeWholeFile(home_.folder() + "empty.xc", ""));
    EXPECT_TRUE(loadLanguageTable(home_.folder() + "empty.xc"));
    EXPECT_EQ(findLangEntry("high"), nullptr);
}

TEST_F(LanguageTableTest, CallersFallBackToDefaultThenKeepTheirText) {
    ConsoleCapture console;
    ASSERT_TRUE(loadLanguageTable(writeTable(2, {{"default", "--", "——"}, {"layout", "Layout", "布局"}})));
    EXPECT_EQ(getLangTextOrDefault("layout", "old"), "布局");
    EXPECT_FALSE(logged(console, "get lang data failed:layout"));

    EXPECT_EQ(getLangTextOrDefault("country9", "old"), "——");
    EXPECT_TRUE(logged(console, "get lang data failed:country9"));
    EXPECT_EQ(getLangTextOrDefault("language", "old", " [language]"), "——");
    EXPECT_TRUE(logged(console, "get lang data failed: [language]"));

    TestLabel label;
    label.setString("before");
    setLangText(&label, "layout");
    EXPECT_STREQ(label.getString(), "布局");
    setLangText(&label, "nothing");
    EXPECT_STREQ(label.getString(), "——");
    setLangText(nullptr, "layout");

    // Without a "default" entry the caller's previous text stays.
    ASSERT_TRUE(loadLanguageTable(writeTable(1, {{"layout", "Layout", "布局"}})));
    console.clear();
    EXPECT_EQ(getLangTextOrDefault("feedback", "previous"), "previous");
    EXPECT_TRUE(logged(console, "get lang data failed:feedback"));
    label.setString("kept");
    setLangText(&label, "feedback");
    EXPECT_STREQ(label.getString(), "kept");
}

TEST_F(LanguageTableTest, BoundTextsFollowEverySwitchUntilTheirNodeDies) {
    ConsoleCapture console;
    ASSERT_TRUE(loadLanguageTable(writeTable(
        3, {{"begin", "Previous:", "前值:"}, {"actual", "Actual:", "公布:"}, {"month", "month", "月"}})));
    const size_t before = langBindingCount();

    auto* month = new TestLabel();
    bindLangText(month, "month");
    EXPECT_STREQ(month->getString(), "月") << "a binding sets the text at once";
    // A composed text and an owner that relays out on every switch.
    auto* values = new TestLabel();
    int relayouts = 0;
    bindLangRefresh(values, [&] {
        values->setString((getLangText("begin") + "1.2" + getLangText("actual") + "1.5").c_str());
        ++relayouts;
    });
    EXPECT_EQ(langBindingCount(), before + 2);

    EXPECT_TRUE(switchLanguage(0));
    EXPECT_EQ(getCurrentLanguage(), 0);
    EXPECT_STREQ(month->getString(), "month");
    EXPECT_STREQ(values->getString(), "Previous:1.2Actual:1.5");
    EXPECT_EQ(relayouts, 2);

    // Out of range changes nothing and re-reads nothing.
    EXPECT_FALSE(switchLanguage(2));
    EXPECT_FALSE(switchLanguage(-1));
    EXPECT_EQ(getCurrentLanguage(), 0);
    EXPECT_EQ(relayouts, 2);

    // A dead node's binding goes with it; one unbound stays as it was.
    month->release();
    EXPECT_EQ(langBindingCount(), before + 1);
    unbindLang(values);
    EXPECT_TRUE(switchLanguage(1));
    EXPECT_STREQ(values->getString(), "Previous:1.2Actual:1.5");
    EXPECT_EQ(langBindingCount(), before);
    values->release();
}

TEST_F(LanguageTableTest, BindingsMayComeAndGoDuringASwitch) {
    ASSERT_TRUE(loadLanguageTable(writeTable(1, {{"news", "News", "快讯"}})));
    const size_t before = langBindingCount();
    auto* owner = new TestLabel();
    auto* doomed = new TestLabel();
    TestLabel* added = nullptr;
    bindLangText(doomed, "news");
    // A relayout that drops one row and adds another, as a list rebuilt on a switch does.
    bindLangRefresh(owner, [&] {
        if (getCurrentLanguage() != 0 || added) return;
        doomed->release();
        doomed = nullptr;
        added = new TestLabel();
        bindLangText(added, "news");
    });
    EXPECT_TRUE(switchLanguage(0));
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->getString(), "News");
    EXPECT_EQ(langBindingCount(), before + 2);
    EXPECT_TRUE(switchLanguage(1));
    EXPECT_STREQ(added->getString(), "快讯");
    added->release();
    owner->release();
    EXPECT_EQ(langBindingCount(), before);
}
