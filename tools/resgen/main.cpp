// resgen: makes the terminal's generated runtime resources other than the sprite sheet.
//
//   resgen worldmap TOPOLOGY.json OBJECT OUT.png   the dotted world map behind the charts
//   resgen click hover|press OUT.wav              a synthesised interface click
//   resgen jpeg IN.png QUALITY OUT.jpg            re-encodes a rasterised picture as JPEG

#include "ClickSynth.h"
#include "RgbaImage.h"
#include "WorldMapRenderer.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: resgen worldmap TOPOLOGY.json OBJECT OUT.png\n"
                 "       resgen click hover|press OUT.wav\n"
                 "       resgen jpeg IN.png QUALITY OUT.jpg\n");
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "resgen: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    std::string error;
    if (command == "worldmap" && argc == 5) {
        WorldMapRenderer map;
        if (!map.loadTopoJson(argv[2], argv[3], error)) return fail(error);
        if (!map.render(WorldMapRenderer::Style{}).savePng(argv[4], error)) return fail(error);
        return 0;
    }
    if (command == "click" && argc == 4) {
        const std::string kind = argv[2];
        if (kind != "hover" && kind != "press") return usage();
        const auto shape = kind == "hover" ? ClickSynth::hover() : ClickSynth::press();
        if (!writeFileAtomically(argv[3], ClickSynth::makeWav(shape), error)) return fail(error);
        return 0;
    }
    if (command == "jpeg" && argc == 5) {
        auto picture = RgbaImage::loadPng(argv[2], error);
        if (!picture) return fail(error);
        // Composite over the terminal background so that a translucent source keeps its look.
        RgbaImage flat(picture->width(), picture->height());
        flat.fill({23, 27, 41, 255});
        for (int y = 0; y < picture->height(); ++y)
            for (int x = 0; x < picture->width(); ++x) {
                const Rgba p = picture->pixel(x, y);
                flat.blendPixel(x, y, p, 1.0f);
            }
        if (!flat.saveJpeg(argv[4], std::atoi(argv[3]), error)) return fail(error);
        return 0;
    }
    return usage();
}
