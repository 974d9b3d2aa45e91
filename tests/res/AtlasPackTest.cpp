#include "PlistWriter.h"
#include "RectPacker.h"
#include "SpriteManifest.h"
#include "SvgComposer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("zento_res_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path() const { return path_.string(); }
    void write(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name) << text;
    }

private:
    std::filesystem::path path_;
};

void collectIds(pugi::xml_node node, std::multiset<std::string>& ids) {
    if (node.attribute("id")) ids.insert(node.attribute("id").value());
    for (pugi::xml_node child : node.children()) collectIds(child, ids);
}

}  // namespace

TEST(SpriteManifest, ReadsFramesSourcesAndOptions) {
    std::string error;
    const auto manifest = SpriteManifest::parse(
        "# comment\n"
        "\n"
        "a.png\t30\t20\ticon\ticons/a.svg\tglyph=18 color=#ffffff\r\n"
        "b.png\t36\t22\tpair\tflags/eu.svg+flags/us.svg\n"
        "c.png\t28\t14\tswatch\t-\tcolor=#d94a30\n",
        error);
    ASSERT_TRUE(manifest) << error;
    const auto& entries = manifest->entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a.png");
    EXPECT_EQ(entries[0].width, 30);
    EXPECT_EQ(entries[0].height, 20);
    EXPECT_EQ(entries[0].style, "icon");
    EXPECT_EQ(entries[0].options.at("glyph"), "18");
    EXPECT_EQ(entries[0].options.at("color"), "#ffffff");
    EXPECT_EQ(entries[0].line, 3);
    EXPECT_EQ(entries[1].sources, (std::vector<std::string>{"flags/eu.svg", "flags/us.svg"}));
    EXPECT_TRUE(entries[2].sources.empty());
}

TEST(SpriteManifest, RefusesLinesThatWouldBuildAWrongSheet) {
    const char* bad[] = {
        "a.png\t30\t20\ticon\n",                                     // no source column
        "a.png\t0\t20\ticon\ta.svg\n",                               // zero size
        "a.png\t30\t5000\ticon\ta.svg\n",                            // absurd size
        "a.png\t3x\t20\ticon\ta.svg\n",                              // not a number
        "a.png\t30\t20\ticon\t../secret.svg\n",                      // leaves the assets folder
        "a.png\t30\t20\ticon\t/etc/passwd\n",                        // absolute path
        "a.png\t30\t20\ticon\ta.svg\tglyph\n",                       // option without a value
        "a.png\t30\t20\ticon\ta.svg\na.png\t30\t20\ticon\tb.svg\n",  // duplicate name
        "a<b>.png\t30\t20\ticon\ta.svg\n",                           // would break the property list
        "# only comments\n",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(SpriteManifest::parse(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RectPacker, PlacesEveryRectangleApartOnTheSmallestPowerOfTwoSheet) {
    std::vector<RectPacker::Size> sizes;
    for (int i = 0; i < 60; ++i) sizes.push_back({8 + (i * 7) % 41, 5 + (i * 13) % 37});
    sizes.push_back({128, 1});
    sizes.push_back({1, 64});
    const int padding = 2;
    const auto placement = RectPacker::pack(sizes, padding, 2048);
    ASSERT_TRUE(placement);
    auto isPowerOfTwo = [](int v) { return v > 0 && (v & (v - 1)) == 0; };
    EXPECT_TRUE(isPowerOfTwo(placement->sheetWidth));
    EXPECT_TRUE(isPowerOfTwo(placement->sheetHeight));
    ASSERT_EQ(placement->origins.size(), sizes.size());
    long area = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const auto& o = placement->origins[i];
        area += static_cast<long>(sizes[i].width + 2 * padding) * (sizes[i].height + 2 * padding);
        EXPECT_GE(o.x, padding);
        EXPECT_GE(o.y, padding);
        EXPECT_LE(o.x + sizes[i].width + padding, placement->sheetWidth);
        EXPECT_LE(o.y + sizes[i].height + padding, placement->sheetHeight);
        for (size_t j = i + 1; j < sizes.size(); ++j) {
            const auto& p = placement->origins[j];
            const bool apart =
                o.x + sizes[i].width + 2 * padding <= p.x || p.x + sizes[j].width + 2 * padding <= o.x ||
                o.y + sizes[i].height + 2 * padding <= p.y || p.y + sizes[j].height + 2 * padding <= o.y;
            EXPECT_TRUE(apart) << i << " and " << j;
        }
    }
    // Not wastefully large: the next smaller sheet could not hold the cells.
    EXPECT_GT(area * 2, static_cast<long>(placement->sheetWidth) * placement->sheetHeight / 2);
}

TEST(RectPacker, GivesUpWhenTheRectanglesCannotFit) {
    EXPECT_FALSE(RectPacker::pack({{300, 300}}, 2, 256));
    EXPECT_FALSE(RectPacker::pack(std::vector<RectPacker::Size>(5, {200, 200}), 2, 256));
    EXPECT_TRUE(RectPacker::pack({{252, 252}}, 2, 256));
}

TEST(PlistWriter, WritesTheFormatTwoLayoutTheFrameCacheReads) {
    const std::string text =
        PlistWriter::write({{"a.png", 2, 3, 30, 20}, {"x&y.png", 40, 3, 8, 14}}, "image.png", 256, 128);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text.c_str()));
    pugi::xml_node root = document.child("plist").child("dict");
    ASSERT_STREQ(root.child("key").child_value(), "frames");
    pugi::xml_node frames = root.child("key").next_sibling();
    pugi::xml_node first = frames.child("key");
    EXPECT_STREQ(first.child_value(), "a.png");
    pugi::xml_node dict = first.next_sibling();
    std::vector<std::string> seen;
    for (pugi::xml_node node = dict.first_child(); node; node = node.next_sibling()) {
        const std::string name = node.name();
        seen.push_back(name == "key"      ? node.child_value()
                       : name == "string" ? node.child_value()
                                          : "<" + name + ">");
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"frame", "{{2,3},{30,20}}", "offset", "{0,0}", "rotated", "<false>",
                                        "sourceColorRect", "{{0,0},{30,20}}", "sourceSize", "{30,20}"}));
    EXPECT_STREQ(first.next_sibling("key").child_value(), "x&y.png");
    pugi::xml_node metadata = frames.next_sibling().next_sibling();
    EXPECT_EQ(std::string(metadata.name()), "dict");
    EXPECT_NE(text.find("<key>format</key>\n        <integer>2</integer>"), std::string::npos);
    EXPECT_NE(text.find("<key>textureFileName</key>\n        <string>image.png</string>"), std::string::npos);
    EXPECT_NE(text.find("<key>size</key>\n        <string>{256,128}</string>"), std::string::npos);
}

