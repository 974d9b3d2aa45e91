#include "ParseKLineStruct.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KLineHistoryLoader.h"
#include "WindowTestSupport.h"

namespace {
std::vector<std::unique_ptr<KLineBar>> parse(const std::string& text, size_t& skipped) {
    return ParseKLineStruct::parseBars(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                       skipped);
}

// Hands raw bytes to a batch as the loader does and runs the parse thread's body on this thread.
void handAndParse(ParseKLineStruct& batch, const std::shared_ptr<ParseKLineStruct>& shared,
                  std::vector<unsigned char> raw) {
    uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> guard(batch.lock);
        batch.discardLocked();
        batch.rawData = std::move(raw);
        batch.rawSize = static_cast<uint32_t>(batch.rawData.size());
        batch.state = BATCH_PARSING;
        ticket = batch.ticket;
    }
    KLineHistoryLoader::parseKLineThread(shared, ticket);
}
}  // namespace

TEST(ParseKLineStruct, LinesWithAnotherFieldCountOrNonNumbersAreSkipped) {
    size_t skipped = 0;
    const std::string text =
        "1700000060,1.1,1.3,1.0,1.2,15\n"
        "1700000120,1.2,1.4,1.1\n"               // five fields
        "1700000180,1.2,1.4,1.1,1.3,16,extra\n"  // seven fields
        "1700000240,1.3,1.5,1.2,1.25,17\r\n"     // CRLF line
        "1700000300,1.25,abc,1.2,1.3,18\n"       // not a number
        "\n"
        "1700000000,1.0,1.0,1.0,1.0,14";  // out of order, no final newline
    auto bars = parse(text, skipped);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(skipped, 3u);
    // Sorted by time.
    EXPECT_EQ(bars[0]->time, 1700000000u);
    EXPECT_EQ(bars[1]->time, 1700000060u);
    EXPECT_EQ(bars[2]->time, 1700000240u);
    EXPECT_EQ(bars[1]->open, 1.1f);
    EXPECT_EQ(bars[1]->high, 1.3f);
    EXPECT_EQ(bars[1]->low, 1.0f);
    EXPECT_EQ(bars[1]->close, 1.2f);
    EXPECT_EQ(bars[1]->volume, 15);
    EXPECT_EQ(bars[2]->volume, 17);
    // Colours use rising-green with the close of the line before as reference: the flat bar came
    // after the 1.25 close, so it falls (red under rising-green).
    EXPECT_TRUE(std::equal(bars[1]->color, bars[1]->color + 4, KLINE_GREEN));
    EXPECT_TRUE(std::equal(bars[0]->color, bars[0]->color + 4, KLINE_RED));

    // Out-of-range numbers: a time beyond 32 bits is refused, a huge volume is clamped.
    auto edge = parse("4294967296,1,2,0.5,1.5,1\n4294967295,1,2,0.5,1.5,99999999999\n", skipped);
    ASSERT_EQ(edge.size(), 1u);
    EXPECT_EQ(edge[0]->time, 4294967295u);
    EXPECT_EQ(edge[0]->volume, INT32_MAX);
    EXPECT_EQ(skipped, 1u);
    EXPECT_TRUE(parse("", skipped).empty());
}

TEST(ParseKLineStruct, ParseThreadPublishesBarsOrTheFailureForItsOwnTicketOnly) {
    ScopedHome home;
    auto batch = std::make_shared<ParseKLineStruct>();

    // Runs of zeros inflate to well over 20 times their compressed size, yet within the cap: every bar
    // loads.
    const std::string price = "1." + std::string(20, '0');
    std::string text;
    for (int i = 0; i < 30000; ++i) {
        text += std::to_string(1700000000 + 60 * i) + "," + price + "," + price + "," + price + "," + price +
                ",1\n";
    }
    std::vector<unsigned char> packed = gzipWithTool(text);
    ASSERT_FALSE(packed.empty());
    ASSERT_GT(text.size(), 20 * packed.size());
    ASSERT_LT(text.size(), MAX_HISTORY_INFLATE_RATIO * packed.size());
    handAndParse(*batch, batch, packed);
    EXPECT_EQ(batch->state, BATCH_PARSED);
    EXPECT_EQ(batch->bars.size(), 30000u);
    EXPECT_TRUE(batch->rawData.empty());

    // Corrupt or missing data: state 3.
    std::vector<unsigned char> corrupt = packed;
    corrupt.resize(corrupt.size() / 2);
    handAndParse(*batch, batch, corrupt);
    EXPECT_EQ(batch->state, BATCH_FAILED);
    EXPECT_TRUE(batch->bars.empty());
    EXPECT_TRUE(home.logHas("unzipData failed!!!"));
    handAndParse(*batch, batch, {});
    EXPECT_EQ(batch->state, BATCH_FAILED);

    // A thread whose ticket is no longer the batch's leaves the batch alone.
    uint64_t staleTicket = 0;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->rawData = packed;
        staleTicket = batch->ticket;
        batch->discardLocked();
        batch->rawData = bytesOf("not gzip");
        batch->state = BATCH_WAITING;
    }
    KLineHistoryLoader::parseKLineThread(batch, staleTicket);
    EXPECT_EQ(batch->state, BATCH_WAITING);
    EXPECT_EQ(batch->rawData, bytesOf("not gzip"));
    KLineHistoryLoader::parseKLineThread(nullptr, 0);
}

TEST(ParseKLineStruct, PricesReadExactlyAsStrtofReadsThem) {
    // Prices of every length and scale, and forms that take the long way (exponents, many digits).
    std::mt19937 random(7);
    std::vector<std::string> prices = {"0.1",        "1.",       ".5",   "-2.25",        "123456.7",
                                       "16777217",   "0.000001", "1e-3", "3.4028235e38", "1.2345678901234567",
                                       "99999.99999"};
    for (int i = 0; i < 3000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 9);
        const int point = static_cast<int>(random() % (digits + 1));
        std::string text;
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        prices.push_back(text);
    }
    std::string csv;
    for (size_t i = 0; i < prices.size(); ++i) {
        const std::string& p = prices[i];
        csv += std::to_string(1000 + i) + "," + p + "," + p + "," + p + "," + p + ",1\n";
    }
    size_t skipped = 0;
    auto bars =
        ParseKLineStruct::parseBars(reinterpret_cast<const unsigned char*>(csv.data()), csv.size(), skipped);
    ASSERT_EQ(bars.size(), prices.size());
    EXPECT_EQ(skipped, 0u);
    for (size_t i = 0; i < prices.size(); ++i) {
        const float expected = std::strtof(prices[i].c_str(), nullptr);
        EXPECT_EQ(bars[i]->open, expected) << prices[i];
        EXPECT_EQ(bars[i]->close, expected) << prices[i];
    }
}
