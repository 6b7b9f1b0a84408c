// How art is painted, beyond the gray tints the module sees: the paint a map gave a path, kept
// with it (KeptPaint, document.h) so that every copy is painted as its symbol is, and read here
// as the colours a picture draws. Colours are CSS's, as SVG maps write them.
#pragma once

#include <optional>
#include <string>

#include "subhost/document/document.h"

namespace subhost {

// The properties a path's kept paint holds, resolved for the path itself.
inline constexpr const char* kPaintProperties[] = {
    "fill",           "fill-opacity",    "fill-rule",         "stroke",
    "stroke-width",   "stroke-opacity",  "stroke-dasharray",  "stroke-dashoffset",
    "stroke-linecap", "stroke-linejoin", "stroke-miterlimit", "opacity"};

// Whether A and B give the same tints: a fill and a stroke or none, of the same grays (a stroke's
// width is not a tint: scaling a copy changes it and keeps its paint).
bool SameTints(const PathStyle& a, const PathStyle& b);

// The kept paint of PATH where it is in force: kept, and the module has not set other tints
// since (where the module sets a path's paint, its value wins); null otherwise.
const KeptPaint* PaintInForce(const Art& path);

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
    bool operator==(const Rgba&) const = default;
};

// A CSS colour: #rgb, #rgba, #rrggbb, #rrggbbaa, rgb() and rgba() of numbers or percentages,
// hsl() and hsla(), with commas or blanks and a "/ alpha", the 148 names (case aside), and
// transparent; none for anything else.
std::optional<Rgba> CssColour(std::string value);

// What a picture fills and strokes PATH with: its kept paint's colour where in force (a gradient
// or pattern as its fallback colour, else a middle gray; the opacities as alpha), its gray tint
// otherwise; none where it has no fill or no stroke.
std::optional<Rgba> FillColour(const Art& path);
std::optional<Rgba> StrokeColour(const Art& path);
// Whether PATH is filled by the even-odd rule.
bool EvenOdd(const Art& path);

}  // namespace subhost
