#include "RectPacker.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

std::optional<std::vector<RectPacker::Point>> fillShelves(const std::vector<RectPacker::Size>& sizes,
                                                          const std::vector<size_t>& order, int padding,
                                                          int sheetWidth, int sheetHeight) {
    std::vector<RectPacker::Point> origins(sizes.size());
    int x = 0;
    int y = 0;
    int shelfHeight = 0;
    for (size_t index : order) {
        const int cellWidth = sizes[index].width + 2 * padding;
        const int cellHeight = sizes[index].height + 2 * padding;
        if (cellWidth > sheetWidth) return std::nullopt;
        if (x + cellWidth > sheetWidth) {
            y += shelfHeight;
            x = 0;
            shelfHeight = 0;
        }
        if (y + cellHeight > sheetHeight) return std::nullopt;
        origins[index] = {x + padding, y + padding};
        x += cellWidth;
        shelfHeight = std::max(shelfHeight, cellHeight);
    }
    return origins;
}

}  // namespace

std::optional<RectPacker::Placement> RectPacker::pack(const std::vector<Size>& sizes, int padding,
                                                      int maxSide) {
    std::vector<size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (sizes[a].height != sizes[b].height) return sizes[a].height > sizes[b].height;
        return sizes[a].width > sizes[b].width;
    });

    // Candidate sheets by growing area, the wider one first at equal area.
    std::vector<std::pair<int, int>> candidates;
    for (int w = 64; w <= maxSide; w *= 2)
        for (int h = 64; h <= w; h *= 2) candidates.emplace_back(w, h);
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
        return static_cast<long>(a.first) * a.second < static_cast<long>(b.first) * b.second;
    });

    for (const auto& [width, height] : candidates) {
        if (auto origins = fillShelves(sizes, order, padding, width, height))
            return Placement{width, height, std::move(*origins)};
    }
    return std::nullopt;
}
