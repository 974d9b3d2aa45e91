#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "HttpHelpers.h"
#include "NewsRecords.h"

using namespace news_records;

namespace {
// Runs with the process zone set to zone, then restores it (the terminal itself never sets TZ).
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (saved_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", saved_.c_str(), 1);
        tzset();
    }

private:
    std::string saved_;
};
}  // namespace

TEST(NewsRecords, HistoryRequestBodyIsTheServicesCompactObject) {
    EXPECT_EQ(historyRequestBody(),
              R"({"app":"PC","password":"Zentoplkmnjuh62yt5gbv3c","method":"GetFlashListRequest",)"
              R"("sessionId":"","jsonStr":{"wheres":{"MaxTime":0},"limit":50}})");
    EXPECT_STREQ(JSON_CONTENT_TYPE_HEADER, "Content-Type: application/json; charset=utf-8");
}

TEST(NewsRecords, StripTagsRemovesTagsLeftToRightUpToTheBound) {
    EXPECT_EQ(stripTags("plain text"), "plain text");
    EXPECT_EQ(stripTags("<b>【行情】</b>gold <a href=\"/x\"><i>up</i></a>"), "【行情】gold up");
    std::string many;
    for (int i = 0; i < 101; ++i) many += "<t>" + std::to_string(i);
    // The hundred-and-first tag stays.
    EXPECT_EQ(stripTags(many).substr(0, 6), "012345");
    EXPECT_NE(stripTags(many).find("<t>100"), std::string::npos);
    EXPECT_EQ(stripTags(many).find("<t>99"), std::string::npos);
    // A stray ">" before the first tag is text, not the end of everything after the "<".
    EXPECT_EQ(stripTags("a > b <b>bold</b> tail"), "a > b bold tail");
    // A "<" never closed stays as it is.
    EXPECT_EQ(stripTags("x <b>y</b> 3 < 4"), "x y 3 < 4");
    EXPECT_EQ(cleanNewsText("1 < 2 <br>"), "1 < 2 <br>");
    EXPECT_EQ(cleanNewsText("<b>a</b>"), "a");
    EXPECT_EQ(cleanNewsText("<a href=\"q\">a</a>"), "a");
}

