#include "WorldMapRenderer.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr int SUBROWS = 4;  // vertical samples per pixel row for the land fill's edges

struct MarketCity {
    double lon;
    double lat;
};
// The world clock's zones: Beijing, New York, London, Tokyo, Sydney, Singapore, Hong Kong.
constexpr MarketCity MARKET_CITIES[] = {{116.40, 39.90},  {-74.01, 40.71}, {-0.13, 51.51}, {139.69, 35.69},
                                        {151.21, -33.87}, {103.82, 1.35},  {114.17, 22.32}};

bool readPair(const rapidjson::Value& value, double& a, double& b) {
    if (!value.IsArray() || value.Size() < 2 || !value[0].IsNumber() || !value[1].IsNumber()) return false;
    a = value[0].GetDouble();
    b = value[1].GetDouble();
    return true;
}

void disc(RgbaImage& image, double cx, double cy, double radius, Rgba colour) {
    const int x0 = static_cast<int>(std::floor(cx - radius - 1));
    const int x1 = static_cast<int>(std::ceil(cx + radius + 1));
    const int y0 = static_cast<int>(std::floor(cy - radius - 1));
    const int y1 = static_cast<int>(std::ceil(cy + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double distance = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            image.blendPixel(x, y, colour, static_cast<float>(std::clamp(radius + 0.5 - distance, 0.0, 1.0)));
        }
}

}  // namespace

bool WorldMapRenderer::loadTopoJson(const std::string& path, const std::string& objectName,
                                    std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseTopoJson(text.str(), objectName, path, error);
}

bool WorldMapRenderer::parseTopoJson(const std::string& text, const std::string& objectName,
                                     const std::string& origin, std::string& error) {
    rings_.clear();
    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    if (document.HasParseError() || !document.IsObject()) {
        error = origin + ": not a JSON object";
        return false;
    }
    double scaleX = 1, scaleY = 1, translateX = 0, translateY = 0;
    bool quantized = false;
    if (document.HasMember("transform") && document["transform"].IsObject()) {
        const auto& transform = document["transform"];
        if (!transform.HasMember("scale") || !transform.HasMember("translate") ||
            !readPair(transform["scale"], scaleX, scaleY) ||
            !readPair(transform["translate"], translateX, translateY)) {
            error = origin + ": bad transform";
            return false;
        }
        quantized = true;
    }
    if (!document.HasMember("arcs") || !document["arcs"].IsArray()) {
        error = origin + ": no arcs";
        return false;
    }
    // Decode every arc to degrees; quantized arcs are delta-encoded.
    std::vector<std::vector<LonLat>> arcs;
    for (const auto& arc : document["arcs"].GetArray()) {
        if (!arc.IsArray()) {
            error = origin + ": bad arc";
            return false;
        }
        std::vector<LonLat> points;
        double x = 0, y = 0;
        for (const auto& position : arc.GetArray()) {
            double a = 0, b = 0;
            if (!readPair(position, a, b)) {
                error = origin + ": bad arc position";
                return false;
            }
            if (quantized) {
                x += a;
                y += b;
                points.push_back({x * scaleX + translateX, y * scaleY + translateY});
            } else {
                points.push_back({a, b});
            }
        }
        arcs.push_back(std::move(points));
    }
    if (!document.HasMember("objects") || !document["objects"].IsObject() ||
        !document["objects"].HasMember(objectName.c_str())) {
        error = origin + ": no object '" + objectName + "'";
        return false;
    }
    const auto& object = document["objects"][objectName.c_str()];
    auto addRing = [&](const rapidjson::Value& ring) {
        if (!ring.IsArray()) return false;
        std::vector<LonLat> points;
        for (const auto& reference : ring.GetArray()) {
            if (!reference.IsInt()) return false;
            const int index = reference.GetInt();
            const size_t arcIndex = static_cast<size_t>(index >= 0 ? index : ~index);
            if (arcIndex >= arcs.size()) return false;
            std::vector<LonLat> arc = arcs[arcIndex];
            if (index < 0) std::reverse(arc.begin(), arc.end());
            // Consecutive arcs share their joining point.
            points.insert(points.end(), arc.begin() + (points.empty() ? 0 : 1), arc.end());
        }
        if (points.size() < 3) return true;
        // Rings that cross the antimeridian jump by about 360 degrees; unwrap them into one
        // continuous outline and keep copies one world to each side, so the part beyond +-180
        // shows at the other edge instead of a stripe across the whole map.
        double shift = 0.0;
        for (size_t i = 1; i < points.size(); ++i) {
            const double step = points[i].lon + shift - points[i - 1].lon;
            if (step > 180.0) shift -= 360.0;
            if (step < -180.0) shift += 360.0;
            points[i].lon += shift;
        }
        for (double copy : {-360.0, 360.0}) {
            std::vector<LonLat> shifted = points;
            for (auto& point : shifted) point.lon += copy;
            rings_.push_back(std::move(shifted));
        }
        rings_.push_back(std::move(points));
        return true;
    };
    auto addGeometry = [&](const rapidjson::Value& geometry) {
        if (!geometry.IsObject() || !geometry.HasMember("type") || !geometry["type"].IsString() ||
            !geometry.HasMember("arcs") || !geometry["arcs"].IsArray())
            return false;
        const std::string type = geometry["type"].GetString();
        if (type == "Polygon") {
            for (const auto& ring : geometry["arcs"].GetArray())
                if (!addRing(ring)) return false;
            return true;
        }
        if (type == "MultiPolygon") {
            for (const auto& polygon : geometry["arcs"].GetArray()) {
                if (!polygon.IsArray()) return false;
                for (const auto& ring : polygon.GetArray())
                    if (!addRing(ring)) return false;
            }
            return true;
        }
        return false;
    };
    bool ok = true;
    if (object.IsObject() && object.HasMember("geometries") && object["geometries"].IsArray()) {
        for (const auto& geometry : object["geometries"].GetArray()) ok = ok && addGeometry(geometry);
    } else {
        ok = addGeometry(object);
    }
    if (!ok || rings_.empty()) {
        error = origin + ": object '" + objectName + "' holds no readable polygons";
        rings_.clear();
        return false;
    }
    return true;
}

