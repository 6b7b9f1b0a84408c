// The map as a person sees it in the drawing application.
//
// - Layers are painted from the bottom one (the last of the document's list) up, and each
//   children list from its last child (the back) to its first (the front). Hidden art, and
//   everything inside it, is left out.
// - A path is its Bézier segments (closed: back to its first point), filled, then stroked. A
//   compound path is one shape made of its visible paths, painted with the style of the first of
//   them and filled by the even-odd rule (a path inside another makes a hole).
// - A gray is a tint: 0 is white, 1 black; a value outside 0…1 is drawn as the nearer end. A
//   stroke's width is in document units.
// - A point text stands on its first baseline at its anchor, turned by its orientation, its size
//   in document units, black, in a Japanese Gothic. A text on a path is set character by
//   character along the path from its first point, each character turned with the path.
// - The page is the union of the bounds of the visible art (a text's box with a quarter em round
//   it, a text on a path its path with an em round it, so that glyphs stay on the page), with a
//   margin of kMargin units all round; document y grows upwards, the picture's downwards. At scale
//   s one unit is s pixels.
#pragma once

#include <cairo.h>

#include <string>

#include "subhost/document/document.h"
#include "subhost/geometry/geometry.h"

namespace subhost::picture {

// The margin round the art, in document units.
constexpr double kMargin = 10;

struct Page {
    geometry::Rect area;        // the document's rectangle that the picture shows
    double scale = 1;           // pixels a unit
    int width = 0, height = 0;  // in pixels
    geometry::Matrix toPixels;  // document coordinates to the picture's pixels
};

// A page is at most this many pixels a side (SVG units included).
constexpr double kMostPixelsASide = 1'000'000;

struct PixelSize {
    int width = 0, height = 0;
};

// The size in pixels of a picture of WIDTH by HEIGHT units at SCALE whose farthest coordinate
// lies FAR from the origin. Throws PictureError, naming the page as WHAT ("the visible art"),
// when it is not at least one and at most kMostPixelsASide pixels a side, or when a pixel cannot
// be placed among coordinates that large.
PixelSize PixelsOf(double width, double height, double far, double scale, const std::string& what);

// The page of DOCUMENT's visible art at SCALE. A map with no visible art gets a page of its
// margins round the origin. Throws PictureError when the page would be larger than
// kMostPixelsASide.
Page PageOf(const Document& document, double scale = 1);

// The union of the bounds of ART's visible leaves, each taken through M.
geometry::Bounds VisibleBounds(const Art& art, const geometry::Matrix& m = {});

// Paints ART (and what is inside it) with document coordinates taken through TOPIXELS.
void PaintArt(cairo_t* cr, const Art& art, const geometry::Matrix& toPixels);

// Paints the whole map on a white page.
void PaintMap(cairo_t* cr, const Document& document, const Page& page);

// Writes the picture of DOCUMENT at SCALE to PATH (.png or .svg).
void RenderMap(const Document& document, const std::string& path, double scale = 1);

}  // namespace subhost::picture
