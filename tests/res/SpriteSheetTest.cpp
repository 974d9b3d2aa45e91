#include "RgbaImage.h"
#include "SheetReader.h"
#include "SpriteManifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <set>

namespace {

const std::string RES_DIR = ZENTO_TEST_RES_DIR;

class SpriteSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        auto loaded = SheetReader::load(RES_DIR + "/plist/image.plist", error);
        ASSERT_TRUE(loaded) << error;
        sheet_ = new SheetReader(std::move(*loaded));
        auto texture = RgbaImage::loadPng(RES_DIR + "/plist/" + sheet_->textureFileName(), error);
        ASSERT_TRUE(texture) << error;
        texture_ = new RgbaImage(std::move(*texture));
    }
    static void TearDownTestSuite() {
        delete sheet_;
        delete texture_;
        sheet_ = nullptr;
        texture_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(sheet_, nullptr);
        ASSERT_NE(texture_, nullptr);
    }

    static double premultipliedLuminance(const SheetReader::Rect& rect) {
        double sum = 0;
        for (int y = rect.y; y < rect.y + rect.height; ++y)
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                const Rgba p = texture_->pixel(x, y);
                sum += (0.2126 * p.r + 0.7152 * p.g + 0.0722 * p.b) * p.a / 255.0;
            }
        return sum;
    }

    static SheetReader* sheet_;
    static RgbaImage* texture_;
};

SheetReader* SpriteSheetTest::sheet_ = nullptr;
RgbaImage* SpriteSheetTest::texture_ = nullptr;

