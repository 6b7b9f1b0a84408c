// Attribute and property values of SVG maps: texts, numbers, transforms, style and colours.

#include "subhost/mapforms/svg/values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <numbers>

#include "subhost/document/paint.h"
#include "subhost/sjis.h"

namespace subhost::svg {
namespace {

// Shift-JIS has no form for the character: the module sees the geta mark (U+3013) in its place.
constexpr const char* kNoSjis = "\x81\xAC";

// The properties an element's style is made of, in the order of Cascade's slots.
constexpr std::string_view kStyleProperties[] = {"fill",
                                                 "stroke",
                                                 "color",
                                                 "fill-opacity",
                                                 "fill-rule",
                                                 "stroke-opacity",
                                                 "stroke-dasharray",
                                                 "stroke-dashoffset",
                                                 "stroke-linecap",
                                                 "stroke-linejoin",
                                                 "stroke-miterlimit",
                                                 "opacity",
                                                 "stroke-width",
                                                 "font-size",
                                                 "visibility",
                                                 "display"};
constexpr std::size_t kInheritedPaint = 3;  // the slots from here to "opacity": paint as given
constexpr std::size_t kOpacity = 11;

// The values of an element's style properties as the cascade gives them: its style attribute
// first, then the style sheets' rules (the last that sets one), then its presentation attributes.
// Read in one pass over each, as most elements give few of them.
using Cascade = std::array<std::optional<std::string_view>, std::size(kStyleProperties)>;

std::optional<std::size_t> Slot(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kStyleProperties); ++i) {
        if (kStyleProperties[i] == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::string_view Trimmed(std::string_view v) {
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front()))) {
        v.remove_prefix(1);
    }
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) {
        v.remove_suffix(1);
    }
    return v;
}

Cascade CascadeOf(pugi::xml_node node, const StyleSheet* sheet) {
    Cascade values;
    std::string_view style;
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view name(a.name());
        if (name == "style") {
            style = a.value();
        } else if (const auto slot = Slot(name)) {
            values[*slot] = a.value();
        }
    }
    if (sheet != nullptr && !sheet->empty()) {
        for (const auto& [name, value] : sheet->Matching(node)) {
            if (const auto slot = Slot(name)) {
                values[*slot] = value;
            }
        }
    }
    while (!style.empty()) {
        const std::size_t end = std::min(style.find(';'), style.size());
        const std::string_view decl = style.substr(0, end);
        style.remove_prefix(std::min(end + 1, style.size()));
        if (const std::size_t colon = decl.find(':'); colon != std::string_view::npos) {
            if (const auto slot = Slot(Trimmed(decl.substr(0, colon)))) {
                values[*slot] = Trimmed(decl.substr(colon + 1));
            }
        }
    }
    return values;
}

double FirstNumber(std::string_view v, double fallback) {
    const std::vector<double> n = Numbers(v);
    return n.empty() ? fallback : n[0];
}

// ---- transform lists, read as CSS tokens are (librsvg reads them so)

bool CssBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Moves AT past blanks and comments, which CSS reads as blanks.
void SkipBlanks(std::string_view s, std::size_t& at) {
    while (at < s.size()) {
        if (CssBlank(s[at])) {
            ++at;
        } else if (s.substr(at, 2) == "/*") {
            const std::size_t end = s.find("*/", at + 2);
            at = end == std::string_view::npos ? s.size() : end + 2;
        } else {
            return;
        }
    }
}

bool Digit(std::string_view s, std::size_t at) {
    return at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) != 0;
}

// Whether a number starts at AT: a digit, or a point or sign before one.
bool NumberStarts(std::string_view s, std::size_t at) {
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
        ++at;
    }
    return Digit(s, at) || (at < s.size() && s[at] == '.' && Digit(s, at + 1));
}

