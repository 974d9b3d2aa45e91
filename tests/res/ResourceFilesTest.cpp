#include "RgbaImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string RES_DIR = ZENTO_TEST_RES_DIR;

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

uint32_t little(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

struct Wave {
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    std::vector<int16_t> samples;
};

// Walks the RIFF chunks; an empty result means the file is not a PCM WAV the mixer can take.
std::optional<Wave> readWave(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    Wave wave;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = little(bytes, at + 4, 4);
        if (at + 8 + size > bytes.size()) return std::nullopt;
        if (id == "fmt ") {
            if (size < 16 || little(bytes, at + 8, 2) != 1) return std::nullopt;
            wave.channels = static_cast<int>(little(bytes, at + 10, 2));
            wave.sampleRate = static_cast<int>(little(bytes, at + 12, 4));
            wave.bits = static_cast<int>(little(bytes, at + 22, 2));
            haveFormat = true;
        } else if (id == "data" && haveFormat && wave.bits == 16) {
            for (size_t i = 0; i + 1 < size; i += 2)
                wave.samples.push_back(static_cast<int16_t>(little(bytes, at + 8 + i, 2)));
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || wave.samples.empty()) return std::nullopt;
    return wave;
}

}  // namespace

TEST(ResourceFiles, PicturesDecodeWithUsableSizes) {
    std::string error;
    const auto map = RgbaImage::loadPng(RES_DIR + "/bg/worldMap.png", error);
    ASSERT_TRUE(map) << error;
    // Equirectangular: about 5.7 px per degree both ways, wider than twice its height once the poles are cut.
    EXPECT_GE(map->width(), 1024);
    EXPECT_GT(map->width(), 2 * map->height());
    EXPECT_EQ(map->pixel(0, 0).a, 255) << "the map is opaque so that it covers the window";

    for (const char* name : {"/bg/lineTypeBg.png", "/bg/loadingLeft.png"}) {
        const auto picture = RgbaImage::loadPng(RES_DIR + name, error);
        EXPECT_TRUE(picture) << error;
    }
    // The area chart's fill fades towards the bottom.
    const auto area = RgbaImage::loadPng(RES_DIR + "/bg/lineTypeBg.png", error);
    ASSERT_TRUE(area) << error;
    EXPECT_GT(area->pixel(0, 0).a, area->pixel(0, area->height() - 1).a);

    const std::string jpeg = readBytes(RES_DIR + "/bg/closedBg.jpg");
    ASSERT_GT(jpeg.size(), 1000u);
    EXPECT_EQ(jpeg.substr(0, 3), std::string("\xFF\xD8\xFF"));
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), std::string("\xFF\xD9"));
}

TEST(ResourceFiles, NumberAtlasHasOneGlyphPerCellFromMinusToNine) {
    std::string error;
    const auto atlas = RgbaImage::loadPng(RES_DIR + "/fonts/number.png", error);
    ASSERT_TRUE(atlas) << error;
    constexpr int CELL_WIDTH = 10;
    constexpr int CELL_HEIGHT = 18;
    const int cells = '9' - '-' + 1;
    ASSERT_EQ(atlas->width(), cells * CELL_WIDTH);
    ASSERT_EQ(atlas->height(), CELL_HEIGHT);
    for (int cell = 0; cell < cells; ++cell) {
        int inked = 0;
        for (int y = 0; y < CELL_HEIGHT; ++y)
            for (int x = 0; x < CELL_WIDTH; ++x) {
                const Rgba p = atlas->pixel(cell * CELL_WIDTH + x, y);
                if (p.a > 128) ++inked;
                // White glyphs, so that a label's colour tints them.
                if (p.a > 200) {
                    EXPECT_GT(std::min({p.r, p.g, p.b}), 200) << "cell " << cell;
                }
            }
        EXPECT_GT(inked, 0) << "cell for '" << static_cast<char>('-' + cell) << "' is empty";
    }
    // The change texts end in "/", which must read as a percent sign: its cell has ink in the top-left
    // and bottom-right quarters (the two rings), where a slash has none.
    const int percentCell = '/' - '-';
    auto inkIn = [&](int x0, int y0) {
        int ink = 0;
        for (int y = y0; y < y0 + CELL_HEIGHT / 2; ++y)
            for (int x = x0; x < x0 + CELL_WIDTH / 2; ++x)
                if (atlas->pixel(percentCell * CELL_WIDTH + x, y).a > 128) ++ink;
        return ink;
    };
    EXPECT_GT(inkIn(0, 0), 0);
    EXPECT_GT(inkIn(CELL_WIDTH / 2, CELL_HEIGHT / 2), 0);
}

TEST(ResourceFiles, ClicksAreShortSoftPcmSounds) {
    for (const char* name : {"/audio/mouseHover.wav", "/audio/click.wav"}) {
        const auto wave = readWave(readBytes(RES_DIR + name));
        ASSERT_TRUE(wave) << name << " is not a 16-bit PCM WAV";
        EXPECT_EQ(wave->channels, 1) << name;
        EXPECT_EQ(wave->sampleRate, 44100) << name;
        const double seconds = static_cast<double>(wave->samples.size()) / wave->sampleRate;
        EXPECT_GT(seconds, 0.01) << name;
        EXPECT_LT(seconds, 0.2) << name;
        int peak = 0;
        for (int16_t s : wave->samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 1000) << name << " is silent";
        EXPECT_LT(peak, 16384) << name << " is louder than half scale";
        // Starts and ends at rest, so it does not pop.
        EXPECT_LT(std::abs(static_cast<int>(wave->samples.front())), 200) << name;
        EXPECT_LT(std::abs(static_cast<int>(wave->samples.back())), 200) << name;
    }
}

TEST(ResourceFiles, FontIsATrueTypeFileOrCollection) {
    const std::string font = readBytes(RES_DIR + "/fonts/MiYaHei.ttf");
    ASSERT_GT(font.size(), 1000000u) << "the CJK font is missing or cut short";
    const std::string magic = font.substr(0, 4);
    EXPECT_TRUE(magic == "ttcf" || magic == std::string("\0\1\0\0", 4) || magic == "true" || magic == "OTTO")
        << "unexpected font signature";
}
