#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "LogLines.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace {
using Bytes = std::vector<unsigned char>;

Bytes toBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Compresses with the real gzip command; the source is kept.
Bytes gzipWithCommand(const std::string& folder, const std::string& name, const std::string& content,
                      const std::string& level = "-6") {
    const std::string path = folder + name;
    if (!writeWholeFile(path, content)) return {};
    if (runCommand({"gzip", level, "-c", "-n", path}, path + ".gz") != 0) return {};
    auto compressed = readWholeFile(path + ".gz");
    std::remove((path + ".gz").c_str());
    std::remove(path.c_str());
    return compressed ? toBytes(*compressed) : Bytes{};
}

// Bars as the history files hold them: time,open,high,low,close,volume.
std::string makeCsv(size_t targetBytes) {
    std::string csv;
    csv.reserve(targetBytes + 128);
    std::mt19937 random(20261206);
    long time = 1700000000;
    double price = 1923.45;
    char line[128];
    while (csv.size() < targetBytes) {
        price += (static_cast<int>(random() % 2001) - 1000) / 1000.0;
        double high = price + (random() % 500) / 100.0;
        double low = price - (random() % 500) / 100.0;
        int length = std::snprintf(line, sizeof(line), "%ld,%.2f,%.2f,%.2f,%.2f,%u\n", time, price, high, low,
                                   price + 0.25, static_cast<unsigned>(random() % 100000));
        csv.append(line, static_cast<size_t>(length));
        time += 60;
    }
    return csv;
}

int inflateInto(const Bytes& compressed, Bytes& output, size_t capacity) {
    output.assign(capacity, 0xCD);
    size_t length = capacity;
    int result = gzipInflate(compressed.data(), compressed.size(), output.data(), length);
    if (result == 0) output.resize(length);
    return result;
}

class GzipInflateTest : public testing::Test {
protected:
    TempHome home_;
};
}  // namespace

TEST_F(GzipInflateTest, InflatesSmallAndEmptyFilesMadeByGzip) {
    std::string small = "time,open,high,low,close,volume\n";
    for (int k = 0; k < 300; ++k) small += std::to_string(1700000000 + 60 * k) + ",1.1,1.2,1.0,1.15,42\n";
    for (int k = 0; k < 256; ++k) small += static_cast<char>(k);

    for (const std::string& content : {std::string(), std::string("x"), small}) {
        for (const char* level : {"-1", "-6", "-9"}) {
            const Bytes compressed = gzipWithCommand(home_.folder(), "data.csv", content, level);
            ASSERT_FALSE(compressed.empty());
            Bytes output;
            ASSERT_EQ(inflateInto(compressed, output, content.size() + 100), 0) << level;
            EXPECT_EQ(output, toBytes(content));

            Bytes grown;
            ASSERT_EQ(gzipInflate(compressed.data(), compressed.size(), grown), 0);
            EXPECT_EQ(grown, toBytes(content));
        }
    }
}

TEST_F(GzipInflateTest, InflatesFiftyMegabytesOfCsv) {
    const std::string csv = makeCsv(50u * 1000 * 1000);
    // The fastest level keeps the test quick; the stream format is the same at every level.
    const Bytes compressed = gzipWithCommand(home_.folder(), "history.csv", csv, "-1");
    ASSERT_FALSE(compressed.empty());
    ASSERT_LT(compressed.size(), csv.size());

    Bytes output;
    ASSERT_EQ(inflateInto(compressed, output, csv.size()), 0);
    ASSERT_EQ(output.size(), csv.size());
    EXPECT_TRUE(std::equal(output.begin(), output.end(), csv.begin()));

    // The growing form ends at the stream's end, far beyond its first guess.
    Bytes grown;
    ASSERT_EQ(gzipInflate(compressed.data(), compressed.size(), grown), 0);
    ASSERT_EQ(grown.size(), csv.size());
    EXPECT_TRUE(std::equal(grown.begin(), grown.end(), csv.begin()));
}

TEST_F(GzipInflateTest, OutputThatDoesNotFitIsAFailure) {
    const std::string content = makeCsv(100000);
    const Bytes compressed = gzipWithCommand(home_.folder(), "bars.csv", content);
    ASSERT_FALSE(compressed.empty());
    Bytes output;
    EXPECT_EQ(inflateInto(compressed, output, content.size()), 0);
    EXPECT_EQ(output.size(), content.size());
    EXPECT_EQ(inflateInto(compressed, output, content.size() * 3), 0);
    EXPECT_EQ(output.size(), content.size());
    EXPECT_EQ(inflateInto(compressed, output, content.size() - 1), -1);
    EXPECT_EQ(inflateInto(compressed, output, 0), -1);

    Bytes grown;
    EXPECT_EQ(gzipInflate(compressed.data(), compressed.size(), grown, content.size()), 0);
    EXPECT_EQ(grown.size(), content.size());
    EXPECT_EQ(gzipInflate(compressed.data(), compressed.size(), grown, content.size() - 1), -1);
    EXPECT_TRUE(grown.empty());

    // An empty file's stream fits a buffer of nothing.
    const Bytes empty = gzipWithCommand(home_.folder(), "empty", "");
    size_t length = 0;
    EXPECT_EQ(gzipInflate(empty.data(), empty.size(), nullptr, length), 0);
    EXPECT_EQ(length, 0u);
}

