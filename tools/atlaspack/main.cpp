// atlaspack: builds the terminal's sprite sheet from the SVG sources listed in the manifest.
//
//   atlaspack --manifest assets/sprites.tsv --assets assets --work DIR
//             --image res/plist/image.png --plist res/plist/image.plist [--rsvg rsvg-convert]
//
// Frames are packed by their declared sizes, composed into one SVG, rasterised once, checked
// (no frame may come out fully transparent) and given a one-pixel extruded border so that
// stretched frames never sample their neighbours.

#include "PlistWriter.h"
#include "RectPacker.h"
#include "RgbaImage.h"
#include "SpriteManifest.h"
#include "SvgComposer.h"
#include "SvgRasteriser.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

constexpr int FRAME_PADDING = 2;  // one extruded pixel plus one clear pixel on each side
constexpr int MAX_SHEET_SIDE = 2048;

int usage() {
    std::fprintf(
        stderr,
        "usage: atlaspack --manifest FILE --assets DIR --work DIR --image FILE.png --plist FILE.plist"
        " [--rsvg PROGRAM]\n");
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "atlaspack: %s\n", message.c_str());
    return 1;
}

// Repeats the outermost pixels of a frame one pixel outwards.
void extrude(RgbaImage& sheet, int x, int y, int w, int h) {
    for (int col = x - 1; col <= x + w; ++col) {
        const int from = std::clamp(col, x, x + w - 1);
        sheet.setPixel(col, y - 1, sheet.pixel(from, y));
        sheet.setPixel(col, y + h, sheet.pixel(from, y + h - 1));
    }
    for (int row = y; row < y + h; ++row) {
        sheet.setPixel(x - 1, row, sheet.pixel(x, row));
        sheet.setPixel(x + w, row, sheet.pixel(x + w - 1, row));
    }
}

bool hasVisiblePixel(const RgbaImage& sheet, int x, int y, int w, int h) {
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            if (sheet.pixel(col, row).a != 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args{{"--rsvg", "rsvg-convert"}};
    for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
    if (argc % 2 == 0) return usage();
    for (const char* required : {"--manifest", "--assets", "--work", "--image", "--plist"})
        if (args[required].empty()) return usage();

    std::string error;
    const auto manifest = SpriteManifest::load(args["--manifest"], error);
    if (!manifest) return fail(error);
    const auto& entries = manifest->entries();

    std::vector<RectPacker::Size> sizes;
    for (const auto& entry : entries) sizes.push_back({entry.width, entry.height});
    const auto placement = RectPacker::pack(sizes, FRAME_PADDING, MAX_SHEET_SIDE);
    if (!placement) return fail("the frames do not fit on a " + std::to_string(MAX_SHEET_SIDE) + " px sheet");

    const std::string svg = SvgComposer(args["--assets"]).compose(entries, *placement, error);
    if (svg.empty()) return fail(error);
    std::error_code code;
    std::filesystem::create_directories(args["--work"], code);
    const std::string svgPath = args["--work"] + "/sheet.svg";
    const std::string rawPath = args["--work"] + "/sheet-raw.png";
    if (!writeFileAtomically(svgPath, svg, error)) return fail(error);
    if (!SvgRasteriser(args["--rsvg"]).rasterise(svgPath, rawPath, error)) return fail(error);
    auto sheet = RgbaImage::loadPng(rawPath, error);
    if (!sheet) return fail(error);
    if (sheet->width() != placement->sheetWidth || sheet->height() != placement->sheetHeight)
        return fail("rasterised sheet has the wrong size");

    const std::string textureName = std::filesystem::path(args["--image"]).filename().string();
    std::vector<PlistWriter::Frame> frames;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        const auto origin = placement->origins[i];
        if (!hasVisiblePixel(*sheet, origin.x, origin.y, entry.width, entry.height))
            return fail("frame " + entry.name + " came out empty (line " + std::to_string(entry.line) + ")");
        extrude(*sheet, origin.x, origin.y, entry.width, entry.height);
        frames.push_back({entry.name, origin.x, origin.y, entry.width, entry.height});
    }
    for (const char* output : {"--image", "--plist"})
        std::filesystem::create_directories(std::filesystem::path(args[output]).parent_path(), code);
    if (!sheet->savePng(args["--image"], error)) return fail(error);
    const std::string plist =
        PlistWriter::write(frames, textureName, placement->sheetWidth, placement->sheetHeight);
    if (!writeFileAtomically(args["--plist"], plist, error)) return fail(error);
    std::printf("atlaspack: %zu frames on a %dx%d sheet\n", frames.size(), placement->sheetWidth,
                placement->sheetHeight);
    return 0;
}