TEST(SvgComposer, InlinesSourcesWithTheirColourAndUniqueIds) {
    TemporaryFolder assets;
    assets.write("glyph.svg",
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" height=\"24\" viewBox=\"0 0 24 24\" "
                 "stroke=\"currentColor\" stroke-width=\"2\"><path d=\"M3 3h18\"/></svg>");
    const std::string flag =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 512 512\"><defs><clipPath id=\"a\">"
        "<rect width=\"512\" height=\"512\"/></clipPath></defs><g clip-path=\"url(#a)\"><use "
        "href=\"#a\"/></g></svg>";
    assets.write("flags/one.svg", flag);
    assets.write("flags/two.svg", flag);
    std::string error;
    const auto manifest = SpriteManifest::parse(
        "g.png\t30\t30\ticon_sel\tglyph.svg\tglyph=18 stroke=1.5\n"
        "p.png\t36\t22\tpair\tflags/one.svg+flags/two.svg\n",
        error);
    ASSERT_TRUE(manifest) << error;
    const auto placement = RectPacker::pack({{30, 30}, {36, 22}}, 2, 256);
    ASSERT_TRUE(placement);
    const std::string svg = SvgComposer(assets.path()).compose(manifest->entries(), *placement, error);
    ASSERT_FALSE(svg.empty()) << error;

    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(svg.c_str()));
    pugi::xml_node root = document.child("svg");
    EXPECT_EQ(root.attribute("width").as_int(), placement->sheetWidth);
    pugi::xml_node glyphFrame = root.child("svg");
    EXPECT_EQ(glyphFrame.attribute("x").as_int(), placement->origins[0].x);
    EXPECT_EQ(glyphFrame.attribute("width").as_int(), 30);
    pugi::xml_node coloured = glyphFrame.child("g");
    EXPECT_STREQ(coloured.attribute("color").value(), "#ffffff");
    pugi::xml_node glyph = coloured.child("svg");
    EXPECT_STREQ(glyph.attribute("width").value(), "18");
    EXPECT_STREQ(glyph.attribute("x").value(), "6");
    EXPECT_STREQ(glyph.attribute("stroke-width").value(), "1.5");

    std::multiset<std::string> ids;
    collectIds(root, ids);
    for (const auto& id : ids) EXPECT_EQ(ids.count(id), 1u) << "id " << id << " is not unique";
    // References follow their renamed targets.
    const std::string text = svg;
    EXPECT_EQ(text.find("url(#a)"), std::string::npos);
    EXPECT_EQ(text.find("\"#a\""), std::string::npos);
}

TEST(SvgComposer, ReportsMissingSourcesAndUnknownStyles) {
    TemporaryFolder assets;
    assets.write("glyph.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\"/>");
    assets.write("noviewbox.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" height=\"24\"/>");
    const auto placement = RectPacker::pack({{30, 30}}, 2, 256);
    ASSERT_TRUE(placement);
    for (const char* line : {"a.png\t30\t30\ticon\tmissing.svg\n", "a.png\t30\t30\tsparkle\tglyph.svg\n",
                             "a.png\t30\t30\tpair\tglyph.svg\n", "a.png\t30\t30\ticon\tnoviewbox.svg\n",
                             "a.png\t30\t30\tswatch\t-\n"}) {
        std::string error;
        const auto manifest = SpriteManifest::parse(line, error);
        ASSERT_TRUE(manifest) << error;
        EXPECT_TRUE(SvgComposer(assets.path()).compose(manifest->entries(), *placement, error).empty())
            << line;
        EXPECT_NE(error.find("a.png"), std::string::npos) << error;
    }
}
