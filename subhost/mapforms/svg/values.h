// The values of an SVG map's attributes and properties as the host holds them: texts in
// Shift-JIS, numbers and lengths, transforms, style properties and their inheritance, colours as
// the host's gray tints.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "subhost/document/document.h"
#include "subhost/mapforms/svg/css.h"

namespace subhost::svg {

using geometry::Matrix;

// SVG's coordinates have y growing downwards, the document's upwards.
inline const Matrix kFlip = Matrix::Scale(1, -1);

// ---- texts

// UTF-8 as Shift-JIS, a character that has no Shift-JIS form given as the geta mark (U+3013).
std::string ToSjis(std::string_view utf8);

// UTF-8 as Shift-JIS for the host (ToSjis), noting in SPELLINGS under KEY how the file spells it
// where its Shift-JIS form reads otherwise (¥ and \ share one form; 〓 stands for a character
// that has none), so that the other map form and diff see the file's own text.
std::string Spelled(std::string_view utf8, Spellings& spellings, const std::string& key = "");

// ---- numbers

// V as SVG writes a number: the fewest digits that read back as V, and 0 for zero of either sign.
std::string Number(double v);

// The numbers of a list ("1,2 3e1-4"), as far as they read.
std::vector<double> Numbers(std::string_view s);

// The length attribute NAME of NODE in user units, FALLBACK where it has none.
double Length(pugi::xml_node node, const char* name, double fallback = 0);

// ---- transforms

// A transform attribute's list as librsvg reads it (the renderer of the host's pictures, so that
// a map is read as its picture shows it): the functions of SVG with their numbers apart by blanks
// or one comma, the functions apart by blanks or one comma too. A list that does not read so (a
// function unknown or with numbers it does not take, "translate(1,,2)", a number beyond 32-bit
// floats, a unit) is no transform: the identity, as librsvg ignores it.
Matrix ParseTransform(std::string_view s);
// The inverse of M; the identity where M has none.
Matrix Inverse(const Matrix& m);

// ---- style

// The properties of a style attribute ("fill:#000;stroke:none").
std::map<std::string, std::string> Declarations(std::string_view style);

// The value NODE itself gives property NAME (its style attribute's, else its attribute's, as
// written); empty where it gives none.
std::string Property(pugi::xml_node node, const char* name);

// The properties that matter here, as inherited down to an element. Its texts are views of the
// values the file gives (in the XML tree and the style sheet, which outlive the reading): a style
// is copied at every level of art, and a view costs the same whatever the value's length.
struct Style {
    std::string_view fill = "black";
    std::string_view stroke = "none";
    double strokeWidth = 1;
    double fontSize = 16;
    std::string_view color = "black";
    bool invisible = false;  // visibility:hidden
    // The other paint properties given ("fill-opacity" -> "0.5", "stroke-linecap" -> "round").
    std::map<std::string_view, std::string_view> paint;
    double opacity = 1;  // the element's and its ancestors' together
};

// The style of NODE, whose parent's is STYLE, as the cascade gives it: its style attribute, the
// rules of SHEET, where given, and its presentation attributes; HIDDEN, where given, is set to
// whether NODE is not drawn (display:none or visibility:hidden).
Style StyleOf(pugi::xml_node node, Style style, bool* hidden, const StyleSheet* sheet = nullptr);

// The distance between the baselines of a flowed text's lines: the line-height of its first
// line's element LINE (where given), else of TEXT: a number or a percentage of SIZE, or a length;
// 1.25 times SIZE for none or "normal", as Inkscape takes it.
double LineHeight(pugi::xml_node text, pugi::xml_node line, double size);

// ---- colours

// A paint as the host's gray tint (0 white, 1 black); none for "none". A colour gives its
// darkness (1 − luminance); a gradient or pattern (url(...)) is a middle gray; what cannot be
// read is black, as a viewer draws an unknown fill.
std::optional<double> GrayOf(std::string_view paint, std::string_view color);

// The gray tint GRAY as an SVG colour ("#5b5b5b").
std::string GrayColour(double gray);

}  // namespace subhost::svg
