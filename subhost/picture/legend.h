// A dialect map's legend: every symbol the map carries, drawn as on the map but 24 pixels large,
// with its name and the number of survey points that carry it.
//
// A symbol is a visible group tagged "kznObjectName" (its name); what is inside it is its
// drawing. The point that carries a symbol is the group the symbol stands in (the row of symbols
// the text-to-object run made from one label), or the symbol itself when it stands directly on a
// layer; a point that carries a name twice counts once. Lines go by descending count, a tie in
// the order the names are first met (layers from the top one down, children from the front).
#pragma once

#include <string>
#include <vector>

#include "subhost/document/document.h"

namespace subhost::picture {

struct LegendLine {
    std::string name;             // Shift-JIS
    const Art* symbol = nullptr;  // the first group that carries the name
    int points = 0;
};

std::vector<LegendLine> LegendOf(const Document& document);

// Writes the legend of DOCUMENT to PATH (.png or .svg).
void RenderLegend(const Document& document, const std::string& path);

}  // namespace subhost::picture
