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

// Reads path data as far as it is well-formed, as a viewer draws it.
std::vector<Subpath> ParsePathData(std::string_view d);

// The path data of a basic shape, or of a <path>; none for an element that is neither.
std::optional<std::string> ShapeData(pugi::xml_node node);

}  // namespace subhost::svg
