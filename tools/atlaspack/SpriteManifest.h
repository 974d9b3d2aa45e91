#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// One frame of the sprite sheet as the manifest declares it.
struct SpriteEntry {
    std::string name;  // frame name, e.g. "zoomIn.png"
    int width = 0;     // declared size in pixels
    int height = 0;
    std::string style;                           // how the sources are composed (see SvgComposer)
    std::vector<std::string> sources;            // SVG files relative to the assets folder
    std::map<std::string, std::string> options;  // key=value extras (glyph size, colour, ...)
    int line = 0;                                // manifest line, for messages
};

// The sprite manifest: one tab-separated line per frame
//   name <TAB> width <TAB> height <TAB> style <TAB> source[+source...] [<TAB> key=value ...]
// A source of "-" means none (styles that draw from their options only).
// Blank lines and lines starting with '#' are skipped. Names must be unique.
class SpriteManifest {
public:
    static std::optional<SpriteManifest> load(const std::string& path, std::string& error);
    static std::optional<SpriteManifest> parse(const std::string& text, std::string& error);

    const std::vector<SpriteEntry>& entries() const { return entries_; }

private:
    std::vector<SpriteEntry> entries_;
};
