#include "ClickSynth.h"
#include "RgbaImage.h"
#include "WorldMapRenderer.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

uint32_t little(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// A quantized topology (delta-encoded arcs, 0.1 degree steps) with two land polygons:
// a square from 10E to 20E, 10N to 20N, and an island crossing the antimeridian (170E to 170W, 40S to 30S).
const char* TOPOLOGY = R"({
  "type": "Topology",
  "transform": {"scale": [0.1, 0.1], "translate": [-180, -90]},
  "objects": {"land": {"type": "GeometryCollection", "geometries": [
    {"type": "Polygon", "arcs": [[0]]},
    {"type": "MultiPolygon", "arcs": [[[1, 2]]]}
  ]}},
  "arcs": [
    [[1900, 1000], [100, 0], [0, 100], [-100, 0], [0, -100]],
    [[3500, 500], [0, 100], [100, 0]],
    [[3600, 600], [-3500, 0], [0, -100], [3500, 0]]
  ]
})";

}  // namespace

TEST(ClickSynth, WritesAShortMonoPcmWaveThatIsTheSameEveryTime) {
    for (const auto& shape : {ClickSynth::hover(), ClickSynth::press()}) {
        const std::string wav = ClickSynth::makeWav(shape, 44100);
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(little(wav, 4, 4), wav.size() - 8);
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(little(wav, 20, 2), 1u);  // PCM
        EXPECT_EQ(little(wav, 22, 2), 1u);  // mono
        EXPECT_EQ(little(wav, 24, 4), 44100u);
        EXPECT_EQ(little(wav, 34, 2), 16u);
        EXPECT_EQ(wav.substr(36, 4), "data");
        EXPECT_EQ(little(wav, 40, 4), wav.size() - 44);
        EXPECT_EQ((wav.size() - 44) / 2, static_cast<size_t>(std::lround(shape.seconds * 44100)));
        EXPECT_EQ(wav, ClickSynth::makeWav(shape, 44100)) << "the noise must come from a fixed seed";
    }
    EXPECT_NE(ClickSynth::makeWav(ClickSynth::hover()), ClickSynth::makeWav(ClickSynth::press()));
}

TEST(WorldMapRenderer, DecodesQuantizedArcsAndHandlesTheAntimeridian) {
    WorldMapRenderer map;
    std::string error;
    ASSERT_TRUE(map.parseTopoJson(TOPOLOGY, "land", "test", error)) << error;
    EXPECT_TRUE(map.isLand({15, 15}));
    EXPECT_FALSE(map.isLand({25, 15}));
    EXPECT_FALSE(map.isLand({15, 25}));
    EXPECT_FALSE(map.isLand({0, 0}));
    // The island shows at both edges of the map and leaves the rest of its latitude as sea.
    EXPECT_TRUE(map.isLand({175, -35}));
    EXPECT_TRUE(map.isLand({-175, -35}));
    EXPECT_FALSE(map.isLand({0, -35}));
    EXPECT_FALSE(map.isLand({-100, -35}));
    EXPECT_FALSE(map.isLand({175, -45}));
}

TEST(WorldMapRenderer, RefusesTopologiesItCannotRead) {
    WorldMapRenderer map;
    for (const char* text :
         {"", "[]", "{\"arcs\": []}", R"({"arcs": [[[0,0]]], "objects": {}})",
          R"({"arcs": [], "objects": {"land": {"type": "Polygon", "arcs": [[5]]}}})",
          R"({"arcs": [[["a", 0]]], "objects": {"land": {"type": "Polygon", "arcs": [[0]]}}})"}) {
        std::string error;
        EXPECT_FALSE(map.parseTopoJson(text, "land", "bad", error)) << text;
        EXPECT_NE(error.find("bad"), std::string::npos) << error;
        EXPECT_EQ(map.ringCount(), 0u);
    }
}

TEST(WorldMapRenderer, DrawsLandDotsOnAnOpaqueSea) {
    WorldMapRenderer map;
    std::string error;
    ASSERT_TRUE(map.parseTopoJson(TOPOLOGY, "land", "test", error)) << error;
    WorldMapRenderer::Style style;
    style.width = 720;
    const RgbaImage image = map.render(style);
    ASSERT_EQ(image.width(), 720);
    EXPECT_EQ(image.height(), 284);  // 142 degrees at 2 px per degree
    auto brightness = [&](double lon, double lat) {
        int best = 0;
        const int cx = static_cast<int>((lon + 180) * 2);
        const int cy = static_cast<int>((style.north - lat) * 2);
        for (int y = cy - 4; y <= cy + 4; ++y)
            for (int x = cx - 4; x <= cx + 4; ++x) {
                const Rgba p = image.pixel(x, y);
                best = std::max(best, p.r + p.g + p.b);
            }
        return best;
    };
    const Rgba sea = style.ocean;
    EXPECT_GT(brightness(15, 15), sea.r + sea.g + sea.b + 60);
    EXPECT_GT(brightness(-175, -35), sea.r + sea.g + sea.b + 60);
    EXPECT_LT(brightness(-100, -20), sea.r + sea.g + sea.b + 10);
    for (int x = 0; x < image.width(); x += 37) EXPECT_EQ(image.pixel(x, 3).a, 255);
}

TEST(RgbaImage, SavesAndLoadsPngAndRefusesBrokenFiles) {
    const auto folder = std::filesystem::temp_directory_path() / ("zento_rgba_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    RgbaImage image(5, 3);
    image.setPixel(4, 2, {10, 20, 30, 40});
    image.blendPixel(0, 0, {255, 0, 0, 255}, 0.5f);
    std::string error;
    const std::string path = (folder / "a.png").string();
    ASSERT_TRUE(image.savePng(path, error)) << error;
    const auto loaded = RgbaImage::loadPng(path, error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->width(), 5);
    EXPECT_EQ(loaded->height(), 3);
    const Rgba corner = loaded->pixel(4, 2);
    EXPECT_EQ(corner.r, 10);
    EXPECT_EQ(corner.a, 40);
    EXPECT_EQ(loaded->pixel(0, 0).r, 255);
    EXPECT_EQ(loaded->pixel(0, 0).a, 128);
    EXPECT_EQ(loaded->pixel(-1, 0).a, 0) << "outside reads as transparent";

    std::ofstream((folder / "broken.png").string()) << "\x89PNG not really";
    EXPECT_FALSE(RgbaImage::loadPng((folder / "broken.png").string(), error));
    EXPECT_FALSE(RgbaImage::loadPng((folder / "absent.png").string(), error));
    EXPECT_FALSE(RgbaImage().savePng((folder / "empty.png").string(), error));
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.png"));
    std::filesystem::remove_all(folder);
}
