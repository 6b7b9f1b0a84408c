// kznhost render and kznhost legend: pictures of a map.
#pragma once

#include <ostream>
#include <string>

namespace kznhost {

// Whether this kznhost can draw pictures (its Windows builds cannot: Debian has no cairo and
// pango for them).
bool CanDrawPictures();

// Draws the map MAP as a person sees it into OUT (.png or .svg), one document unit to SCALE
// pixels. Exit status 0, or 2 with one line on ERR when the map cannot be read or the picture
// cannot be made or written (nothing is written then).
int RenderPicture(const std::string& map, const std::string& out, double scale, std::ostream& err);

// Draws the legend of the symbols on MAP into OUT (.png or .svg); exit status as RenderPicture.
int RenderLegend(const std::string& map, const std::string& out, std::ostream& err);

}  // namespace kznhost
