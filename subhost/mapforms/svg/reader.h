// Reading an SVG map into the host's document, with Inkscape's conventions (docs/svg.md has every
// rule): layers, art, texts, symbols as patterns; what writing the map back needs goes to the
// source kept beside the document.
#pragma once

#include <string_view>

#include "subhost/mapforms/svg/source.h"

namespace subhost::svg {

// Refuses TEXT, before the XML parser makes a node of it, where it holds more elements or
// attributes than a map may (MapBudget): counted as its '<' and '=' characters, of which there
// are as many at least (a closing tag or a '=' in a text counts too). Throws SvgFault at the one
// past the bound.
void CheckMarkupBudget(std::string_view text);

// Reads the XML SOURCE holds into DOCUMENT, noting in SOURCE what each object was read from.
// Throws SvgFault for what no map may hold: more than its budget (MapBudget), numbers too large
// to hold, a cycle of <use> elements.
void ReadSvg(Document& document, SvgSource& source);

}  // namespace subhost::svg
