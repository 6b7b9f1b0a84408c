// Pictures of SVG maps as an SVG viewer shows them: librsvg draws the map's own markup, with its
// colours, gradients, embedded images and texts. A negative font size draws nothing (as a text too
// small to see in a JSON map): librsvg would have pango refuse it, on standard error, and set
// the text at a size of its own.
//
// librsvg is given the map's bytes and no file name or base URL, so it loads nothing the file
// names outside itself (images, other files' elements, style sheets): only data: URLs inside the
// file are drawn.
//
// The page is the one the file defines, in the root's user units: its viewBox fitted into its
// width and height (centred and as large as it fits, as SVG fits a viewBox by default), the viewBox
// alone where the file gives no width and height, the width and height alone (user units are CSS
// pixels then) where it gives no viewBox, and where it gives none of them the bounds of what it
// draws with a margin of kMargin units. At scale s one user unit is s pixels.
#pragma once

#include <string>

#include "subhost/document/document.h"
#include "subhost/mapforms/mapforms.h"

namespace subhost::picture {

struct SvgPage {
    double x = 0, y = 0, width = 0, height = 0;  // in the root's user units
    double scale = 1;
    int pixelsWide = 0, pixelsHigh = 0;
};

// The page of the SVG map whose markup is SVG, at SCALE. Throws PictureError when librsvg cannot
// read it or the page is out of the bounds of a picture (as PageOf).
SvgPage PageOfSvg(const std::string& svg, double scale = 1);

// Writes the picture of the SVG markup SVG at SCALE to PATH (.png or .svg).
void RenderSvgMap(const std::string& svg, const std::string& path, double scale = 1);

// Writes the legend of DOCUMENT, read from an SVG map that SOURCE keeps, to PATH: the lines of
// LegendOf, each symbol drawn by librsvg as on the map, alone. The map is written and read once,
// whatever the number of symbols; DOCUMENT's symbols carry a tag of the legend's for a while and
// are left as they were.
void RenderSvgLegend(Document& document, const MapSource& source, const std::string& path);

}  // namespace subhost::picture
