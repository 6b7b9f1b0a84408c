// A dialect map's legend: every symbol the map carries, drawn as on the map but 24 pixels large,
// with its name and the number of survey points that carry it.
//
// A symbol is a visible group tagged "kznObjectName" (its name); what is inside it is its
// drawing. The point that carries a symbol is the group the symbol stands in (the row of symbols
// the text-to-object run made from one label), or the symbol itself when it stands directly on a
// layer; a point that carries a name twice counts once. Lines go by descending count, a tie in
// the order the names are first met (layers from the top one down, children from the front).
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

#include "subhost/document/document.h"
#include "subhost/geometry/geometry.h"

namespace subhost::picture {

struct LegendLine {
    std::string name;             // Shift-JIS
    const Art* symbol = nullptr;  // the first group that carries the name
    int points = 0;
};

std::vector<LegendLine> LegendOf(const Document& document);

// Writes the legend of DOCUMENT to PATH (.png or .svg).
void RenderLegend(const Document& document, const std::string& path);

// The rectangle of a legend picture that belongs to one line's symbol, in pixels.
struct LegendCell {
    double left = 0, top = 0, width = 0, height = 0;
};

// Draws the symbol of LINES[LINE]: TOPIXELS takes document coordinates to the picture's pixels
// so that the symbol's visible bounds fill its place in CELL.
using SymbolPainter = std::function<void(cairo_t* cr, std::size_t line,
                                         const geometry::Matrix& toPixels, const LegendCell& cell)>;

// Writes the legend of LINES to PATH, each symbol drawn by PAINT. A legend larger than
// kMostPixelsASide (mappicture.h) a side is refused (PictureError) before PAINT is called.
void RenderLegend(const std::vector<LegendLine>& lines, const std::string& path,
                  const SymbolPainter& paint);

}  // namespace subhost::picture
