// Attribute and property values of SVG maps: texts, numbers, transforms, style and colours.

#include "subhost/mapforms/svg/values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <numbers>

#include "subhost/sjis.h"

namespace subhost::svg {
namespace {

// Shift-JIS has no form for the character: the module sees the geta mark (U+3013) in its place.
constexpr const char* kNoSjis = "\x81\xAC";

// The value of property NAME on NODE: its style attribute first, then its attribute.
std::optional<std::string> Property(pugi::xml_node node,
                                    const std::map<std::string, std::string>& decls,
                                    const char* name) {
    if (const auto it = decls.find(name); it != decls.end()) {
        return it->second;
    }
    if (pugi::xml_attribute a = node.attribute(name)) {
        return std::string(a.value());
    }
    return std::nullopt;
}

// The colours CSS names (all 148 of CSS Color 4), as 0xRRGGBB, in alphabetical order. (GDK and
// Pango parse X11's names, which are other colours for gray, green, maroon and purple.)
struct NamedColour {
    const char* name;
    std::uint32_t rgb;
};
constexpr NamedColour kNamedColours[] = {
    {"aliceblue", 0xf0f8ff},
    {"antiquewhite", 0xfaebd7},
    {"aqua", 0x00ffff},
    {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff},
    {"beige", 0xf5f5dc},
    {"bisque", 0xffe4c4},
    {"black", 0x000000},
    {"blanchedalmond", 0xffebcd},
    {"blue", 0x0000ff},
    {"blueviolet", 0x8a2be2},
    {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0},
    {"chartreuse", 0x7fff00},
    {"chocolate", 0xd2691e},
    {"coral", 0xff7f50},
    {"cornflowerblue", 0x6495ed},
    {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c},
    {"cyan", 0x00ffff},
    {"darkblue", 0x00008b},
    {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xa9a9a9},
    {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f},
    {"darkorange", 0xff8c00},
    {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000},
    {"darksalmon", 0xe9967a},
    {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f},
    {"darkslategrey", 0x2f4f4f},
    {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3},
    {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1e90ff},
    {"firebrick", 0xb22222},
    {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22},
    {"fuchsia", 0xff00ff},
    {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700},
    {"goldenrod", 0xdaa520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xadff2f},
    {"grey", 0x808080},
    {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082},
    {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00},
    {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080},
    {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2},
    {"lightgray", 0xd3d3d3},
    {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a},
    {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0},
    {"lime", 0x00ff00},
    {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6},
    {"magenta", 0xff00ff},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1},
    {"moccasin", 0xffe4b5},
    {"navajowhite", 0xffdead},
    {"navy", 0x000080},
    {"oldlace", 0xfdf5e6},
    {"olive", 0x808000},
    {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500},
    {"orangered", 0xff4500},
    {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f},
    {"pink", 0xffc0cb},
    {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xff0000},
    {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1},
    {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072},
    {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d},
    {"silver", 0xc0c0c0},
    {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xfffafa},
    {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4},
    {"tan", 0xd2b48c},
    {"teal", 0x008080},
    {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347},
    {"turquoise", 0x40e0d0},
    {"violet", 0xee82ee},
    {"wheat", 0xf5deb3},
    {"white", 0xffffff},
    {"whitesmoke", 0xf5f5f5},
    {"yellow", 0xffff00},
    {"yellowgreen", 0x9acd32},
};

// The comma-, blank- or slash-separated arguments of a colour function ("255, 0 0 / 50%").
std::vector<std::string_view> Arguments(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() &&
               (std::isspace(static_cast<unsigned char>(s[i])) || s[i] == ',' || s[i] == '/')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != ',' &&
               s[i] != '/') {
            ++i;
        }
        if (i > start) {
            out.push_back(s.substr(start, i - start));
        }
    }
    return out;
}

// An argument's number: a percentage as a fraction of PERCENT, a plain number as it is.
std::optional<double> Argument(std::string_view a, double percent) {
    const std::vector<double> n = Numbers(a);
    if (n.size() != 1) {
        return std::nullopt;
    }
    return a.ends_with('%') ? n[0] / 100 * percent : n[0];
}

std::array<double, 3> FromHsl(double hue, double saturation, double lightness) {
    hue = std::fmod(std::fmod(hue, 360) + 360, 360) / 360;
    const double s = std::clamp(saturation, 0.0, 1.0);
    const double l = std::clamp(lightness, 0.0, 1.0);
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    const auto channel = [&](double t) {
        t = t < 0 ? t + 1 : t > 1 ? t - 1 : t;
        return t < 1.0 / 6   ? p + (q - p) * 6 * t
               : t < 0.5     ? q
               : t < 2.0 / 3 ? p + (q - p) * (2.0 / 3 - t) * 6
                             : p;
    };
    return {channel(hue + 1.0 / 3), channel(hue), channel(hue - 1.0 / 3)};
}