// The CSS number at AT, moving AT past it: digits with a fraction and an exponent, as CSS
// writes them ("1." and "1e" are not numbers). A number that runs into a unit or a percent sign
// is a dimension, not a number; one beyond 32-bit floats is not one either (CSS numbers are
// floats to librsvg).
std::optional<double> CssNumber(std::string_view s, std::size_t& at) {
    if (!NumberStarts(s, at)) {
        return std::nullopt;
    }
    std::size_t end = at + (s[at] == '+' || s[at] == '-' ? 1 : 0);
    while (Digit(s, end)) {
        ++end;
    }
    if (end < s.size() && s[end] == '.' && Digit(s, end + 1)) {
        for (++end; Digit(s, end); ++end) {
        }
    }
    if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
        const std::size_t sign = end + 1 < s.size() && (s[end + 1] == '+' || s[end + 1] == '-');
        if (Digit(s, end + 1 + sign)) {
            for (end += 1 + sign; Digit(s, end); ++end) {
            }
        }
    }
    const auto identStarts = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(i < s.size() ? s[i] : ' ');
        return std::isalpha(c) != 0 || c == '_' || c >= 0x80 || c == '\\';
    };
    if (end < s.size() &&
        (identStarts(end) || s[end] == '%' ||
         (s[end] == '-' && (identStarts(end + 1) || (end + 1 < s.size() && s[end + 1] == '-'))))) {
        return std::nullopt;
    }
    double v = 0;
    const char* first = s.data() + at + (s[at] == '+' ? 1 : 0);
    const auto r = std::from_chars(first, s.data() + end, v);
    if (r.ec != std::errc() || r.ptr != s.data() + end ||
        !(std::fabs(v) <= std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    at = end;
    return v;
}

// The transform of function NAME with arguments A; none for a function SVG does not have or
// numbers it does not take.
std::optional<Matrix> TransformFunction(std::string_view name, const std::vector<double>& a) {
    const std::size_t n = a.size();
    if (name == "matrix" && n == 6) {
        return Matrix{a[0], a[1], a[2], a[3], a[4], a[5]};
    }
    if (name == "translate" && (n == 1 || n == 2)) {
        return Matrix::Translation(a[0], n == 2 ? a[1] : 0);
    }
    if (name == "scale" && (n == 1 || n == 2)) {
        return Matrix::Scale(a[0], n == 2 ? a[1] : a[0]);
    }
    if (name == "rotate" && (n == 1 || n == 3)) {
        const double r = a[0] * std::numbers::pi / 180;
        const Matrix turn{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
        const double cx = n == 3 ? a[1] : 0;
        const double cy = n == 3 ? a[2] : 0;
        return Matrix::Translation(-cx, -cy).Then(turn).Then(Matrix::Translation(cx, cy));
    }
    if (name == "skewX" && n == 1) {
        return Matrix{1, 0, std::tan(a[0] * std::numbers::pi / 180), 1, 0, 0};
    }
    if (name == "skewY" && n == 1) {
        return Matrix{1, std::tan(a[0] * std::numbers::pi / 180), 0, 1, 0, 0};
    }
    return std::nullopt;
}

// The transform list S; none where it does not read (ParseTransform says how it reads).
std::optional<Matrix> TransformList(std::string_view s) {
    std::size_t at = 0;
    SkipBlanks(s, at);
    if (s.substr(at, 4) == "none") {
        at += 4;
        SkipBlanks(s, at);
        return at == s.size() ? std::optional<Matrix>(Matrix{}) : std::nullopt;
    }
    Matrix m;
    for (bool first = true;; first = false) {
        SkipBlanks(s, at);
        // One comma may stand between functions, and after the last.
        if (!first && at < s.size() && s[at] == ',') {
            ++at;
            SkipBlanks(s, at);
        }
        if (at == s.size()) {
            return m;
        }
        const std::size_t start = at;
        while (at < s.size() && std::isalpha(static_cast<unsigned char>(s[at]))) {
            ++at;
        }
        const std::string_view name = s.substr(start, at - start);
        SkipBlanks(s, at);
        if (name.empty() || at == s.size() || s[at] != '(') {
            return std::nullopt;
        }
        ++at;
        std::vector<double> args;
        SkipBlanks(s, at);
        // As in CSS, the end of the text closes the last function.
        while (at < s.size() && s[at] != ')') {
            if (!args.empty() && s[at] == ',') {
                ++at;
                SkipBlanks(s, at);
            }
            const std::optional<double> v = CssNumber(s, at);
            if (!v) {
                return std::nullopt;
            }
            args.push_back(*v);
            SkipBlanks(s, at);
        }
        at = std::min(at + 1, s.size());
        const std::optional<Matrix> t = TransformFunction(name, args);
        if (!t) {
            return std::nullopt;
        }
        // The rightmost transform of a list applies first.
        m = t->Then(m);
    }
}

}  // namespace

std::string ToSjis(std::string_view utf8) {
    if (std::optional<std::string> all = Utf8ToSjis(utf8)) {
        return *all;
    }
    std::string out;
    for (char32_t c : CodePoints(utf8)) {
        std::optional<std::string> one = Utf8ToSjis(Utf8Of(c));
        out += one ? *one : kNoSjis;
    }
    return out;
}

std::string Spelled(std::string_view utf8, Spellings& spellings, const std::string& key) {
    std::string sjis = ToSjis(utf8);
    if (ShowSjis(sjis) != utf8) {
        spellings[key] = {sjis, std::string(utf8)};
    }
    return sjis;
}

std::string Number(double v) {
    return v == 0 ? "0" : ShortestNumber(v);
}

std::vector<double> Numbers(std::string_view s) {
    std::vector<double> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (std::isspace(static_cast<unsigned char>(s[i])) || s[i] == ',')) {
            ++i;
        }
        if (i >= s.size()) {
            break;
        }
        double v = 0;
        const char* start = s.data() + i;
        if (*start == '+') {
            ++start;
        }
        const auto result = std::from_chars(start, s.data() + s.size(), v);
        if (result.ec != std::errc() || !std::isfinite(v)) {
            break;
        }
        out.push_back(v);
        i = static_cast<std::size_t>(result.ptr - s.data());
        // A unit after a length ("12px") is not part of the next number.
        while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) {
            ++i;
        }
        if (i < s.size() && s[i] == '%') {
            ++i;
        }
    }
    return out;
}

