#include "SvgComposer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

// The terminal's palette: a dark navy background, muted blue-grey glyphs, one blue accent.
constexpr const char* GLYPH_NORMAL = "#8e97ad";
constexpr const char* GLYPH_ACTIVE = "#ffffff";
constexpr const char* ACCENT = "#3083ff";
constexpr const char* PLATE_FILL = "#1e2335";
constexpr const char* PLATE_BORDER = "#3a4360";
constexpr double GLYPH_SHARE = 0.62;  // default glyph box as a share of the frame's shorter side

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string out = text;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    return out;
}

// Adds a child element with the given attributes, in order.
pugi::xml_node element(pugi::xml_node parent, const char* name,
                       std::initializer_list<std::pair<const char*, std::string>> attributes) {
    pugi::xml_node node = parent.append_child(name);
    for (const auto& [key, value] : attributes) node.append_attribute(key) = value.c_str();
    return node;
}

void prefixIds(pugi::xml_node node, const std::string& prefix) {
    for (pugi::xml_attribute attribute : node.attributes()) {
        const std::string name = attribute.name();
        std::string value = attribute.value();
        if (name == "id") {
            attribute = (prefix + value).c_str();
            continue;
        }
        if ((name == "href" || name == "xlink:href") && !value.empty() && value[0] == '#') {
            attribute = ("#" + prefix + value.substr(1)).c_str();
            continue;
        }
        bool changed = false;
        for (size_t at = value.find("url(#"); at != std::string::npos; at = value.find("url(#", at + 5)) {
            value.insert(at + 5, prefix);
            changed = true;
        }
        if (changed) attribute = value.c_str();
    }
    for (pugi::xml_node child : node.children()) prefixIds(child, prefix);
}

class FrameBuilder {
public:
    FrameBuilder(const std::string& assetsDir, const SpriteEntry& entry, pugi::xml_node frame,
                 std::string& error)
        : assetsDir_(assetsDir), entry_(entry), frame_(frame), error_(error) {}

    bool build() {
        const std::string& style = entry_.style;
        const double w = entry_.width;
        const double h = entry_.height;
        if (style == "art") return inlineSource(0, frame_, 0, 0, w, h, "none");
        if (style == "icon") return glyph(option("color", GLYPH_NORMAL));
        if (style == "icon_sel") {
            plate(std::string(ACCENT), 0.28, ACCENT, 0.9);
            return glyph(GLYPH_ACTIVE);
        }
        if (style == "button") {
            plate(PLATE_FILL, 0.92, PLATE_BORDER, 1.0);
            return glyph(option("color", "#aab2c5"));
        }
        if (style == "button_sel") {
            plate(ACCENT, 1.0, "#6aa6ff", 1.0);
            return glyph(GLYPH_ACTIVE);
        }
        if (style == "round") {
            const double r = std::min(w, h) / 2.0;
            return disc(0, frame_, w / 2.0, h / 2.0, r);
        }
        if (style == "pair") {
            if (entry_.sources.size() != 2) return fail("style pair needs two sources");
            const double r = h / 2.0;
            const double leftX = r;
            const double rightX = w - r;
            // A transparent gap cut into the first disc keeps the two apart on any background.
            const std::string maskId = "gap_" + idStem();
            pugi::xml_node mask = element(frame_, "mask", {{"id", maskId}});
            element(mask, "rect", {{"width", number(w)}, {"height", number(h)}, {"fill", "#ffffff"}});
            element(mask, "circle",
                    {{"cx", number(rightX)}, {"cy", number(r)}, {"r", number(r + 1.0)}, {"fill", "#000000"}});
            pugi::xml_node first = element(frame_, "g", {{"mask", "url(#" + maskId + ")"}});
            if (!disc(0, first, leftX, r, r)) return false;
            return disc(1, frame_, rightX, r, r);
        }
        if (style == "swatch") {
            const std::string colour = option("color", "");
            if (colour.empty()) return fail("style swatch needs color=");
            element(frame_, "rect",
                    {{"x", "0.5"},
                     {"y", "0.5"},
                     {"width", number(w - 1)},
                     {"height", number(h - 1)},
                     {"rx", option("radius", "3")},
                     {"fill", colour},
                     {"stroke", "#ffffff"},
                     {"stroke-opacity", "0.35"}});
            return true;
        }
        if (style == "stroke") {
            const double px = std::atof(option("px", "1").c_str());
            if (px <= 0 || px > h) return fail("style stroke needs px= between 0 and the height");
            // Odd widths sit on a pixel centre, even ones on a pixel edge, so both stay crisp.
            const double y = std::fmod(px, 2.0) == 1.0 ? std::floor(h / 2.0) + 0.5 : std::round(h / 2.0);
            element(frame_, "line",
                    {{"x1", "4"},
                     {"y1", number(y)},
                     {"x2", number(w - 4)},
                     {"y2", number(y)},
                     {"stroke", option("color", "#dfe4ee")},
                     {"stroke-width", number(px)}});
            return true;
        }
        return fail("unknown style '" + style + "'");
    }

private:
    std::string option(const std::string& key, const std::string& fallback) const {
        const auto found = entry_.options.find(key);
        return found == entry_.options.end() ? fallback : found->second;
    }

