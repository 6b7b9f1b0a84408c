// Path data as a viewer draws it: SVG's path commands, arcs among them, and the basic shapes
// (rect, circle, ellipse, line, polyline, polygon), as subpaths of Bézier segments.
#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "subhost/document/document.h"

namespace subhost::svg {

struct Subpath {
    std::vector<Segment> segments;
    bool closed = false;
};

// What ParsePathData throws where the data would make more points than it was given leave to.
struct TooManyPoints {};

// Reads path data as far as it is well-formed, as a viewer draws it. Throws TooManyPoints rather
// than make more than MAXPOINTS points (every path of a map together holds no more than that).
std::vector<Subpath> ParsePathData(std::string_view d,
                                   std::size_t maxPoints = MapBudget::kBounds[MapBudget::kPoints]);

// How many points and subpaths path data draws.
struct PathSize {
    std::size_t points = 0;
    std::size_t subpaths = 0;
};
// What ParsePathData(D) would give, counted without making it.
PathSize MeasurePathData(std::string_view d);

// The path data of a basic shape, or of a <path>; none for an element that is neither.
std::optional<std::string> ShapeData(pugi::xml_node node);

}  // namespace subhost::svg
