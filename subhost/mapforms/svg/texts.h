// What a text element of an SVG map says: its characters as SVG lays them out, its lines and
// paragraphs (Inkscape's line tspans, a flowRoot's paragraphs), and where a flowed text's first
// line stands. The reader (reader.h) makes the host's texts of them.
#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {

// Whether NODE is one of Inkscape's line tspans (sodipodi:role="line").
bool IsLine(pugi::xml_node node);
// Whether NODE's white space is kept (xml:space="preserve" on it or an ancestor).
bool Preserved(pugi::xml_node node);
// TEXT's characters as SVG lays them out, white space kept (PRESERVE) or collapsed.
std::string Spaces(const std::string& text, bool preserve);
// The characters NODE holds: its own, its spans' and its text path's.
std::string AllText(pugi::xml_node node);
// The characters of an SVG 2 flowed text NODE, lines kept where its white-space keeps them.
std::string FlowedSpaces(const std::string& text, pugi::xml_node node);
// The paragraphs of the flowRoot NODE, in order.
std::vector<pugi::xml_node> Paragraphs(pugi::xml_node node);
// Where the first line of TEXT (LINE its element, of font SIZE, FIRST its characters) stands
// when it flows into FRAME, in TEXT's coordinates; none for a frame with no points.
std::optional<Point> FrameAnchor(pugi::xml_node frame, pugi::xml_node text, pugi::xml_node line,
                                 double size, std::string_view first);

}  // namespace subhost::svg