double Length(pugi::xml_node node, const char* name, double fallback) {
    const std::vector<double> v = Numbers(node.attribute(name).value());
    return v.empty() ? fallback : v[0];
}

Matrix ParseTransform(std::string_view s) {
    return TransformList(s).value_or(Matrix{});
}

Matrix Inverse(const Matrix& m) {
    const double det = m.a * m.d - m.b * m.c;
    if (det == 0 || !std::isfinite(det)) {
        return {};
    }
    return {m.d / det,
            -m.b / det,
            -m.c / det,
            m.a / det,
            (m.c * m.ty - m.d * m.tx) / det,
            (m.b * m.tx - m.a * m.ty) / det};
}

std::map<std::string, std::string> Declarations(std::string_view style) {
    std::map<std::string, std::string> out;
    std::size_t i = 0;
    while (i < style.size()) {
        std::size_t end = style.find(';', i);
        if (end == std::string_view::npos) {
            end = style.size();
        }
        const std::string_view decl = style.substr(i, end - i);
        const std::size_t colon = decl.find(':');
        if (colon != std::string_view::npos) {
            auto trim = [](std::string_view v) {
                while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front()))) {
                    v.remove_prefix(1);
                }
                while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) {
                    v.remove_suffix(1);
                }
                return std::string(v);
            };
            out[trim(decl.substr(0, colon))] = trim(decl.substr(colon + 1));
        }
        i = end + 1;
    }
    return out;
}

Style StyleOf(pugi::xml_node node, Style style, bool* hidden, const StyleSheet* sheet) {
    const Cascade values = CascadeOf(node, sheet);
    const auto given = [&](std::size_t slot) {
        return values[slot] && *values[slot] != "inherit" ? values[slot] : std::nullopt;
    };
    for (const auto& [slot, field] : {std::pair<std::size_t, std::string_view*>{0, &style.fill},
                                      {1, &style.stroke},
                                      {2, &style.color}}) {
        if (const auto v = given(slot)) {
            *field = *v;
        }
    }
    // The other paint properties inherit as given; opacity does not inherit, but what a group's
    // opacity does to its art, a copy of the art leaving the group must do itself.
    for (std::size_t slot = kInheritedPaint; slot < kOpacity; ++slot) {
        if (const auto v = given(slot)) {
            style.paint[kStyleProperties[slot]] = *v;
        }
    }
    if (const auto v = given(kOpacity)) {
        const double opacity = FirstNumber(*v, 1);
        style.opacity *= std::clamp(v->ends_with('%') ? opacity / 100 : opacity, 0.0, 1.0);
    }
    if (const auto v = values[12]) {
        style.strokeWidth = FirstNumber(*v, style.strokeWidth);
    }
    if (const auto v = values[13]) {
        style.fontSize = FirstNumber(*v, style.fontSize);
    }
    if (const auto v = values[14]) {
        style.invisible = *v == "hidden" || *v == "collapse";
    }
    if (hidden != nullptr) {
        *hidden = (values[15] && *values[15] == "none") || style.invisible;
    }
    return style;
}

std::string Property(pugi::xml_node node, const char* name) {
    const auto declarations = Declarations(node.attribute("style").value());
    const auto it = declarations.find(name);
    return it != declarations.end() ? it->second : std::string(node.attribute(name).value());
}

double LineHeight(pugi::xml_node text, pugi::xml_node line, double size) {
    std::string value = line ? Property(line, "line-height") : std::string();
    value = value.empty() ? Property(text, "line-height") : value;
    const std::vector<double> v = Numbers(value);
    if (v.empty()) {
        return 1.25 * size;
    }
    if (value.ends_with('%')) {
        return v[0] / 100 * size;
    }
    return std::isdigit(static_cast<unsigned char>(value.back())) || value.back() == '.'
               ? v[0] * size
               : v[0];
}

std::optional<double> GrayOf(std::string_view paint, std::string_view color) {
    if (paint == "none" || paint == "transparent") {
        return std::nullopt;
    }
    if (paint.starts_with("url(")) {
        return 0.5;
    }
    const std::optional<Rgba> rgb =
        CssColour(std::string(paint == "currentColor" || paint == "currentcolor" ? color : paint));
    if (!rgb) {
        return 1.0;
    }
    const double luminance = 0.299 * rgb->r + 0.587 * rgb->g + 0.114 * rgb->b;
    return std::round((1 - luminance) * 1e6) / 1e6;
}

std::string GrayColour(double gray) {
    const double g = std::clamp(gray, 0.0, 1.0);
    const int v = static_cast<int>(std::lround((1 - g) * 255));
    char out[8];
    std::snprintf(out, sizeof out, "#%02x%02x%02x", v, v, v);
    return out;
}

}  // namespace subhost::svg
