#pragma once

#include <optional>
#include <vector>

// Places rectangles on the smallest power-of-two sheet that holds them, shelf by shelf,
// tallest first. Each rectangle keeps `padding` free pixels on every side, so two frames are
// always at least 2 x padding apart and a frame never touches the sheet's edge.
class RectPacker {
public:
    struct Size {
        int width = 0;
        int height = 0;
    };
    struct Point {
        int x = 0;
        int y = 0;
    };
    struct Placement {
        int sheetWidth = 0;
        int sheetHeight = 0;
        std::vector<Point> origins;  // top-left corner of each rectangle, in input order
    };

    // Empty when the rectangles do not fit on a maxSide x maxSide sheet.
    static std::optional<Placement> pack(const std::vector<Size>& sizes, int padding, int maxSide);
};
