#pragma once

#include "RectPacker.h"
#include "SpriteManifest.h"

#include <string>
#include <vector>

// Builds one SVG document that draws every frame of the sheet at its packed place, so that a
// single rsvg-convert run rasterises the whole sheet. Sources are inlined (librsvg refuses
// external files outside the document's folder); their ids are prefixed per frame so that two
// inlined files never collide.
//
// Styles (the manifest's fourth column):
//   art         the source drawn as it is, stretched to the frame
//   icon        a one-colour glyph (currentColor) centred, normal colour, no background
//   icon_sel    the same glyph in white on an accent-tinted rounded plate: hover / selected state
//   button      the glyph on a dark rounded button plate, for buttons that float over charts
//   button_sel  the glyph in white on an accent plate
//   round       the source clipped to a circle with a faint ring (zone flags)
//   pair        two circles, the second overlapping the first (currency pairs, emblem + country)
//   swatch      a rounded colour chip filled with option color=#rrggbb
//   stroke      a horizontal line of option px=N pixels, the line-width chooser's sample
// Options: glyph=N (glyph box in px), color=#rrggbb (glyph colour), stroke=N (glyph stroke width
// in the glyph's own units), radius=N (plate corner radius).
class SvgComposer {
public:
    explicit SvgComposer(std::string assetsDir) : assetsDir_(std::move(assetsDir)) {}

    // Empty result and a message in error when a source is missing, unreadable or the style unknown.
    std::string compose(const std::vector<SpriteEntry>& entries, const RectPacker::Placement& placement,
                        std::string& error) const;

private:
    std::string assetsDir_;
};
