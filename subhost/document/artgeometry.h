// The geometry of the document's art: its bounds, and what transforming it does.
#pragma once

#include "subhost/document/document.h"
#include "subhost/geometry/geometry.h"

namespace subhost {

// The bounds of ART as it would be under M (the art itself is not changed):
// - a path: its curve, Bézier extremes included, the stroke not counted;
// - a group or compound path: the union of its children (hidden ones included);
// - a text on a path: its path;
// - a point text: its text box (below).
// Art without geometry (an empty group, a path without points) adds nothing.
geometry::Bounds ArtBounds(const Art& art, const geometry::Matrix& m = {});

// The box a point text takes, as four corners in document coordinates. The host has no fonts, so
// it lays text out by rule: every character of two Shift-JIS bytes is one em wide (the text's
// size), every single-byte character half an em; lines end at CR and follow each other 1.2 em
// apart; the box reaches 0.8 em above the first line's baseline and 0.2 em below the last's.
// The box starts at the anchor, on the first baseline, and is turned by the text's orientation.
std::array<geometry::Point, 4> TextBox(const Art& text);

// Transforms ART by M as the transform call does with FLAGS (kTransformObjects moves the
// geometry, kScaleLines multiplies stroke widths by LINESCALE): path points and both handles;
// a text's anchor, its path, and its orientation (followed by M without its translation);
// the children of groups and compound paths. Every art it reaches keeps FLAGS as its
// transformOptions.
void TransformArt(Art& art, const geometry::Matrix& m, double lineScale, ASInt32 flags);

// Whether TransformArt(ART, M, LINESCALE, FLAGS) would leave every number of the art finite: a
// map holds finite numbers only, and a transform that overflows (or is not finite itself) is
// refused before it changes anything.
bool TransformStaysFinite(const Art& art, const geometry::Matrix& m, double lineScale,
                          ASInt32 flags);

// The first art under ROOT (ROOT included, depth first) holding a number that is not finite, or
// nullptr: no map form can write such a number so that it reads back.
const Art* FirstNonFinite(const Art& root);

}  // namespace subhost