std::vector<double> WorldMapRenderer::crossings(double lat) const {
    std::vector<double> result;
    for (const auto& ring : rings_) {
        for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
            const LonLat& p = ring[j];
            const LonLat& q = ring[i];
            if ((p.lat > lat) != (q.lat > lat))
                result.push_back(p.lon + (lat - p.lat) * (q.lon - p.lon) / (q.lat - p.lat));
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

bool WorldMapRenderer::isLand(LonLat point) const {
    const auto cuts = crossings(point.lat);
    const auto below = std::upper_bound(cuts.begin(), cuts.end(), point.lon) - cuts.begin();
    return below % 2 == 1;
}

RgbaImage WorldMapRenderer::render(const Style& style) const {
    const double latSpan = style.north - style.south;
    const int height = static_cast<int>(std::lround(style.width * latSpan / 360.0));
    RgbaImage image(style.width, height);
    image.fill(style.ocean);
    const double pxPerDegree = style.width / 360.0;
    auto toX = [&](double lon) { return (lon + 180.0) * pxPerDegree; };
    auto toY = [&](double lat) { return (style.north - lat) * pxPerDegree; };

    // Land fill: each pixel row sampled on SUBROWS parallels, horizontal coverage exact.
    std::vector<float> coverage(static_cast<size_t>(style.width));
    for (int y = 0; y < height; ++y) {
        std::fill(coverage.begin(), coverage.end(), 0.0f);
        for (int sub = 0; sub < SUBROWS; ++sub) {
            const double lat = style.north - (y + (sub + 0.5) / SUBROWS) / pxPerDegree;
            const auto cuts = crossings(lat);
            for (size_t k = 0; k + 1 < cuts.size(); k += 2) {
                const double from = toX(cuts[k]);
                const double to = toX(cuts[k + 1]);
                for (int x = std::max(0, static_cast<int>(from));
                     x < std::min(style.width, static_cast<int>(to) + 1); ++x) {
                    const double inside = std::min<double>(x + 1, to) - std::max<double>(x, from);
                    if (inside > 0) coverage[x] += static_cast<float>(inside / SUBROWS);
                }
            }
        }
        for (int x = 0; x < style.width; ++x) image.blendPixel(x, y, style.landFill, coverage[x]);
    }

    for (int lon = -150; lon < 180; lon += 30)
        for (int y = 0; y < height; ++y)
            image.blendPixel(static_cast<int>(toX(lon)), y, style.graticule, 1.0f);
    for (int lat = -30; lat <= 60; lat += 30)
        for (int x = 0; x < style.width; ++x)
            image.blendPixel(x, static_cast<int>(toY(lat)), style.graticule, 1.0f);

    const double spacing = style.dotSpacing;
    for (double cy = spacing / 2; cy < height; cy += spacing) {
        const double lat = style.north - cy / pxPerDegree;
        const auto cuts = crossings(lat);
        for (double cx = spacing / 2; cx < style.width; cx += spacing) {
            const double lon = cx / pxPerDegree - 180.0;
            const auto below = std::upper_bound(cuts.begin(), cuts.end(), lon) - cuts.begin();
            if (below % 2 == 1) disc(image, cx, cy, style.dotRadius, style.dot);
        }
    }

    for (const auto& city : MARKET_CITIES) {
        Rgba halo = style.city;
        halo.a = 40;
        disc(image, toX(city.lon), toY(city.lat), 7.0, halo);
        disc(image, toX(city.lon), toY(city.lat), 2.6, style.city);
    }
    return image;
}
