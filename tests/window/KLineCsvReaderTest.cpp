#include "KLineCsvReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ParseKLineStruct.h"

// The inflater hands the text over in pieces that cut lines anywhere: every cut gives the bars and
// the skipped count of the whole text at once.
TEST(KLineCsvReader, LinesCutBetweenPiecesReadAsWholeLines) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        const std::string t = std::to_string(1700000000 + 60 * i);
        switch (i % 7) {
            case 0:
                text += t + ",1.08123,1.0815,1.081,-1.5,12\n";
                break;
            case 1:
                text += t + ", 1.2 ,1.4,1.1,1.3, 16.7\r\n";
                break;  // the careful way
            case 2:
                text += t + ",1.2,1.4,1.1\n";
                break;  // five fields
            case 3:
                text += t + ",1.25,1.2x,1.2,1.3,18\n";
                break;  // not a number
            case 4:
                text += "\n";
                break;
            case 5:
                text += std::to_string(1700000000 + 60 * (i - 5)) + ",2,2,2,2,1\n";
                break;  // known time
            default:
                text += t + ",1e-3,1,0.5,0.75,9\n";
                break;
        }
    }
    text += "1690000000,1,1,1,1,1";  // oldest, no final newline
    size_t wholeSkipped = 0;
    const auto whole = ParseKLineStruct::parseBars(reinterpret_cast<const unsigned char*>(text.data()),
                                                   text.size(), wholeSkipped);
    ASSERT_GT(whole.size(), 150u);
    ASSERT_GT(wholeSkipped, 100u);

    std::mt19937 random(11);
    for (size_t largest : {size_t{1}, size_t{7}, size_t{60}, size_t{4096}}) {
        KLineCsvReader reader(16);
        for (size_t at = 0; at < text.size();) {
            const size_t length = std::min(text.size() - at, 1 + random() % largest);
            reader.feed(text.data() + at, length);
            at += length;
        }
        size_t skipped = 0;
        const auto bars = reader.finish(skipped);
        EXPECT_EQ(skipped, wholeSkipped) << largest;
        ASSERT_EQ(bars.size(), whole.size()) << largest;
        for (size_t k = 0; k < bars.size(); ++k) {
            EXPECT_EQ(bars[k]->time, whole[k]->time);
            EXPECT_EQ(bars[k]->open, whole[k]->open);
            EXPECT_EQ(bars[k]->close, whole[k]->close);
            EXPECT_EQ(bars[k]->volume, whole[k]->volume);
            EXPECT_TRUE(std::equal(bars[k]->color, bars[k]->color + 4, whole[k]->color));
        }
    }
    EXPECT_EQ(whole.front()->time, 1690000000u);
}
