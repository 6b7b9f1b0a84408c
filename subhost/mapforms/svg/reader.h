// Reading an SVG map into the host's document, with Inkscape's conventions (docs/svg.md has every
// rule): layers, art, texts, symbols as patterns; what writing the map back needs goes to the
// source kept beside the document.
#pragma once

#include "subhost/mapforms/svg/source.h"

namespace subhost::svg {

// Reads the XML SOURCE holds into DOCUMENT, noting in SOURCE what each object was read from.
// Throws SvgFault for what no map may hold.
void ReadSvg(Document& document, SvgSource& source);

}  // namespace subhost::svg
