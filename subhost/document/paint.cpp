#include "subhost/document/paint.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

namespace subhost {
namespace {

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
    const bool percentage = a.ends_with('%');
    if (percentage) {
        a.remove_suffix(1);
    }
    if (a.starts_with('+')) {
        a.remove_prefix(1);
    }
    double v = 0;
    const auto [end, error] = std::from_chars(a.data(), a.data() + a.size(), v);
    if (error != std::errc() || end != a.data() + a.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return percentage ? v / 100 * percent : v;
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

// A colour function's red, green, blue and alpha from 0 to 1: rgb() and rgba() of numbers or
// percentages, hsl() and hsla() of a hue in degrees and two percentages, with an alpha or not.
std::optional<Rgba> ColourFunction(const std::string& value) {
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
    double alpha = 1;
    if (args.size() == 4) {
        const std::optional<double> a = Argument(args[3], 1);
        if (!a) {
            return std::nullopt;
        }
        alpha = std::clamp(*a, 0.0, 1.0);
    }
    if (name == "rgb" || name == "rgba") {
        double rgb[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const std::optional<double> v = Argument(args[k], 255);
            if (!v) {
                return std::nullopt;
            }
            rgb[k] = std::clamp(*v / 255, 0.0, 1.0);
        }
        return Rgba{rgb[0], rgb[1], rgb[2], alpha};
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
        const std::array<double, 3> rgb = FromHsl(*h, *s, *l);
        return Rgba{rgb[0], rgb[1], rgb[2], alpha};
    }
    return std::nullopt;
}

// A property of the kept paint, where it has it.
const std::string* Property(const KeptPaint& paint, const char* name) {
    const auto it = paint.properties.find(name);
    return it == paint.properties.end() ? nullptr : &it->second;
}

double Opacity(const KeptPaint& paint, const char* name) {
    const std::string* value = Property(paint, name);
    if (value == nullptr) {
        return 1;
    }
    return std::clamp(Argument(*value, 1).value_or(1), 0.0, 1.0);
}

Rgba Gray(double gray) {
    const double v = 1 - std::clamp(gray, 0.0, 1.0);
    return {v, v, v, 1};
}

// The colour of paint VALUE (a fill's or a stroke's) with OPACITY: a gradient or pattern as its
// fallback colour, where it gives one, or a middle gray.
std::optional<Rgba> PaintColour(const std::string& value, double opacity) {
    if (value == "none") {
        return std::nullopt;
    }
    std::optional<Rgba> colour;
    if (value.starts_with("url(")) {
        const std::size_t close = value.find(')');
        colour = close == std::string::npos ? std::nullopt : CssColour(value.substr(close + 1));
        if (!colour) {
            colour = Gray(0.5);
        }
    } else {
        colour = CssColour(value);
    }
    if (!colour) {
        colour = Gray(1);  // as viewers draw an unknown paint
    }
    colour->a *= opacity;
    return colour;
}

std::optional<Rgba> KeptColour(const Art& path, const char* name, const char* opacity,
                               const std::optional<Paint>& tint) {
    const KeptPaint* paint = PaintInForce(path);
    if (paint == nullptr) {
        return tint ? std::optional<Rgba>(Gray(tint->gray)) : std::nullopt;
    }
    const std::string* value = Property(*paint, name);
    if (value == nullptr) {
        return tint ? std::optional<Rgba>(Gray(tint->gray)) : std::nullopt;
    }
    return PaintColour(*value, Opacity(*paint, opacity) * Opacity(*paint, "opacity"));
}

}  // namespace

bool SameTints(const PathStyle& a, const PathStyle& b) {
    const auto same = [](const std::optional<Paint>& x, const std::optional<Paint>& y) {
        return x.has_value() == y.has_value() && (!x || x->gray == y->gray);
    };
    return same(a.fill, b.fill) && same(a.stroke, b.stroke);
}

const KeptPaint* PaintInForce(const Art& path) {
    if (path.paint.properties.empty() || !SameTints(path.paint.tints, path.style)) {
        return nullptr;
    }
    return &path.paint;
}

std::optional<Rgba> CssColour(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    const auto channels = [](std::uint32_t rgb, double alpha) {
        return Rgba{((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0,
                    alpha};
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
        std::uint32_t alpha = 255;
        std::from_chars(hex.data(), hex.data() + 6, v, 16);
        if (hex.size() == 8) {
            std::from_chars(hex.data() + 6, hex.data() + 8, alpha, 16);
        }
        return channels(v, alpha / 255.0);
    }
    if (value == "transparent") {
        return Rgba{0, 0, 0, 0};
    }
    if (value.find('(') != std::string::npos) {
        return ColourFunction(value);
    }
    const auto* named = std::lower_bound(
        std::begin(kNamedColours), std::end(kNamedColours), value,
        [](const NamedColour& c, const std::string& name) { return c.name < name; });
    if (named != std::end(kNamedColours) && named->name == value) {
        return channels(named->rgb, 1);
    }
    return std::nullopt;
}

std::optional<Rgba> FillColour(const Art& path) {
    return KeptColour(path, "fill", "fill-opacity", path.style.fill);
}

std::optional<Rgba> StrokeColour(const Art& path) {
    return KeptColour(path, "stroke", "stroke-opacity", path.style.stroke);
}

bool EvenOdd(const Art& path) {
    const KeptPaint* paint = PaintInForce(path);
    const std::string* rule = paint == nullptr ? nullptr : Property(*paint, "fill-rule");
    return rule != nullptr && *rule == "evenodd";
}

}  // namespace subhost