TEST(NewsRecords, PayloadsAreDecodedWhenQuotedAndSplitAtEveryHash) {
    EXPECT_EQ(*decodePayload("0#09:30#text#key"), "0#09:30#text#key");
    EXPECT_EQ(*decodePayload(R"("0#09:30#<a href=\"/n/1\">x</a>#2024-05-15 09:30:00")"),
              "0#09:30#<a href=\"/n/1\">x</a>#2024-05-15 09:30:00");
    EXPECT_EQ(*decodePayload(R"("\u4e2d#\n")"), "中#\n");
    EXPECT_FALSE(decodePayload(R"("0#unterminated)").has_value());
    EXPECT_FALSE(decodePayload(R"("a" "b")").has_value());

    EXPECT_EQ(splitFields("5"), (std::vector<std::string>{"5"}));
    EXPECT_EQ(splitFields("5#"), (std::vector<std::string>{"5", ""}));
    EXPECT_EQ(splitFields("#a##b"), (std::vector<std::string>{"", "a", "", "b"}));

    for (int type = 0; type <= 5; ++type) EXPECT_EQ(recordType(std::to_string(type)), type);
    for (const char* other : {"6", "x", "", "-1", "01", "1.0", " 1"})
        EXPECT_EQ(recordType(other), -1) << other;
}

TEST(NewsRecords, HistoryTimesReadPositionallyZIsUtcOtherwiseLocal) {
    {
        ZoneScope zone("UTC");
        EXPECT_EQ(historyFlashKey("2024-05-15 13:30:05"), "2024-05-15 13:30:05");
        EXPECT_EQ(historyFlashKey("2024-05-15T13:30:05"), "2024-05-15 13:30:05");
        EXPECT_EQ(historyFlashKey("2024-05-15T13:30:05Z"), "2024-05-15 13:30:05");
    }
    {
        ZoneScope zone("America/New_York");
        // What the feed sends: UTC whatever the computer's zone.
        EXPECT_EQ(historyFlashKey("2024-05-15T13:30:05Z"), "2024-05-15 13:30:05");
        EXPECT_EQ(historyFlashKey("2024-01-15 23:59:59Z"), "2024-01-15 23:59:59");
        // Without a Z the time is local: daylight time in May, standard time in January.
        EXPECT_EQ(historyFlashKey("2024-05-15 13:30:05"), "2024-05-15 17:30:05");
        EXPECT_EQ(historyFlashKey("2024-01-15T23:30:00"), "2024-01-16 04:30:00");
    }
    for (const char* bad :
         {"", "2024-05-15 13:30", "2024-05-15 13:30:0", "garbage garbage garb", "2024-13-15 10:00:00Z",
          "2024-02-30 10:00:00Z", "2024-05-15 24:00:00Z", "2024-05-15 10:60:00Z", "2024-05-15 10:00:61Z",
          "20x4-05-15 10:00:00", "2024/05/15 10:00:00"})
        EXPECT_EQ(historyFlashKey(bad), "") << bad;
}

TEST(NewsRecords, HistoryRepliesAreTypeChecked) {
    std::vector<HistoryItem> items;
    auto read = [&items](const std::string& text) {
        rapidjson::Document document;
        parseJson(text, document);
        return readHistoryReply(document, items);
    };
    EXPECT_EQ(read(R"({"status_code":500,"data":[]})"), HistoryReply::Failed);
    EXPECT_EQ(read(R"({"status_code":"200","data":[]})"), HistoryReply::Failed);
    EXPECT_EQ(read(R"({"data":[]})"), HistoryReply::Failed);
    EXPECT_EQ(read(R"([{"status_code":200}])"), HistoryReply::Failed);
    EXPECT_EQ(read("not json"), HistoryReply::Failed);
    EXPECT_EQ(read(R"({"status_code":200})"), HistoryReply::NoData);
    EXPECT_EQ(read(R"({"status_code":200,"data":{}})"), HistoryReply::NoData);
    EXPECT_EQ(read(R"({"status_code":200,"data":[]})"), HistoryReply::Items);
    EXPECT_TRUE(items.empty());

    ASSERT_EQ(read(R"({"status_code":200.0,"data":[7,"x",{"type":1.0,"content":"a#b","timestr":"t"},)"
                   R"({"type":"1","content":5,"timestr":null},{"type":1e30},{"type":-2.7},{}]})"),
              HistoryReply::Items);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].type, 1);
    EXPECT_EQ(items[0].content, "a#b");
    EXPECT_EQ(items[0].timestr, "t");
    EXPECT_EQ(items[1].type, 0);
    EXPECT_EQ(items[1].content, "");
    EXPECT_EQ(items[1].timestr, "");
    EXPECT_EQ(items[2].type, 2147483647);
    EXPECT_EQ(items[3].type, -2);
    EXPECT_EQ(items[4].type, 0);
}

TEST(NewsRecords, UtcKeysOfBothFormsParseAndOthersDoNot) {
    const auto flash = parseUtcKey("2024-05-15 13:30:05");
    ASSERT_TRUE(flash.has_value());
    EXPECT_EQ(flash->unixSeconds, 1715779805);
    EXPECT_TRUE(flash->withSeconds);
    const auto data = parseUtcKey("2024-05-15 13:30");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->unixSeconds, 1715779800);
    EXPECT_FALSE(data->withSeconds);
    for (const char* other : {"09:30", "2024-05-15T13:30:05", "2024-05-15 13:30:05Z", "abc", ""})
        EXPECT_FALSE(parseUtcKey(other).has_value()) << other;
}
