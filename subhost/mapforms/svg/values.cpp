#include "subhost/mapforms/svg/values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// The colour VALUE names, as red, green and blue from 0 to 1.
std::optional<std::array<double, 3>> Colour(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (value.starts_with('#')) {
        const std::string hex = value.substr(1);
        unsigned v = 0;
        if (std::from_chars(hex.data(), hex.data() + hex.size(), v, 16).ptr !=
            hex.data() + hex.size()) {
            return std::nullopt;
        }
        if (hex.size() == 3) {
            return std::array<double, 3>{((v >> 8) & 15) / 15.0, ((v >> 4) & 15) / 15.0,
                                         (v & 15) / 15.0};
        }
        if (hex.size() == 6) {
            return std::array<double, 3>{((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0,
                                         (v & 255) / 255.0};
        }
        return std::nullopt;
    }
    if (value.starts_with("rgb(")) {
        std::vector<double> n = Numbers(value.substr(4));
        if (n.size() < 3) {
            return std::nullopt;
        }
        const double scale = value.find('%') != std::string::npos ? 100 : 255;
        return std::array<double, 3>{n[0] / scale, n[1] / scale, n[2] / scale};
    }
    static const std::map<std::string, std::array<double, 3>> kNamed = {
        {"black", {0, 0, 0}},      {"white", {1, 1, 1}},
        {"red", {1, 0, 0}},        {"lime", {0, 1, 0}},
        {"green", {0, 0.5, 0}},    {"blue", {0, 0, 1}},
        {"yellow", {1, 1, 0}},     {"gray", {0.5, 0.5, 0.5}},
        {"grey", {0.5, 0.5, 0.5}}, {"silver", {0.75, 0.75, 0.75}},
        {"maroon", {0.5, 0, 0}},   {"purple", {0.5, 0, 0.5}},
        {"fuchsia", {1, 0, 1}},    {"olive", {0.5, 0.5, 0}},
        {"navy", {0, 0, 0.5}},     {"teal", {0, 0.5, 0.5}},
        {"aqua", {0, 1, 1}},       {"orange", {1, 0.647, 0}},
    };
    if (const auto it = kNamed.find(value); it != kNamed.end()) {
        return it->second;
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