bool intersects(const SheetReader::Rect& a, const SheetReader::Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

TEST_F(SpriteSheetTest, HoldsEveryFrameTheTerminalUses) {
    const auto names = readListFile(ZENTO_TEST_FRAME_NAMES);
    ASSERT_GE(names.size(), 200u) << "the expected-name list was not found or is cut short";
    for (const auto& name : names) EXPECT_TRUE(sheet_->frames().count(name)) << "missing frame " << name;
}

TEST_F(SpriteSheetTest, FramesHaveTheSizesTheManifestDeclares) {
    std::string error;
    const auto manifest = SpriteManifest::load(std::string(ZENTO_TEST_ASSETS_DIR) + "/sprites.tsv", error);
    ASSERT_TRUE(manifest) << error;
    EXPECT_EQ(sheet_->frames().size(), manifest->entries().size());
    for (const auto& entry : manifest->entries()) {
        const auto found = sheet_->frames().find(entry.name);
        ASSERT_NE(found, sheet_->frames().end()) << entry.name;
        const auto& frame = found->second;
        const std::string size = "{" + std::to_string(entry.width) + "," + std::to_string(entry.height) + "}";
        EXPECT_EQ(frame.frame.width, entry.width) << entry.name;
        EXPECT_EQ(frame.frame.height, entry.height) << entry.name;
        EXPECT_EQ(frame.sourceSize, size) << entry.name;
        EXPECT_EQ(frame.sourceColorRect, "{{0,0}," + size + "}") << entry.name;
        EXPECT_EQ(frame.offset, "{0,0}") << entry.name;
        EXPECT_FALSE(frame.rotated) << entry.name;
    }
}

TEST_F(SpriteSheetTest, MetadataNamesTheTextureBesideItWithItsRealSize) {
    EXPECT_EQ(sheet_->format(), 2);
    EXPECT_EQ(sheet_->textureFileName(), "image.png");
    EXPECT_EQ(sheet_->realTextureFileName(), "image.png");
    EXPECT_EQ(sheet_->size(),
              "{" + std::to_string(texture_->width()) + "," + std::to_string(texture_->height()) + "}");
}

TEST_F(SpriteSheetTest, FramesLieInsideTheTextureAndKeepApart) {
    std::vector<std::pair<std::string, SheetReader::Rect>> rects;
    for (const auto& [name, frame] : sheet_->frames()) {
        const auto& r = frame.frame;
        EXPECT_GE(r.x, 1) << name;
        EXPECT_GE(r.y, 1) << name;
        EXPECT_LE(r.x + r.width + 1, texture_->width()) << name;
        EXPECT_LE(r.y + r.height + 1, texture_->height()) << name;
        rects.emplace_back(name, r);
    }
    // Grown by one pixel (the extruded border) on each side, no two frames may touch.
    for (size_t i = 0; i < rects.size(); ++i) {
        SheetReader::Rect grown = rects[i].second;
        grown.x -= 1;
        grown.y -= 1;
        grown.width += 2;
        grown.height += 2;
        for (size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(intersects(grown, rects[j].second))
                << rects[i].first << " touches " << rects[j].first;
    }
}

TEST_F(SpriteSheetTest, EdgesAreExtrudedSoStretchedFramesDoNotFade) {
    auto same = [](Rgba a, Rgba b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; };
    for (const auto& [name, frame] : sheet_->frames()) {
        const auto& r = frame.frame;
        bool extruded = true;
        for (int x = r.x; x < r.x + r.width; ++x) {
            extruded = extruded && same(texture_->pixel(x, r.y - 1), texture_->pixel(x, r.y));
            extruded =
                extruded && same(texture_->pixel(x, r.y + r.height), texture_->pixel(x, r.y + r.height - 1));
        }
        for (int y = r.y; y < r.y + r.height; ++y) {
            extruded = extruded && same(texture_->pixel(r.x - 1, y), texture_->pixel(r.x, y));
            extruded =
                extruded && same(texture_->pixel(r.x + r.width, y), texture_->pixel(r.x + r.width - 1, y));
        }
        EXPECT_TRUE(extruded) << name;
    }
    // The side shade is one pixel tall and stretched to the chart's height: its rows must be opaque at the
    // left.
    const auto& shade = sheet_->frames().at("leftDark.png").frame;
    EXPECT_EQ(shade.height, 1);
    EXPECT_GT(texture_->pixel(shade.x, shade.y).a, 200);
    EXPECT_LT(texture_->pixel(shade.x + shade.width - 1, shade.y).a, 40);
}

TEST_F(SpriteSheetTest, NoFrameIsBlankAndHighlightedVariantsStandOut) {
    for (const auto& [name, frame] : sheet_->frames())
        EXPECT_GT(premultipliedLuminance(frame.frame), 0.0) << name << " is blank";

    const std::regex numbered(R"((.*)_(\d+)\.png)");
    int pairs = 0;
    for (const auto& [name, frame] : sheet_->frames()) {
        if (name.find("_sel") != std::string::npos) continue;
        std::vector<std::string> candidates = {name.substr(0, name.size() - 4) + "_sel.png"};
        std::smatch match;
        if (std::regex_match(name, match, numbered))
            candidates.push_back(match[1].str() + "_sel_" + match[2].str() + ".png");
        for (const auto& selName : candidates) {
            const auto sel = sheet_->frames().find(selName);
            if (sel == sheet_->frames().end()) continue;
            ++pairs;
            const auto& a = frame.frame;
            const auto& b = sel->second.frame;
            ASSERT_EQ(a.width, b.width) << selName;
            ASSERT_EQ(a.height, b.height) << selName;
            int differing = 0;
            for (int y = 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x) {
                    const Rgba p = texture_->pixel(a.x + x, a.y + y);
                    const Rgba q = texture_->pixel(b.x + x, b.y + y);
                    if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) +
                            std::abs(p.a - q.a) >
                        24)
                        ++differing;
                }
            EXPECT_GE(differing * 4, a.width * a.height) << selName << " looks like " << name;
            EXPECT_GT(premultipliedLuminance(b), premultipliedLuminance(a)) << selName << " is not brighter";
        }
    }
    EXPECT_GE(pairs, 80);
}
