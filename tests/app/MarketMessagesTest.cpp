#include <gtest/gtest.h>

#include <limits>

#include "MarketMessages.h"

using namespace market_messages;

TEST(MarketMessages, SubscriptionsAreCompactJsonByteForByte) {
    EXPECT_EQ(quoteSubscription({"AUDJPY", "EURUSD", "AUDJPY"}), R"({"list":["AUDJPY","EURUSD","AUDJPY"]})");
    EXPECT_EQ(quoteSubscription({}), R"({"list":[]})");
    EXPECT_EQ(klineSubscription({{"AUDJPY", 1}, {"XAUUSD", 1440}}),
              R"({"list":[{"symbol":"AUDJPY","timeType":1},{"symbol":"XAUUSD","timeType":1440}]})");
    // Codes are escaped, never spliced into the text.
    EXPECT_EQ(quoteSubscription({"A\"B"}), R"({"list":["A\"B"]})");
}

TEST(MarketMessages, QuoteElementsByPositionAndType) {
    Quote quote;
    ASSERT_EQ(parseQuote(R"(["EURUSD", 1.1, 1.2, 1.0, 1.15, 1700000000])", quote), ParseResult::Ok);
    EXPECT_EQ(quote.code, "EURUSD");
    EXPECT_FLOAT_EQ(quote.reference, 1.1f);
    EXPECT_FLOAT_EQ(quote.high, 1.2f);
    EXPECT_FLOAT_EQ(quote.low, 1.0f);
    EXPECT_FLOAT_EQ(quote.last, 1.15f);
    EXPECT_EQ(quote.time, 1700000000);

    Quote partial;
    ASSERT_EQ(parseQuote(R"(["GBPUSD", "x", 2])", partial), ParseResult::Ok);
    EXPECT_EQ(partial.code, "GBPUSD");
    EXPECT_EQ(partial.reference, 0);
    EXPECT_FLOAT_EQ(partial.high, 2);
    EXPECT_EQ(partial.last, 0);

    Quote huge;
    ASSERT_EQ(parseQuote(R"([5, 1e300, 1, 1, -1e300, 1e300])", huge), ParseResult::Ok);
    EXPECT_EQ(huge.code, "");
    EXPECT_GT(huge.time, 0);
    EXPECT_EQ(huge.reference, std::numeric_limits<float>::max());
    EXPECT_EQ(huge.last, -std::numeric_limits<float>::max());

    Quote ignored;
    EXPECT_EQ(parseQuote("{not json", ignored), ParseResult::BadJson);
    EXPECT_EQ(parseQuote(R"({"code":"EURUSD"})", ignored), ParseResult::NotArray);
}

TEST(MarketMessages, BarsWithDefaultsAndSkippedElements) {
    std::vector<LiveBar> bars;
    ASSERT_EQ(
        parseBars(R"([["EURUSD", 1700000040, 1.1, 1.2, 1.0, 1.15, 42, 5], "junk", ["XAUUSD", 1700000100],
                            ["GBPUSD", 60, 1, 2, 3, 4, 5, 15, "extra", 99]])",
                  bars),
        ParseResult::Ok);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].code, "EURUSD");
    EXPECT_EQ(bars[0].time, 1700000040u);
    EXPECT_FLOAT_EQ(bars[0].close, 1.15f);
    EXPECT_EQ(bars[0].volume, 42);
    EXPECT_EQ(bars[0].timeType, 5);
    // [code, time] only: zero prices and the default time type.
    EXPECT_EQ(bars[1].code, "XAUUSD");
    EXPECT_EQ(bars[1].open, 0);
    EXPECT_EQ(bars[1].close, 0);
    EXPECT_EQ(bars[1].timeType, 1);
    // Items past the eighth are ignored.
    EXPECT_EQ(bars[2].timeType, 15);

    std::vector<LiveBar> none;
    EXPECT_EQ(parseBars("[[", none), ParseResult::BadJson);
    EXPECT_EQ(parseBars("17", none), ParseResult::NotArray);
    EXPECT_TRUE(none.empty());
    // Deep nesting is parsed without recursion and yields nothing usable.
    EXPECT_EQ(parseBars(std::string(100000, '[') + std::string(100000, ']'), none), ParseResult::Ok);
}