// A colour function's red, green and blue from 0 to 1: rgb() and rgba() of numbers or
// percentages, hsl() and hsla() of a hue in degrees and two percentages; an alpha is read past.
std::optional<std::array<double, 3>> ColourFunction(const std::string& value) {
    const std::size_t open = value.find('(');
    const std::size_t close = value.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return std::nullopt;
    }
    const std::string name = value.substr(0, open);
    const std::vector<std::string_view> args =
        Arguments(std::string_view(value).substr(open + 1, close - open - 1));
    if (args.size() < 3 || args.size() > 4) {
        return std::nullopt;
    }
    if (name == "rgb" || name == "rgba") {
        std::array<double, 3> rgb{};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::optional<double> v = Argument(args[k], 255);
            if (!v) {
                return std::nullopt;
            }
            rgb[k] = std::clamp(*v / 255, 0.0, 1.0);
        }
        return rgb;
    }
    if (name == "hsl" || name == "hsla") {
        std::string_view hue = args[0];
        if (hue.ends_with("deg")) {
            hue.remove_suffix(3);
        }
        const std::optional<double> h = Argument(hue, 360);
        const std::optional<double> s = Argument(args[1], 1);
        const std::optional<double> l = Argument(args[2], 1);
        if (!h || !s || !l || !args[1].ends_with('%') || !args[2].ends_with('%')) {
            return std::nullopt;
        }
        return FromHsl(*h, *s, *l);
    }
    return std::nullopt;
}

// The colour VALUE names, as red, green and blue from 0 to 1: #rgb, #rgba, #rrggbb, #rrggbbaa,
// the colour functions and the named colours (an alpha is read past: the host's tint has none).
std::optional<std::array<double, 3>> Colour(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    const auto channels = [](std::uint32_t rgb) {
        return std::array<double, 3>{((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0,
                                     (rgb & 255) / 255.0};
    };
    if (value.starts_with('#')) {
        std::string hex = value.substr(1);
        std::uint32_t v = 0;
        if (hex.empty() || hex.size() > 8 ||
            std::from_chars(hex.data(), hex.data() + hex.size(), v, 16).ptr !=
                hex.data() + hex.size()) {
            return std::nullopt;
        }
        if (hex.size() == 3 || hex.size() == 4) {  // each digit twice: #f80 is #ff8800
            std::string longer;
            for (const char c : hex) {
                longer += std::string(2, c);
            }
            hex = longer;
        }
        if (hex.size() != 6 && hex.size() != 8) {
            return std::nullopt;
        }
        std::from_chars(hex.data(), hex.data() + 6, v, 16);
        return channels(v);
    }
    if (value.find('(') != std::string::npos) {
        return ColourFunction(value);
    }
    const auto* named = std::lower_bound(
        std::begin(kNamedColours), std::end(kNamedColours), value,
        [](const NamedColour& c, const std::string& name) { return c.name < name; });
    if (named != std::end(kNamedColours) && named->name == value) {
        return channels(named->rgb);
    }
    return std::nullopt;
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
    Matrix m;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t open = s.find('(', i);
        const std::size_t close = s.find(')', i);
        if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
            break;
        }
        std::string_view name = s.substr(i, open - i);
        while (!name.empty() &&
               (std::isspace(static_cast<unsigned char>(name.front())) || name.front() == ',')) {
            name.remove_prefix(1);
        }
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
            name.remove_suffix(1);
        }
        const std::vector<double> a = Numbers(s.substr(open + 1, close - open - 1));
        auto arg = [&](std::size_t k, double fallback) { return k < a.size() ? a[k] : fallback; };
        Matrix t;
        if (name == "matrix" && a.size() == 6) {
            t = {a[0], a[1], a[2], a[3], a[4], a[5]};
        } else if (name == "translate") {
            t = Matrix::Translation(arg(0, 0), arg(1, 0));
        } else if (name == "scale") {
            t = Matrix::Scale(arg(0, 1), arg(1, arg(0, 1)));
        } else if (name == "rotate") {
            const double r = arg(0, 0) * std::numbers::pi / 180;
            const Matrix turn{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
            const double cx = arg(1, 0);
            const double cy = arg(2, 0);
            t = Matrix::Translation(-cx, -cy).Then(turn).Then(Matrix::Translation(cx, cy));
        } else if (name == "skewX") {
            t = {1, 0, std::tan(arg(0, 0) * std::numbers::pi / 180), 1, 0, 0};
        } else if (name == "skewY") {
            t = {1, std::tan(arg(0, 0) * std::numbers::pi / 180), 0, 1, 0, 0};
        }
        // The rightmost transform of a list applies first.
        m = t.Then(m);
        i = close + 1;
    }
    return m;
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

Style StyleOf(pugi::xml_node node, Style style, bool* hidden) {
    const auto decls = Declarations(node.attribute("style").value());
    auto set = [&](const char* name, std::string& field) {
        if (auto v = Property(node, decls, name); v && *v != "inherit") {
            field = *v;
        }
    };
    set("fill", style.fill);
    set("stroke", style.stroke);
    set("color", style.color);
    if (auto v = Property(node, decls, "stroke-width")) {
        const std::vector<double> n = Numbers(*v);
        style.strokeWidth = n.empty() ? style.strokeWidth : n[0];
    }
    if (auto v = Property(node, decls, "font-size")) {
        const std::vector<double> n = Numbers(*v);
        style.fontSize = n.empty() ? style.fontSize : n[0];
    }
    if (auto v = Property(node, decls, "visibility")) {
        style.invisible = *v == "hidden" || *v == "collapse";
    }
    if (hidden != nullptr) {
        const auto display = Property(node, decls, "display");
        *hidden = (display && *display == "none") || style.invisible;
    }
    return style;
}

std::optional<double> GrayOf(const std::string& paint, const std::string& color) {
    if (paint == "none" || paint == "transparent") {
        return std::nullopt;
    }
    if (paint.starts_with("url(")) {
        return 0.5;
    }
    const std::optional<std::array<double, 3>> rgb =
        Colour(paint == "currentColor" || paint == "currentcolor" ? color : paint);
    if (!rgb) {
        return 1.0;
    }
    const double luminance = 0.299 * (*rgb)[0] + 0.587 * (*rgb)[1] + 0.114 * (*rgb)[2];
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
