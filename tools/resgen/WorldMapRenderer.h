#pragma once

#include "RgbaImage.h"

#include <string>
#include <vector>

// Draws the land masses of a TopoJSON topology (longitude/latitude in degrees) as an
// equirectangular picture: a faint land fill under a regular grid of dots, a faint graticule and
// markers for a few market cities. Meant to sit, subdued, behind the charts.
class WorldMapRenderer {
public:
    struct LonLat {
        double lon = 0;
        double lat = 0;
    };
    struct Style {
        int width = 2048;
        double north = 84.0;   // latitude of the top edge
        double south = -58.0;  // latitude of the bottom edge
        int dotSpacing = 7;
        double dotRadius = 2.0;
        Rgba ocean{23, 27, 41, 255};
        Rgba landFill{33, 40, 60, 255};
        Rgba dot{66, 81, 118, 255};
        Rgba graticule{255, 255, 255, 12};
        Rgba city{48, 131, 255, 255};
    };

    // Reads the named object (a GeometryCollection of Polygons / MultiPolygons) from the file.
    bool loadTopoJson(const std::string& path, const std::string& objectName, std::string& error);
    // Same from text already in memory; `origin` names it in messages.
    bool parseTopoJson(const std::string& text, const std::string& objectName, const std::string& origin,
                       std::string& error);

    size_t ringCount() const { return rings_.size(); }
    // Even-odd test against every ring.
    bool isLand(LonLat point) const;
    RgbaImage render(const Style& style) const;

private:
    // Longitudes where the parallel at `lat` crosses a ring edge, sorted.
    std::vector<double> crossings(double lat) const;

    std::vector<std::vector<LonLat>> rings_;
};