TEST_F(GzipInflateTest, PiecesJoinToTheWholeOutputAndKeepTheLimit) {
    const std::string content = makeCsv(3u * 1000 * 1000);
    const Bytes compressed = gzipWithCommand(home_.folder(), "pieces.csv", content);
    ASSERT_FALSE(compressed.empty());
    Bytes joined;
    size_t pieces = 0;
    const auto collect = [&](const unsigned char* piece, size_t length) {
        joined.insert(joined.end(), piece, piece + length);
        ++pieces;
    };
    ASSERT_EQ(gzipInflatePieces(compressed.data(), compressed.size(), SIZE_MAX, collect), 0);
    EXPECT_GT(pieces, 1u);
    EXPECT_TRUE(joined == toBytes(content));

    // Exactly at the limit fits; one byte less fails as the growing form does.
    joined.clear();
    EXPECT_EQ(gzipInflatePieces(compressed.data(), compressed.size(), content.size(), collect), 0);
    EXPECT_EQ(joined.size(), content.size());
    ConsoleCapture console;
    EXPECT_EQ(gzipInflatePieces(compressed.data(), compressed.size(), content.size() - 1, collect), -1);
    EXPECT_TRUE(logged(console, "gzipInflate failed: output larger than the limit"));
    Bytes truncated(compressed.begin(),
                    compressed.begin() + static_cast<std::ptrdiff_t>(compressed.size() / 2));
    EXPECT_EQ(gzipInflatePieces(truncated.data(), truncated.size(), SIZE_MAX, collect), -1);
    EXPECT_EQ(gzipInflatePieces(nullptr, 0, SIZE_MAX, collect), -1);
}

TEST_F(GzipInflateTest, TruncatedInputIsAFailure) {
    const std::string content = makeCsv(200000);
    const Bytes compressed = gzipWithCommand(home_.folder(), "bars.csv", content);
    ASSERT_GT(compressed.size(), 100u);
    for (size_t keep : {size_t{0}, size_t{1}, size_t{9}, size_t{10}, size_t{30}, compressed.size() / 2,
                        compressed.size() - 8, compressed.size() - 4, compressed.size() - 1}) {
        Bytes cut(compressed.begin(), compressed.begin() + static_cast<long>(keep));
        Bytes output;
        EXPECT_EQ(inflateInto(cut, output, content.size() + 10), -1) << "kept " << keep;
        Bytes grown{1, 2, 3};
        EXPECT_EQ(gzipInflate(cut.data(), cut.size(), grown), -1) << "kept " << keep;
        EXPECT_TRUE(grown.empty());
    }
}

TEST_F(GzipInflateTest, CorruptInputIsAFailure) {
    const std::string content = makeCsv(50000);
    const Bytes compressed = gzipWithCommand(home_.folder(), "bars.csv", content);
    ASSERT_GT(compressed.size(), 100u);
    Bytes output;

    Bytes badMagic = compressed;
    badMagic[0] = 0x1E;
    EXPECT_EQ(inflateInto(badMagic, output, content.size()), -1);

    Bytes badCrc = compressed;
    badCrc[badCrc.size() - 6] ^= 0x01;
    EXPECT_EQ(inflateInto(badCrc, output, content.size()), -1);

    Bytes badLength = compressed;
    badLength[badLength.size() - 2] ^= 0x01;
    EXPECT_EQ(inflateInto(badLength, output, content.size()), -1);

    // zlib-wrapped and raw bytes are not gzip files.
    uLongf zlibLength = compressBound(static_cast<uLong>(content.size()));
    Bytes zlibData(zlibLength);
    ASSERT_EQ(compress(zlibData.data(), &zlibLength, reinterpret_cast<const Bytef*>(content.data()),
                       static_cast<uLong>(content.size())),
              Z_OK);
    zlibData.resize(zlibLength);
    EXPECT_EQ(inflateInto(zlibData, output, content.size()), -1);
    EXPECT_EQ(inflateInto(toBytes(content), output, content.size()), -1);

    // Any single flipped byte either fails or, in a field that carries no data, still gives the
    // original bytes (the CRC-32 guards the rest).
    std::mt19937 random(7);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes flipped = compressed;
        size_t at = random() % flipped.size();
        flipped[at] ^= static_cast<unsigned char>(1 + random() % 255);
        int result = inflateInto(flipped, output, content.size() + 1000);
        if (result == 0) {
            EXPECT_EQ(output, toBytes(content)) << "flipped byte " << at;
        } else {
            EXPECT_EQ(result, -1);
            ++failures;
        }
    }
    EXPECT_GT(failures, 250);

    size_t length = 10;
    EXPECT_EQ(gzipInflate(nullptr, 0, output.data(), length), -1);
}

TEST_F(GzipInflateTest, StopsAtTheEndOfTheStream) {
    const std::string content = "1700000000,1.1,1.2,1.0,1.15,42\n";
    Bytes compressed = gzipWithCommand(home_.folder(), "one.csv", content);
    ASSERT_FALSE(compressed.empty());
    compressed.insert(compressed.end(), {'j', 'u', 'n', 'k'});
    Bytes output;
    ASSERT_EQ(inflateInto(compressed, output, 1000), 0);
    EXPECT_EQ(output, toBytes(content));
}