    bool fail(const std::string& why) {
        error_ = "line " + std::to_string(entry_.line) + " (" + entry_.name + "): " + why;
        return false;
    }

    void plate(const std::string& fill, double fillOpacity, const std::string& border, double borderOpacity) {
        element(frame_, "rect",
                {{"x", "0.5"},
                 {"y", "0.5"},
                 {"width", number(entry_.width - 1)},
                 {"height", number(entry_.height - 1)},
                 {"rx", option("radius", "4")},
                 {"fill", fill},
                 {"fill-opacity", number(fillOpacity)},
                 {"stroke", border},
                 {"stroke-opacity", number(borderOpacity)}});
    }

    bool glyph(const std::string& colour) {
        const double side = std::min(entry_.width, entry_.height);
        const double box = std::atof(option("glyph", number(std::round(side * GLYPH_SHARE))).c_str());
        if (box <= 0) return fail("bad glyph size");
        const double x = std::round((entry_.width - box) / 2.0);
        const double y = std::round((entry_.height - box) / 2.0);
        pugi::xml_node group = element(frame_, "g", {{"color", colour}});
        if (!inlineSource(0, group, x, y, box, box, "xMidYMid meet")) return false;
        pugi::xml_node glyphRoot = group.last_child();
        if (entry_.options.count("stroke"))
            glyphRoot.attribute("stroke-width") = option("stroke", "2").c_str();
        return true;
    }

    // A source clipped to a circle of radius r at (cx, cy), with a faint ring.
    bool disc(size_t source, pugi::xml_node parent, double cx, double cy, double r) {
        const std::string clipId = "clip" + std::to_string(source) + "_" + idStem();
        pugi::xml_node clip = element(frame_, "clipPath", {{"id", clipId}});
        element(clip, "circle", {{"cx", number(cx)}, {"cy", number(cy)}, {"r", number(r)}});
        pugi::xml_node group = element(parent, "g", {{"clip-path", "url(#" + clipId + ")"}});
        if (!inlineSource(source, group, cx - r, cy - r, 2 * r, 2 * r, "xMidYMid slice")) return false;
        element(parent, "circle",
                {{"cx", number(cx)},
                 {"cy", number(cy)},
                 {"r", number(r - 0.5)},
                 {"fill", "none"},
                 {"stroke", "#ffffff"},
                 {"stroke-opacity", "0.22"}});
        return true;
    }

    std::string idStem() const {
        std::string stem;
        for (char c : entry_.name) stem += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return stem;
    }

    // Copies the root <svg> of a source file under parent as a nested viewport at (x, y, w, h).
    bool inlineSource(size_t index, pugi::xml_node parent, double x, double y, double w, double h,
                      const char* aspect) {
        if (index >= entry_.sources.size()) return fail("missing source");
        const std::string path = assetsDir_ + "/" + entry_.sources[index];
        pugi::xml_document document;
        const pugi::xml_parse_result parsed = document.load_file(path.c_str());
        if (!parsed) return fail(path + ": " + parsed.description());
        pugi::xml_node root = document.document_element();
        if (std::string(root.name()) != "svg") return fail(path + ": root element is not <svg>");
        if (!root.attribute("viewBox")) return fail(path + ": a source needs a viewBox");
        prefixIds(root, idStem() + "_" + std::to_string(index) + "_");
        for (const char* drop : {"x", "y", "width", "height", "class", "preserveAspectRatio"})
            root.remove_attribute(drop);
        pugi::xml_node copy = parent.append_copy(root);
        copy.append_attribute("x") = number(x).c_str();
        copy.append_attribute("y") = number(y).c_str();
        copy.append_attribute("width") = number(w).c_str();
        copy.append_attribute("height") = number(h).c_str();
        copy.append_attribute("preserveAspectRatio") = aspect;
        return true;
    }

    const std::string& assetsDir_;
    const SpriteEntry& entry_;
    pugi::xml_node frame_;
    std::string& error_;
};

}  // namespace

std::string SvgComposer::compose(const std::vector<SpriteEntry>& entries,
                                 const RectPacker::Placement& placement, std::string& error) const {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("svg");
    root.append_attribute("xmlns") = "http://www.w3.org/2000/svg";
    root.append_attribute("xmlns:xlink") = "http://www.w3.org/1999/xlink";
    root.append_attribute("width") = placement.sheetWidth;
    root.append_attribute("height") = placement.sheetHeight;
    root.append_attribute("viewBox") =
        ("0 0 " + std::to_string(placement.sheetWidth) + " " + std::to_string(placement.sheetHeight)).c_str();
    for (size_t i = 0; i < entries.size(); ++i) {
        const SpriteEntry& entry = entries[i];
        // A nested viewport clips the frame's drawing to its own rectangle.
        pugi::xml_node frame =
            element(root, "svg",
                    {{"x", std::to_string(placement.origins[i].x)},
                     {"y", std::to_string(placement.origins[i].y)},
                     {"width", std::to_string(entry.width)},
                     {"height", std::to_string(entry.height)},
                     {"viewBox", "0 0 " + std::to_string(entry.width) + " " + std::to_string(entry.height)},
                     {"overflow", "hidden"}});
        FrameBuilder builder(assetsDir_, entry, frame, error);
        if (!builder.build()) return {};
    }
    std::ostringstream out;
    document.save(out, "  ");
    return out.str();
}
