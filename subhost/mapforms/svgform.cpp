#include "subhost/mapforms/svgform.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "subhost/document/artgeometry.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

using geometry::Matrix;

constexpr const char* kInkscapeNs = "http://www.inkscape.org/namespaces/inkscape";
constexpr const char* kSodipodiNs = "http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd";
constexpr const char* kXlinkNs = "http://www.w3.org/1999/xlink";
constexpr const char* kTagsNs = "urn:x-kzn:tags";

// Internal entities may expand a file this far, and no further (an entity bomb is refused).
constexpr std::size_t kEntityBound = std::size_t{16} << 20;
// Art that <use> elements may make, all together: a symbol used in a symbol used in a symbol...
constexpr std::size_t kUseArtBound = std::size_t{1} << 20;
// Shift-JIS has no form for the character: the module sees the geta mark (U+3013) in its place.
constexpr const char* kNoSjis = "\x81\xAC";

const Matrix kFlip = Matrix::Scale(1, -1);

// Something wrong at an offset of the parsed text.
struct SvgFault {
    std::size_t offset;
    std::string what;
};

// ---------------------------------------------------------------------------------------------
// Bytes

std::string LineColumn(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

bool IsBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Where the markup construct starting at AT ends (one past its last byte), for tags with quoted
// attribute values, comments, CDATA sections and processing instructions.
std::size_t SkipMarkup(const std::string& text, std::size_t at) {
    auto past = [&](const char* end) {
        const std::size_t found = text.find(end, at);
        return found == std::string::npos ? text.size() : found + std::strlen(end);
    };
    if (text.compare(at, 4, "<!--") == 0) {
        return past("-->");
    }
    if (text.compare(at, 9, "<![CDATA[") == 0) {
        return past("]]>");
    }
    if (text.compare(at, 2, "<?") == 0) {
        return past("?>");
    }
    char quote = 0;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return text.size();
}

// One past the end of the element whose start tag begins at BEGIN (a well-formed document).
std::size_t ElementEnd(const std::string& text, std::size_t begin) {
    std::size_t at = SkipMarkup(text, begin);
    if (text[at - 2] == '/') {
        return at;
    }
    int depth = 1;
    while (at < text.size()) {
        const std::size_t open = text.find('<', at);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t end = SkipMarkup(text, open);
        if (text.compare(open, 2, "</") == 0) {
            if (--depth == 0) {
                return end;
            }
        } else if (text.compare(open, 2, "<!") != 0 && text.compare(open, 2, "<?") != 0 &&
                   text[end - 2] != '/') {
            ++depth;
        }
        at = end;
    }
    return text.size();
}

// ---------------------------------------------------------------------------------------------
// Internal entities of the DOCTYPE, expanded before the XML is parsed (the parser leaves them as
// they are). External ones are never read: a reference to one is refused.

struct Entities {
    std::map<std::string, std::string> internal;
    std::set<std::string> external;
};

std::string ExpandEntities(const std::string& text) {
    const std::size_t doctype = text.find("<!DOCTYPE");
    if (doctype == std::string::npos || text.find("<!ENTITY", doctype) == std::string::npos) {
        return text;
    }
    const std::size_t open = text.find('[', doctype);
    const std::size_t gt = text.find('>', doctype);
    if (open == std::string::npos || open > gt) {
        return text;
    }
    Entities entities;
    std::size_t at = open + 1;
    while (at < text.size() && text[at] != ']') {
        if (text.compare(at, 4, "<!--") == 0 || text.compare(at, 2, "<?") == 0) {
            at = SkipMarkup(text, at);
        } else if (text.compare(at, 8, "<!ENTITY") == 0) {
            const std::size_t end = SkipMarkup(text, at);
            std::string decl = text.substr(at + 8, end - at - 9);
            std::size_t i = 0;
            auto blanks = [&] {
                while (i < decl.size() && std::isspace(static_cast<unsigned char>(decl[i]))) {
                    ++i;
                }
            };
            blanks();
            const bool parameter = i < decl.size() && decl[i] == '%';
            if (parameter) {
                ++i;
                blanks();
            }
            const std::size_t nameStart = i;
            while (i < decl.size() && !std::isspace(static_cast<unsigned char>(decl[i]))) {
                ++i;
            }
            const std::string name = decl.substr(nameStart, i - nameStart);
            blanks();
            if (!parameter && i < decl.size()) {
                if (decl[i] == '"' || decl[i] == '\'') {
                    const std::size_t close = decl.find(decl[i], i + 1);
                    entities.internal.emplace(
                        name, decl.substr(i + 1, close == std::string::npos ? std::string::npos
                                                                            : close - i - 1));
                } else {
                    entities.external.insert(name);
                }
            }
            at = end;
        } else if (text[at] == '<') {
            at = SkipMarkup(text, at);
        } else {
            ++at;
        }
    }
    const std::size_t subsetEnd = text.find('>', at);
    if (subsetEnd == std::string::npos) {
        return text;
    }
    std::string out = text.substr(0, subsetEnd + 1);
    // Appends TEXT[FROM, TO) with its references expanded; DEPTH bounds an entity naming itself.
    std::function<void(std::string_view, std::size_t, int)> expand =
        [&](std::string_view part, std::size_t offset, int depth) {
            std::size_t i = 0;
            while (i < part.size()) {
                if (out.size() > kEntityBound) {
                    throw SvgFault{offset, "its entities expand beyond " +
                                               std::to_string(kEntityBound >> 20) +
                                               " MiB, which no map needs (an entity bomb?)"};
                }
                const char c = part[i];
                if (c == '<' && (part.substr(i, 4) == "<!--" || part.substr(i, 9) == "<![CDATA[")) {
                    const std::string_view end = part.substr(i, 4) == "<!--" ? "-->" : "]]>";
                    const std::size_t close = part.find(end, i);
                    const std::size_t stop =
                        close == std::string_view::npos ? part.size() : close + end.size();
                    out.append(part.substr(i, stop - i));
                    i = stop;
                    continue;
                }
                if (c != '&' || i + 1 >= part.size() || part[i + 1] == '#') {
                    out += c;
                    ++i;
                    continue;
                }
                const std::size_t semi = part.find(';', i);
                const std::string name(
                    part.substr(i + 1, semi == std::string_view::npos ? 0 : semi - i - 1));
                if (const auto it = entities.internal.find(name); it != entities.internal.end()) {
                    if (depth > 16) {
                        throw SvgFault{offset + (depth == 0 ? i : 0),
                                       "entity &" + name + "; refers to itself"};
                    }
                    expand(it->second, depth == 0 ? offset + i : offset, depth + 1);
                    i = semi + 1;
                } else if (entities.external.count(name) != 0) {
                    throw SvgFault{depth == 0 ? offset + i : offset,
                                   "&" + name + "; is an external entity, which is never read"};
                } else {
                    out += c;
                    ++i;
                }
            }
        };
    expand(std::string_view(text).substr(subsetEnd + 1), subsetEnd + 1, 0);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Names and namespaces

std::string_view LocalName(const char* name) {
    const std::string_view n(name);
    const std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// The namespace PREFIX stands for at NODE ("" for the default namespace).
std::string_view NamespaceOf(pugi::xml_node node, std::string_view prefix) {
    const std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attr.c_str())) {
            return a.value();
        }
    }
    if (prefix == "xml") {
        return "http://www.w3.org/XML/1998/namespace";
    }
    return "";
}

// The attribute of NODE in namespace NS (null: no namespace) named LOCAL.
pugi::xml_attribute Attr(pugi::xml_node node, const char* ns, std::string_view local) {
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view name(a.name());
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos) {
            if (ns == nullptr && name == local) {
                return a;
            }
        } else if (ns != nullptr && name.substr(colon + 1) == local &&
                   name.substr(0, colon) != "xmlns" &&
                   NamespaceOf(node, name.substr(0, colon)) == ns) {
            return a;
        }
    }
    return {};
}

// The namespace of attribute A of NODE (empty for none).
std::string_view AttrNamespace(pugi::xml_node node, pugi::xml_attribute a) {
    const std::string_view name(a.name());
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || name.substr(0, colon) == "xmlns") {
        return "";
    }
    return NamespaceOf(node, name.substr(0, colon));
}

bool IsElement(pugi::xml_node node, std::string_view local) {
    return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

bool IsLayer(pugi::xml_node node) {
    const pugi::xml_attribute mode = Attr(node, kInkscapeNs, "groupmode");
    return IsElement(node, "g") && mode && std::string_view(mode.value()) == "layer";
}

// Tag names that cannot be XML names are written with each character that cannot stand in one
// as _xHHHH_ (its code point), and "_x" itself as _x005F_x; reading undoes it.
bool NameChar(char32_t c, bool first) {
    if (c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0) {
        return c != 0xD7 && c != 0xF7;
    }
    return !first && ((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7);
}

// Where the first byte of BYTES stands that does not begin or continue a UTF-8 character (an
// overlong form, a surrogate or a code point past U+10FFFF included), or npos.
std::size_t NotUtf8At(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = c >= 0xC2 && c <= 0xDF   ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        if (n == 0 || i + n > bytes.size()) {
            return i;
        }
        char32_t cp = c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return i;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return i;
        }
        i += n;
    }
    return std::string_view::npos;
}

std::vector<char32_t> CodePoints(std::string_view utf8) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
        for (int k = 1; k < n && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
            cp = (cp << 6) |
                 (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(n);
    }
    return out;
}

std::string Utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string TagXmlName(const std::string& utf8) {
    std::string out;
    const std::vector<char32_t> cps = CodePoints(utf8);
    for (std::size_t i = 0; i < cps.size(); ++i) {
        const bool escapeX = cps[i] == '_' && i + 1 < cps.size() && cps[i + 1] == 'x';
        if (!escapeX && NameChar(cps[i], i == 0)) {
            out += Utf8Of(cps[i]);
        } else {
            char hex[16];
            std::snprintf(hex, sizeof hex, "_x%04X_", static_cast<unsigned>(cps[i]));
            out += hex;
        }
    }
    return out.empty() ? "_" : out;
}

std::string TagNameOfXml(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, 2) == "_x" && i + 6 < name.size() + 1) {
            const std::size_t end = name.find('_', i + 2);
            unsigned value = 0;
            if (end != std::string_view::npos && end > i + 2 && end - i - 2 <= 6 &&
                std::from_chars(name.data() + i + 2, name.data() + end, value, 16).ptr ==
                    name.data() + end &&
                value <= 0x10FFFF) {
                out += Utf8Of(value);
                i = end;
                continue;
            }
        }
        out += name[i];
    }
    return name == "_" ? std::string() : out;
}

// ---------------------------------------------------------------------------------------------
// Texts

// UTF-8 as Shift-JIS, a character that has no Shift-JIS form given as the geta mark.
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

std::string ToUtf8(const std::string& sjis) {
    return SjisToUtf8(sjis).value_or(ShowSjis(sjis));
}

// UTF-8 as Shift-JIS for the host (ToSjis), noting in SPELLINGS under KEY how the file spells it
// where its Shift-JIS form reads otherwise (¥ and \ share one form; 〓 stands for a character
// that has none), so that the other map form and diff see the file's own text.
std::string Spelled(std::string_view utf8, Spellings& spellings, const std::string& key = "") {
    std::string sjis = ToSjis(utf8);
    if (ToUtf8(sjis) != utf8) {
        spellings[key] = {sjis, std::string(utf8)};
    }
    return sjis;
}

std::string Escape(std::string_view text, bool attribute) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\n':
                out += attribute ? "&#10;" : "\n";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\t':
                out += attribute ? "&#9;" : "\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Number(double v) {
    if (v == 0) {
        return "0";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

// ---------------------------------------------------------------------------------------------
// Numbers, transforms, paints

// The numbers of a list ("1,2 3e1-4"), as far as they read.
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

double Length(pugi::xml_node node, const char* name, double fallback = 0) {
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

// The properties of a style attribute ("fill:#000;stroke:none").
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

// The properties that matter here, as inherited down to an element.
struct Style {
    std::string fill = "black";
    std::string stroke = "none";
    double strokeWidth = 1;
    double fontSize = 16;
    std::string color = "black";
    bool invisible = false;  // visibility:hidden
};

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

// A paint as the host's gray tint (0 white, 1 black); none for "none". A colour gives its
// darkness (1 − luminance); a gradient or pattern (url(...)) is a middle gray; what cannot be
// read is black, as a viewer draws an unknown fill.
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

// ---------------------------------------------------------------------------------------------
// Path data

struct Subpath {
    std::vector<Segment> segments;
    bool closed = false;
};

class PathBuilder {
  public:
    std::vector<Subpath> subpaths;

    void MoveTo(Point p) {
        Finish();
        subpaths.push_back({});
        subpaths.back().segments.push_back({p, p, p, false});
        start_ = current_ = p;
    }
    void LineTo(Point p) {
        Open();
        subpaths.back().segments.push_back({p, p, p, false});
        current_ = p;
    }
    void CurveTo(Point c1, Point c2, Point p) {
        Open();
        subpaths.back().segments.back().out = c1;
        subpaths.back().segments.push_back({p, c2, p, false});
        current_ = p;
    }
    void Close() {
        if (!subpaths.empty() && !closed_) {
            subpaths.back().closed = true;
            closed_ = true;
            std::vector<Segment>& s = subpaths.back().segments;
            // A last point on the first is the same point: the closing segment joins them.
            if (s.size() > 1 && s.back().p == s.front().p) {
                s.front().in = s.back().in;
                s.pop_back();
            }
        }
        current_ = start_;
    }
    Point current() const { return current_; }
    void Finish() { closed_ = false; }

  private:
    // Drawing after a close starts a new subpath at the point closed to.
    void Open() {
        if (subpaths.empty() || closed_) {
            const Point at = current_;
            MoveTo(at);
        }
    }
    Point start_{};
    Point current_{};
    bool closed_ = false;
};

// The arc of SVG's endpoint form as cubic Béziers, each at most a quarter turn.
void ArcTo(PathBuilder& b, double rx, double ry, double angle, bool large, bool sweep, Point to) {
    const Point from = b.current();
    if (from == to) {
        return;
    }
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0 || ry == 0) {
        b.LineTo(to);
        return;
    }
    const double phi = angle * std::numbers::pi / 180;
    const double cs = std::cos(phi);
    const double sn = std::sin(phi);
    const double dx = (from.x - to.x) / 2;
    const double dy = (from.y - to.y) / 2;
    const double x1 = cs * dx + sn * dy;
    const double y1 = -sn * dx + cs * dy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double coef = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
    if (large == sweep) {
        coef = -coef;
    }
    const double cxp = coef * rx * y1 / ry;
    const double cyp = -coef * ry * x1 / rx;
    const double cx = cs * cxp - sn * cyp + (from.x + to.x) / 2;
    const double cy = sn * cxp + cs * cyp + (from.y + to.y) / 2;
    auto angleOf = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double theta1 = angleOf(1, 0, (x1 - cxp) / rx, (y1 - cyp) / ry);
    double delta = angleOf((x1 - cxp) / rx, (y1 - cyp) / ry, (-x1 - cxp) / rx, (-y1 - cyp) / ry);
    if (!sweep && delta > 0) {
        delta -= 2 * std::numbers::pi;
    } else if (sweep && delta < 0) {
        delta += 2 * std::numbers::pi;
    }
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9)));
    const double step = delta / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    auto point = [&](double t) {
        return Point{cx + rx * std::cos(t) * cs - ry * std::sin(t) * sn,
                     cy + rx * std::cos(t) * sn + ry * std::sin(t) * cs};
    };
    auto derivative = [&](double t) {
        return Point{-rx * std::sin(t) * cs - ry * std::cos(t) * sn,
                     -rx * std::sin(t) * sn + ry * std::cos(t) * cs};
    };
    double t = theta1;
    for (int i = 0; i < pieces; ++i) {
        const double t2 = t + step;
        const Point p1 = point(t);
        const Point p2 = i + 1 == pieces ? to : point(t2);
        const Point d1 = derivative(t);
        const Point d2 = derivative(t2);
        b.CurveTo({p1.x + k * d1.x, p1.y + k * d1.y}, {p2.x - k * d2.x, p2.y - k * d2.y}, p2);
        t = t2;
    }
}

// Reads path data as far as it is well-formed, as a viewer draws it.
std::vector<Subpath> ParsePathData(std::string_view d) {
    PathBuilder b;
    std::size_t i = 0;
    char command = 0;
    Point lastControl{};
    char lastCommand = 0;
    auto blanks = [&] {
        while (i < d.size() && (std::isspace(static_cast<unsigned char>(d[i])) || d[i] == ',')) {
            ++i;
        }
    };
    auto number = [&](double& v) {
        blanks();
        if (i >= d.size()) {
            return false;
        }
        const char* start = d.data() + i;
        if (*start == '+') {
            ++start;
        }
        const auto r = std::from_chars(start, d.data() + d.size(), v);
        if (r.ec != std::errc() || !std::isfinite(v)) {
            return false;
        }
        i = static_cast<std::size_t>(r.ptr - d.data());
        return true;
    };
    auto flag = [&](bool& f) {
        blanks();
        if (i < d.size() && (d[i] == '0' || d[i] == '1')) {
            f = d[i++] == '1';
            return true;
        }
        return false;
    };
    auto point = [&](Point& p, bool relative) {
        if (!number(p.x) || !number(p.y)) {
            return false;
        }
        if (relative) {
            p.x += b.current().x;
            p.y += b.current().y;
        }
        return true;
    };
    while (true) {
        blanks();
        if (i >= d.size()) {
            break;
        }
        if (std::isalpha(static_cast<unsigned char>(d[i]))) {
            command = d[i++];
        } else if (command == 0 || command == 'Z' || command == 'z') {
            // Numbers need a command that takes them; a close takes none.
            break;
        }
        const bool rel = std::islower(static_cast<unsigned char>(command)) != 0;
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(command)));
        Point p;
        Point c1;
        Point c2;
        bool ok = true;
        switch (upper) {
            case 'M':
                ok = point(p, rel);
                if (ok) {
                    b.MoveTo(p);
                    // Pairs after the first are lines.
                    command = rel ? 'l' : 'L';
                }
                break;
            case 'L':
                ok = point(p, rel);
                if (ok) {
                    b.LineTo(p);
                }
                break;
            case 'H':
                ok = number(p.x);
                if (ok) {
                    b.LineTo({rel ? b.current().x + p.x : p.x, b.current().y});
                }
                break;
            case 'V':
                ok = number(p.y);
                if (ok) {
                    b.LineTo({b.current().x, rel ? b.current().y + p.y : p.y});
                }
                break;
            case 'C': {
                const Point at = b.current();
                ok = number(c1.x) && number(c1.y) && number(c2.x) && number(c2.y) && point(p, rel);
                if (ok) {
                    if (rel) {
                        c1 = {c1.x + at.x, c1.y + at.y};
                        c2 = {c2.x + at.x, c2.y + at.y};
                    }
                    b.CurveTo(c1, c2, p);
                    lastControl = c2;
                }
                break;
            }
            case 'S': {
                const Point at = b.current();
                ok = number(c2.x) && number(c2.y) && point(p, rel);
                if (ok) {
                    if (rel) {
                        c2 = {c2.x + at.x, c2.y + at.y};
                    }
                    c1 = (lastCommand == 'C' || lastCommand == 'S')
                             ? Point{2 * at.x - lastControl.x, 2 * at.y - lastControl.y}
                             : at;
                    b.CurveTo(c1, c2, p);
                    lastControl = c2;
                }
                break;
            }
            case 'Q':
            case 'T': {
                const Point at = b.current();
                Point q;
                if (upper == 'Q') {
                    ok = number(q.x) && number(q.y);
                    if (rel) {
                        q = {q.x + at.x, q.y + at.y};
                    }
                } else {
                    q = (lastCommand == 'Q' || lastCommand == 'T')
                            ? Point{2 * at.x - lastControl.x, 2 * at.y - lastControl.y}
                            : at;
                }
                ok = ok && point(p, rel);
                if (ok) {
                    b.CurveTo({at.x + 2.0 / 3 * (q.x - at.x), at.y + 2.0 / 3 * (q.y - at.y)},
                              {p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)}, p);
                    lastControl = q;
                }
                break;
            }
            case 'A': {
                double rx = 0;
                double ry = 0;
                double angle = 0;
                bool large = false;
                bool sweep = false;
                ok = number(rx) && number(ry) && number(angle) && flag(large) && flag(sweep) &&
                     point(p, rel);
                if (ok) {
                    ArcTo(b, rx, ry, angle, large, sweep, p);
                }
                break;
            }
            case 'Z':
                b.Close();
                break;
            default:
                ok = false;
        }
        if (!ok) {
            break;
        }
        lastCommand = upper;
    }
    return std::move(b.subpaths);
}

// The path data of a basic shape, or of a <path>.
std::optional<std::string> ShapeData(pugi::xml_node node) {
    const std::string_view name = LocalName(node.name());
    auto n = [&](const char* attr) { return Number(Length(node, attr)); };
    if (name == "path") {
        return std::string(node.attribute("d").value());
    }
    if (name == "rect") {
        const double x = Length(node, "x");
        const double y = Length(node, "y");
        const double w = Length(node, "width");
        const double h = Length(node, "height");
        if (w <= 0 || h <= 0) {
            return std::string();
        }
        double rx = Length(node, "rx", -1);
        double ry = Length(node, "ry", -1);
        rx = rx < 0 ? (ry < 0 ? 0 : ry) : rx;
        ry = ry < 0 ? rx : ry;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx <= 0 || ry <= 0) {
            return "M" + Number(x) + "," + Number(y) + " H" + Number(x + w) + " V" + Number(y + h) +
                   " H" + Number(x) + " Z";
        }
        const std::string a = " A" + Number(rx) + "," + Number(ry) + " 0 0 1 ";
        return "M" + Number(x + rx) + "," + Number(y) + " H" + Number(x + w - rx) + a +
               Number(x + w) + "," + Number(y + ry) + " V" + Number(y + h - ry) + a +
               Number(x + w - rx) + "," + Number(y + h) + " H" + Number(x + rx) + a + Number(x) +
               "," + Number(y + h - ry) + " V" + Number(y + ry) + a + Number(x + rx) + "," +
               Number(y) + " Z";
    }
    if (name == "circle" || name == "ellipse") {
        const double cx = Length(node, "cx");
        const double cy = Length(node, "cy");
        const double rx = name == "circle" ? Length(node, "r") : Length(node, "rx");
        const double ry = name == "circle" ? rx : Length(node, "ry");
        if (rx <= 0 || ry <= 0) {
            return std::string();
        }
        const std::string a = " A" + Number(rx) + "," + Number(ry) + " 0 0 1 ";
        return "M" + Number(cx + rx) + "," + Number(cy) + a + Number(cx) + "," + Number(cy + ry) +
               a + Number(cx - rx) + "," + Number(cy) + a + Number(cx) + "," + Number(cy - ry) + a +
               Number(cx + rx) + "," + Number(cy) + " Z";
    }
    if (name == "line") {
        return "M" + n("x1") + "," + n("y1") + " L" + n("x2") + "," + n("y2");
    }
    if (name == "polyline" || name == "polygon") {
        const std::vector<double> v = Numbers(node.attribute("points").value());
        std::string d;
        for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
            d += (i == 0 ? "M" : " L") + Number(v[i]) + "," + Number(v[i + 1]);
        }
        return d.empty() || name == "polyline" ? d : d + " Z";
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// What a map read from SVG keeps beside its document

// What an art object was read from, and what it held then.
struct Record {
    enum Kind { kGroup, kUse, kShape, kText } kind = kGroup;
    pugi::xml_node node;
    Matrix parent;         // the coordinates of the element's parent, to the root's
    std::string own;       // tags, hidden, locked
    std::string geometry;  // a path's or compound path's points and paint; a text's place
    std::string content;   // a text's characters
    std::string children;  // a group's children (their handles)
    bool styleFromElement = true;
};

struct LayerRecord {
    pugi::xml_node node;
    std::string title;
    bool editable = true;
    bool hidden = false;
    std::string children;
};

class SvgSource final : public MapSource {
  public:
    std::string original;  // the file's bytes (after gunzip)
    std::string text;      // what was parsed: the bytes, entities expanded
    pugi::xml_document xml;
    pugi::xml_node root;
    std::unordered_map<ArtHandle, Record> art;
    std::unordered_map<LayerHandle, LayerRecord> layers;
    // What each element of art or layer was read as.
    std::unordered_map<pugi::xml_node_struct*, const void*> keys;
    std::vector<LayerHandle> layerOrder;  // as read, top first
    LayerHandle rootLayer = nullptr;      // art at the root outside any layer
    // The elements of each pattern's art, for copies of it to take their paint from.
    std::vector<std::pair<ArtHandle, std::unordered_map<ArtHandle, pugi::xml_node>>> patterns;

    std::size_t Begin(pugi::xml_node node) const {
        return static_cast<std::size_t>(node.offset_debug()) - 1;
    }
    std::size_t End(pugi::xml_node node) const { return ElementEnd(text, Begin(node)); }
};

// Prints of an art object's state, compared to tell whether a command changed it.
template <typename T>
void Put(std::string& out, const T& value) {
    // Only types without padding: bytes a padding holds are not the value's.
    static_assert(std::has_unique_object_representations_v<T> || std::is_floating_point_v<T> ||
                  std::is_same_v<T, Point> || std::is_same_v<T, Paint> ||
                  std::is_same_v<T, std::array<double, 4>>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutString(std::string& out, const std::string& s) {
    Put(out, s.size());
    out += s;
}

std::string OwnPrint(const Art& art) {
    std::string out;
    Put(out, art.hidden);
    Put(out, art.locked);
    for (const auto& [name, value] : art.tags) {
        PutString(out, name);
        PutString(out, value);
    }
    return out;
}

std::string GeometryPrint(const Art& art) {
    std::string out;
    Put(out, art.type);
    if (art.type == kPathArt) {
        Put(out, art.closed);
        for (const Segment& s : art.segments) {  // field by field: a Segment has padding
            Put(out, s.p);
            Put(out, s.in);
            Put(out, s.out);
            Put(out, s.corner);
        }
        Put(out, art.style.fill.has_value());
        Put(out, art.style.fill.value_or(Paint{}));
        Put(out, art.style.stroke.has_value());
        Put(out, art.style.stroke.value_or(Paint{}));
    } else if (art.type == kCompoundPathArt) {
        for (const Art* child : art.children) {
            Put(out, child->ref);
            out += GeometryPrint(*child);
            out += OwnPrint(*child);
        }
    } else if (art.type == kTextArt) {
        Put(out, art.anchor);
        Put(out, art.size);
        Put(out, art.matrix);
        if (art.textPath != nullptr) {
            out += GeometryPrint(*art.textPath);
        }
    }
    return out;
}

std::string ChildrenPrint(const Art& art) {
    std::string out;
    for (const Art* child : art.children) {
        Put(out, child->ref);
    }
    return out;
}

// A print of everything in ART, for art whose parts have no elements of their own.
std::string DeepPrint(const Art& art) {
    std::string out = OwnPrint(art) + GeometryPrint(art);
    PutString(out, art.text);
    for (const Art* child : art.children) {
        Put(out, child->ref);
        out += DeepPrint(*child);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading

// Children are read in file order, the back first; the host lists them from the front.
void FrontFirst(Art& art) {
    std::vector<Art*> children(art.children.begin(), art.children.end());
    art.children.clear();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        art.children.push_back(*it);
    }
}

class SvgReader {
  public:
    SvgReader(Document& document, SvgSource& source) : doc_(document), src_(source) {}

    void Read() {
        src_.root = src_.xml.document_element();
        if (!IsElement(src_.root, "svg")) {
            throw SvgFault{src_.root ? src_.Begin(src_.root) : 0, "the root element is not <svg>"};
        }
        IndexIds();
        ReadPatterns();
        // Layers in file order are bottom first; the document lists them from the top.
        std::vector<pugi::xml_node> layerNodes;
        bool rootArt = false;
        for (pugi::xml_node child : src_.root.children()) {
            if (IsLayer(child)) {
                layerNodes.push_back(child);
            } else if (IsArt(child)) {
                rootArt = true;
            }
        }
        for (auto it = layerNodes.rbegin(); it != layerNodes.rend(); ++it) {
            ReadLayer(*it);
        }
        if (rootArt || layerNodes.empty()) {
            Layer& layer = doc_.AddLayer(
                doc_.layers().size(), Document::DefaultLayerTitle(doc_.layers().size() + 1), true);
            src_.rootLayer = layer.ref;
            for (pugi::xml_node child : src_.root.children()) {
                if (!IsLayer(child)) {
                    ReadArt(child, layer.group, Matrix{}, Style{}, 1);
                }
            }
            FrontFirst(*layer.group);
            Remember(layer, src_.root);
        }
        for (Layer* layer : doc_.layers()) {
            src_.layerOrder.push_back(layer->ref);
        }
        // The current layer is the one Inkscape's view names, where it names one.
        const pugi::xml_node view = src_.root.child("sodipodi:namedview");
        if (const char* current = Attr(view, kInkscapeNs, "current-layer").value(); *current) {
            for (std::size_t i = 0; i < doc_.layers().size(); ++i) {
                const LayerRecord& r = src_.layers[doc_.layers()[i]->ref];
                if (r.node != src_.root &&
                    std::string_view(r.node.attribute("id").value()) == current) {
                    doc_.SetCurrentLayer(i);
                }
            }
        }
    }

  private:
    static bool IsArt(pugi::xml_node node) {
        if (node.type() != pugi::node_element) {
            return false;
        }
        const std::string_view n = LocalName(node.name());
        return n == "g" || n == "a" || n == "use" || n == "text" || n == "path" || n == "rect" ||
               n == "circle" || n == "ellipse" || n == "line" || n == "polyline" || n == "polygon";
    }

    void IndexIds() {
        // Every element, without recursion: the tree may be deep.
        for (pugi::xml_node n = src_.root; n;) {
            if (n.type() == pugi::node_element) {
                if (const char* id = n.attribute("id").value(); *id) {
                    ids_.emplace(id, n);
                }
                if (IsElement(n, "symbol")) {
                    symbols_.push_back(n);
                }
            }
            if (n.first_child()) {
                n = n.first_child();
                continue;
            }
            while (n && !n.next_sibling() && n != src_.root) {
                n = n.parent();
            }
            if (!n || n == src_.root) {
                break;
            }
            n = n.next_sibling();
        }
    }

    // The title of NODE; its spelling, where it has one of its own, goes to SPELLINGS.
    std::string Title(pugi::xml_node node, const std::string& fallback, Spellings& spellings) {
        for (pugi::xml_node child : node.children()) {
            if (IsElement(child, "title")) {
                return Spelled(child.text().get(), spellings);
            }
        }
        if (const char* label = Attr(node, kInkscapeNs, "label").value(); *label) {
            return Spelled(label, spellings);
        }
        if (const char* id = node.attribute("id").value(); *id) {
            return Spelled(id, spellings);
        }
        return fallback;
    }

    void ReadPatterns() {
        for (pugi::xml_node symbol : symbols_) {
            Spellings spellings;
            Pattern& pattern = doc_.AddPattern(
                Title(symbol, "symbol " + std::to_string(doc_.patterns().size() + 1), spellings));
            pattern.spellings = std::move(spellings);
            // A symbol of one art element has that art; one of more, a group of them.
            std::vector<pugi::xml_node> elements;
            for (pugi::xml_node child : symbol.children()) {
                if (IsArt(child)) {
                    elements.push_back(child);
                }
            }
            Art* single = elements.size() == 1 ? ReadArt(elements[0], nullptr, Matrix{}, Style{}, 1)
                                               : nullptr;
            Art& art = single != nullptr ? *single : doc_.NewArt(kGroupArt, nullptr);
            pattern.art = &art;
            if (single == nullptr) {
                for (pugi::xml_node child : elements) {
                    ReadArt(child, &art, Matrix{}, Style{}, 2);
                }
                FrontFirst(art);
            }
            // The host keeps a pattern's art in the pattern's own space, whose y grows downwards.
            TransformArt(art, kFlip, 1, kTransformObjects);
            std::unordered_map<ArtHandle, pugi::xml_node> models;
            std::function<void(Art&)> collect = [&](Art& a) {
                if (const auto it = src_.art.find(a.ref); it != src_.art.end()) {
                    models.emplace(a.ref, it->second.node);
                    // The pattern's own elements are never written from these records.
                    it->second.geometry = GeometryPrint(a);
                }
                for (Art* c : a.children) {
                    collect(*c);
                }
            };
            if (single != nullptr) {
                collect(art);
            } else {
                for (Art* c : art.children) {
                    collect(*c);
                }
            }
            src_.patterns.emplace_back(art.ref, std::move(models));
            doc_.AddSwatch(&pattern, 0);
        }
    }

    void Remember(Layer& layer, pugi::xml_node node) {
        if (node != src_.root) {
            src_.keys[node.internal_object()] = layer.ref;
        }
        src_.layers[layer.ref] = {node, layer.title, layer.editable, layer.group->hidden,
                                  ChildrenPrint(*layer.group)};
    }

    void ReadLayer(pugi::xml_node node) {
        Spellings spellings;
        const std::string title =
            Title(node, Document::DefaultLayerTitle(doc_.layers().size() + 1), spellings);
        const pugi::xml_attribute locked = Attr(node, kSodipodiNs, "insensitive");
        Layer& layer = doc_.AddLayer(doc_.layers().size(), title,
                                     !(locked && std::string_view(locked.value()) == "true"));
        // A layer's label is its title; a <title> child does not name it.
        layer.spellings = std::move(spellings);
        if (const char* label = Attr(node, kInkscapeNs, "label").value(); *label) {
            layer.spellings.clear();
            layer.title = Spelled(label, layer.spellings);
        }
        bool hidden = false;
        const Style style = StyleOf(node, Style{}, &hidden);
        layer.group->hidden = hidden;
        const Matrix ctm = ParseTransform(node.attribute("transform").value());
        for (pugi::xml_node child : node.children()) {
            ReadArt(child, layer.group, ctm, style, 1);
        }
        FrontFirst(*layer.group);
        Remember(layer, node);
    }

    void Fault(pugi::xml_node node, const std::string& what) {
        throw SvgFault{src_.Begin(node), what};
    }

    // Reads NODE as art into PARENT when it is art. PARENTCTM takes the parent's coordinates to
    // the root's. USED: inside a <use>, where elements have no record of their own.
    Art* ReadArt(pugi::xml_node node, Art* parent, const Matrix& parentCtm, const Style& inherited,
                 int depth, bool used = false) {
        if (!IsArt(node)) {
            return nullptr;
        }
        if (depth > kMaxArtDepth) {
            Fault(node, "art is nested " + std::to_string(depth) +
                            " deep; a map holds art nested at most " +
                            std::to_string(kMaxArtDepth) + " deep");
        }
        if (used && ++useArt_ > kUseArtBound) {
            Fault(node, "its <use> elements make more than " + std::to_string(kUseArtBound) +
                            " art objects");
        }
        bool hidden = false;
        const Style style = StyleOf(node, inherited, &hidden);
        const Matrix ctm = ParseTransform(node.attribute("transform").value()).Then(parentCtm);
        const std::string_view name = LocalName(node.name());
        Art* art = nullptr;
        Record record;
        record.node = node;
        record.parent = parentCtm;
        if (name == "g" || name == "a") {
            art = &doc_.NewArt(kGroupArt, parent);
            for (pugi::xml_node child : node.children()) {
                ReadArt(child, art, ctm, style, depth + 1, used);
            }
            FrontFirst(*art);
        } else if (name == "use") {
            record.kind = Record::kUse;
            art = &ReadUse(node, parent, ctm, style, depth);
        } else if (name == "text") {
            record.kind = Record::kText;
            art = &ReadText(node, parent, ctm, style);
        } else {
            record.kind = Record::kShape;
            art = &ReadShape(node, parent, ctm.Then(kFlip), style);
        }
        art->hidden = hidden;
        const pugi::xml_attribute insensitive = Attr(node, kSodipodiNs, "insensitive");
        art->locked = insensitive && std::string_view(insensitive.value()) == "true";
        for (pugi::xml_attribute a : node.attributes()) {
            if (AttrNamespace(node, a) == kTagsNs) {
                const std::string name = ToSjis(TagNameOfXml(LocalName(a.name())));
                art->tags[name] = Spelled(a.value(), art->spellings, name);
            }
        }
        if (!used) {
            record.own = OwnPrint(*art);
            record.geometry = GeometryPrint(*art);
            record.content = art->text;
            record.children = record.kind == Record::kUse ? DeepPrint(*art) : ChildrenPrint(*art);
            src_.keys[node.internal_object()] = art->ref;
            src_.art[art->ref] = std::move(record);
        }
        return art;
    }

    // The element NODE names by its href (#id); none for another file's. A missing one is
    // refused where REQUIRED (a <use>: the symbol the person placed would be lost).
    pugi::xml_node Target(pugi::xml_node node, bool required) {
        pugi::xml_attribute href = Attr(node, kXlinkNs, "href");
        if (!href) {
            href = node.attribute("href");
        }
        const std::string_view ref(href.value());
        if (!ref.starts_with('#')) {
            return {};
        }
        const auto it = ids_.find(std::string(ref.substr(1)));
        if (it == ids_.end()) {
            if (!required) {
                return {};
            }
            Fault(node, "<" + std::string(node.name()) + "> names \"" + std::string(ref) +
                            "\", which no element of this file has as its id");
        }
        return it->second;
    }

    // A <use> is a group holding the art of what it uses, placed where the use puts it.
    Art& ReadUse(pugi::xml_node node, Art* parent, const Matrix& ctm, const Style& style,
                 int depth) {
        Art& group = doc_.NewArt(kGroupArt, parent);
        const pugi::xml_node target = Target(node, true);
        if (!target) {
            return group;
        }
        const Matrix placed = Matrix::Translation(Length(node, "x"), Length(node, "y")).Then(ctm);
        if (IsElement(target, "symbol")) {
            for (pugi::xml_node child : target.children()) {
                ReadArt(child, &group, placed, style, depth + 1, true);
            }
            FrontFirst(group);
        } else {
            ReadArt(target, &group, placed, style, depth + 1, true);
        }
        return group;
    }

    void SetStyle(Art& path, const Style& style, const Matrix& full) {
        if (const std::optional<double> fill = GrayOf(style.fill, style.color)) {
            path.style.fill = Paint{*fill, 0};
        }
        if (const std::optional<double> stroke = GrayOf(style.stroke, style.color)) {
            const double scale = std::sqrt(std::fabs(full.a * full.d - full.b * full.c));
            path.style.stroke = Paint{*stroke, style.strokeWidth * scale};
        }
    }

    static void FillPath(Art& path, const Subpath& subpath, const Matrix& full) {
        path.closed = subpath.closed;
        for (const Segment& s : subpath.segments) {
            path.segments.push_back({full.Apply(s.p), full.Apply(s.in), full.Apply(s.out), false});
        }
    }

    // A path, or a compound path of its subpaths. FULL takes its points to the document's.
    Art& ReadShape(pugi::xml_node node, Art* parent, const Matrix& full, const Style& style) {
        Art& art = ReadShapeGeometry(node, parent, full, style);
        // Corner points as Inkscape marks them ("c" a corner, "s", "z" or "a" smooth), where
        // the marks fit the points; otherwise none is a corner.
        const std::string_view types(Attr(node, kSodipodiNs, "nodetypes").value());
        std::vector<Segment*> points;
        auto collect = [&](Art& path) {
            for (Segment& s : path.segments) {
                points.push_back(&s);
            }
        };
        if (art.type == kPathArt) {
            collect(art);
        } else {
            for (auto it = art.children.rbegin(); it != art.children.rend(); ++it) {
                collect(**it);
            }
        }
        if (types.size() == points.size()) {
            for (std::size_t i = 0; i < points.size(); ++i) {
                points[i]->corner = types[i] == 'c';
            }
        }
        return art;
    }

    Art& ReadShapeGeometry(pugi::xml_node node, Art* parent, const Matrix& full,
                           const Style& style) {
        const std::vector<Subpath> subpaths = ParsePathData(ShapeData(node).value_or(""));
        if (subpaths.size() <= 1) {
            Art& path = doc_.NewArt(kPathArt, parent);
            if (!subpaths.empty()) {
                FillPath(path, subpaths[0], full);
            }
            SetStyle(path, style, full);
            return path;
        }
        Art& compound = doc_.NewArt(kCompoundPathArt, parent);
        for (const Subpath& s : subpaths) {
            Art& path = doc_.NewArt(kPathArt, &compound);
            FillPath(path, s, full);
            SetStyle(path, style, full);
        }
        FrontFirst(compound);
        return compound;
    }

    static bool IsLine(pugi::xml_node node) {
        const pugi::xml_attribute role = Attr(node, kSodipodiNs, "role");
        return IsElement(node, "tspan") && role && std::string_view(role.value()) == "line";
    }

    static bool Preserved(pugi::xml_node node) {
        for (pugi::xml_node n = node; n; n = n.parent()) {
            if (const pugi::xml_attribute space = n.attribute("xml:space")) {
                return std::string_view(space.value()) == "preserve";
            }
        }
        return false;
    }

    // The characters as SVG lays them out: line breaks and tabs are spaces with
    // xml:space="preserve"; otherwise line breaks go, tabs are spaces, and spaces are collapsed
    // and trimmed.
    static std::string Spaces(const std::string& text, bool preserve) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\r' || c == '\n') {
                if (!preserve || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                    continue;
                }
                c = ' ';
            }
            c = c == '\t' ? ' ' : c;
            if (!preserve && c == ' ' && (out.empty() || out.back() == ' ')) {
                continue;
            }
            out += c;
        }
        if (!preserve && !out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        return out;
    }

    static std::string AllText(pugi::xml_node node) {
        std::string out;
        for (pugi::xml_node n = node.first_child(); n;) {
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
                out += n.value();
            }
            // Characters are those of the text, its spans and its path; a <title> or a <desc>
            // inside it holds none of them.
            if (n.type() == pugi::node_element && n.first_child() &&
                (IsElement(n, "tspan") || IsElement(n, "textPath") || IsElement(n, "a"))) {
                n = n.first_child();
                continue;
            }
            while (n && !n.next_sibling() && n != node) {
                n = n.parent();
            }
            if (!n || n == node) {
                break;
            }
            n = n.next_sibling();
        }
        return out;
    }

    Art& ReadText(pugi::xml_node node, Art* parent, const Matrix& ctm, const Style& style) {
        Art& text = doc_.NewArt(kTextArt, parent);
        std::vector<pugi::xml_node> lines;
        pugi::xml_node onPath;
        for (pugi::xml_node child : node.children()) {
            if (IsLine(child)) {
                lines.push_back(child);
            } else if (IsElement(child, "textPath") && !onPath) {
                onPath = child;
            }
        }
        std::string content;
        double size = style.fontSize;
        Point anchor{Length(node, "x"), Length(node, "y")};
        if (!lines.empty()) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                content += (i == 0 ? "" : "\r") + Spaces(AllText(lines[i]), Preserved(node));
            }
            const Style first = StyleOf(lines[0], style, nullptr);
            size = first.fontSize;
            anchor = {Length(lines[0], "x", anchor.x), Length(lines[0], "y", anchor.y)};
        } else {
            content = Spaces(AllText(node), Preserved(node));
        }
        text.text = Spelled(content, text.spellings);
        text.size = size;
        const Matrix full = ctm.Then(kFlip);
        text.anchor = full.Apply(anchor);
        const Matrix l = ctm.Linear();
        text.matrix = {l.a, -l.b, -l.c, l.d};
        if (onPath) {
            if (const pugi::xml_node target = Target(onPath, false); target && ShapeData(target)) {
                const std::vector<Subpath> subpaths = ParsePathData(ShapeData(target).value_or(""));
                Matrix targetCtm;
                for (pugi::xml_node n = target; n && n != src_.root.parent(); n = n.parent()) {
                    targetCtm = targetCtm.Then(ParseTransform(n.attribute("transform").value()));
                }
                Art& path = doc_.NewTextPath(text);
                if (!subpaths.empty()) {
                    FillPath(path, subpaths[0], targetCtm.Then(kFlip));
                    text.anchor = path.segments.empty() ? text.anchor : path.segments[0].p;
                }
            }
        }
        return text;
    }

    Document& doc_;
    SvgSource& src_;
    std::unordered_map<std::string, pugi::xml_node> ids_;
    std::vector<pugi::xml_node> symbols_;
    std::size_t useArt_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Writing

// Attribute names that give an element's geometry, left out when it is written as a new path.
bool GeometryAttribute(std::string_view name) {
    static const std::set<std::string_view> kNames = {
        "d",  "x", "y",  "width", "height", "rx", "ry",     "cx",
        "cy", "r", "x1", "y1",    "x2",     "y2", "points", "transform"};
    return kNames.count(name) != 0 || name.starts_with("sodipodi:") ||
           name.starts_with("inkscape:original") || name == "inkscape:path-effect";
}

// The attributes of a symbol's element that copies of it take: how it is painted.
bool PaintAttribute(std::string_view name) {
    static const std::set<std::string_view> kNames = {"style",
                                                      "class",
                                                      "fill",
                                                      "fill-opacity",
                                                      "fill-rule",
                                                      "stroke",
                                                      "stroke-width",
                                                      "stroke-opacity",
                                                      "stroke-linecap",
                                                      "stroke-linejoin",
                                                      "stroke-miterlimit",
                                                      "stroke-dasharray",
                                                      "opacity",
                                                      "font-family",
                                                      "font-weight",
                                                      "font-style"};
    return kNames.count(name) != 0;
}

class SvgWriter {
  public:
    SvgWriter(const Document& document, const SvgSource* source) : doc_(document), src_(source) {}

    std::string Write() {
        if (src_ == nullptr) {
            return Fresh();
        }
        if (DocumentUnchanged()) {
            return src_->original;
        }
        const std::string& text = src_->text;
        const pugi::xml_node root = src_->root;
        const std::size_t begin = src_->Begin(root);
        const std::size_t end = src_->End(root);
        std::string body;
        const std::size_t tagEnd = SkipMarkup(text, begin);
        out_ = &body;
        Content(root, Matrix{}, RootItems(), Indent(begin));
        // The root declares what the new markup uses.
        std::string start = text.substr(begin, tagEnd - begin);
        const bool selfClosing = start.ends_with("/>");
        std::string declarations;
        auto declare = [&](bool used, const std::string& prefix, const char* ns) {
            if (used && NamespaceOf(root, prefix) != ns) {
                declarations += " xmlns:" + prefix + "=\"" + ns + "\"";
            }
        };
        declare(usesInkscape_, "inkscape", kInkscapeNs);
        declare(usesSodipodi_, "sodipodi", kSodipodiNs);
        declare(usesTags_, TagsPrefix(), kTagsNs);
        if (!declarations.empty() || selfClosing) {
            start = start.substr(0, start.size() - (selfClosing ? 2 : 1));
            while (!start.empty() && std::isspace(static_cast<unsigned char>(start.back()))) {
                start.pop_back();
            }
            start += declarations + ">";
        }
        return text.substr(0, begin) + start + body + text.substr(end);
    }

  private:
    // ---- what changed

    bool ArtUnchanged(const Art& art) {
        if (const auto memo = unchanged_.find(art.ref); memo != unchanged_.end()) {
            return memo->second;
        }
        bool same = false;
        if (const auto it = src_->art.find(art.ref); it != src_->art.end()) {
            const Record& r = it->second;
            same =
                r.own == OwnPrint(art) && r.geometry == GeometryPrint(art) && r.content == art.text;
            if (same && r.kind == Record::kUse) {
                same = r.children == DeepPrint(art);
            } else if (same && art.type == kGroupArt) {
                same = r.children == ChildrenPrint(art) &&
                       std::all_of(art.children.begin(), art.children.end(),
                                   [&](const Art* c) { return ArtUnchanged(*c); });
            }
        }
        unchanged_[art.ref] = same;
        return same;
    }

    bool LayerUnchanged(const Layer& layer) {
        const auto it = src_->layers.find(layer.ref);
        if (it == src_->layers.end()) {
            return false;
        }
        const LayerRecord& r = it->second;
        return r.title == layer.title && r.editable == layer.editable &&
               r.hidden == layer.group->hidden && r.children == ChildrenPrint(*layer.group) &&
               std::all_of(layer.group->children.begin(), layer.group->children.end(),
                           [&](const Art* c) { return ArtUnchanged(*c); });
    }

    bool DocumentUnchanged() {
        std::vector<LayerHandle> now;
        for (const Layer* layer : doc_.layers()) {
            now.push_back(layer->ref);
        }
        return now == src_->layerOrder &&
               std::all_of(doc_.layers().begin(), doc_.layers().end(),
                           [&](const Layer* l) { return LayerUnchanged(*l); });
    }

    // ---- bytes of the source

    // Where the closing tag of the element ending at END starts.
    std::size_t CloseBegin(pugi::xml_node, std::size_t end) const {
        return src_->text.rfind('<', end - 1);
    }

    // The line break and blanks before the element starting at BEGIN.
    std::string Indent(std::size_t begin) const {
        // Looked for a short way back only: a file on one line has no indentation to copy.
        const std::size_t from = begin > 256 ? begin - 256 : 0;
        const std::size_t back =
            std::string_view(src_->text).substr(from, begin - from).rfind('\n');
        if (back == std::string_view::npos) {
            return "\n";
        }
        const std::size_t nl = from + back;
        const std::string_view between(src_->text.data() + nl, begin - nl);
        return IsBlank(between) ? std::string(between) : "\n";
    }

    std::string TagsPrefix() const {
        if (src_ != nullptr) {
            for (pugi::xml_attribute a : src_->root.attributes()) {
                const std::string_view name(a.name());
                if (name.starts_with("xmlns:") && std::string_view(a.value()) == kTagsNs) {
                    return std::string(name.substr(6));
                }
            }
        }
        return "kzn";
    }

    // ---- items of a container: art, layers, and what is neither

    struct Item {
        const Art* art = nullptr;
        const Layer* layer = nullptr;
        const void* key() const {
            return art != nullptr ? static_cast<const void*>(art->ref)
                                  : static_cast<const void*>(layer->ref);
        }
    };

    // The kinds of a container's items, each in the order they are painted (back first).
    using Kinds = std::vector<std::vector<Item>>;

    static std::vector<Item> ArtItems(const Art& group) {
        std::vector<Item> out;
        for (auto it = group.children.rbegin(); it != group.children.rend(); ++it) {
            out.push_back({*it, nullptr});
        }
        return out;
    }

    Kinds RootItems() const {
        std::vector<Item> layers;
        std::vector<Item> art;
        for (auto it = doc_.layers().rbegin(); it != doc_.layers().rend(); ++it) {
            if ((*it)->ref == src_->rootLayer) {
                art = ArtItems(*(*it)->group);
            } else {
                layers.push_back({nullptr, *it});
            }
        }
        return {art, layers};
    }

    // The element an item was read from, where it was read from one.
    pugi::xml_node NodeOf(const void* key) const {
        if (const auto it = src_->art.find(static_cast<ArtHandle>(const_cast<void*>(key)));
            it != src_->art.end()) {
            return it->second.node;
        }
        if (const auto it = src_->layers.find(static_cast<LayerHandle>(const_cast<void*>(key)));
            it != src_->layers.end() && it->first != src_->rootLayer) {
            return it->second.node;
        }
        return {};
    }

    // Writes the content of container NODE (its children as KINDS hold them now) into OUT. CTM:
    // the container's coordinates to the root's. INDENT: the container's own.
    void Content(pugi::xml_node node, const Matrix& ctm, const Kinds& kinds,
                 const std::string& indent) {
        const std::string& text = src_->text;
        const std::size_t begin = src_->Begin(node);
        const std::size_t end = src_->End(node);
        const std::size_t contentBegin = SkipMarkup(text, begin);
        const bool selfClosing = text[contentBegin - 2] == '/';
        const std::size_t contentEnd = selfClosing ? contentBegin : CloseBegin(node, end);
        // The element children, and which item each was read as.
        std::unordered_map<const void*, std::size_t> position;  // key -> index of the child
        std::vector<pugi::xml_node> children;
        std::unordered_map<pugi::xml_node_struct*, const void*> keyOf;
        for (const auto& kind : kinds) {
            for (const Item& item : kind) {
                if (pugi::xml_node n = NodeOf(item.key()); n && n.parent() == node) {
                    keyOf[n.internal_object()] = item.key();
                }
            }
        }
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element) {
                if (const auto it = keyOf.find(child.internal_object()); it != keyOf.end()) {
                    position[it->second] = children.size();
                } else if (const auto read = src_->keys.find(child.internal_object());
                           read != src_->keys.end()) {
                    // Read as art or a layer that is here no longer.
                    keyOf[child.internal_object()] = read->second;
                }
                children.push_back(child);
            }
        }
        // Items that keep their place: of each kind, those in the order they stand in the file.
        // The others are written where they are now, after the item before them.
        std::unordered_set<const void*> anchored;
        std::unordered_map<const void*, std::vector<Item>> after;
        std::unordered_map<const void*, std::vector<Item>> before;
        std::vector<Item> tail;
        std::string childIndent;
        for (const auto& kind : kinds) {
            std::size_t last = 0;
            bool any = false;
            const void* previous = nullptr;
            std::vector<Item> front;
            for (const Item& item : kind) {
                const auto it = position.find(item.key());
                if (it != position.end() && (!any || it->second > last)) {
                    anchored.insert(item.key());
                    last = it->second;
                    if (!any) {
                        before[item.key()] = front;
                    }
                    any = true;
                    previous = item.key();
                } else if (previous != nullptr) {
                    after[previous].push_back(item);
                } else {
                    front.push_back(item);
                }
            }
            if (!any) {
                tail.insert(tail.end(), front.begin(), front.end());
            }
        }
        for (pugi::xml_node child : children) {
            if (keyOf.count(child.internal_object()) != 0 || IsLayer(child) ||
                IsElement(child, "g") || IsElement(child, "path") || IsElement(child, "text")) {
                childIndent = Indent(src_->Begin(child));
                break;
            }
        }
        if (childIndent.empty()) {
            childIndent = indent + "  ";
        }
        std::string& content = Out();
        const std::size_t written = content.size();
        std::size_t pos = contentBegin;
        for (pugi::xml_node child : children) {
            const std::size_t cb = src_->Begin(child);
            const std::size_t ce = src_->End(child);
            const std::string_view gap(text.data() + pos, cb - pos);
            const auto key = keyOf.find(child.internal_object());
            if (key == keyOf.end()) {
                content += gap;
                content.append(text, cb, ce - cb);
            } else if (anchored.count(key->second) != 0) {
                if (const auto b = before.find(key->second); b != before.end()) {
                    for (const Item& item : b->second) {
                        WriteItem(item, ctm, childIndent);
                    }
                }
                content += gap;
                WriteItem({FindArt(key->second), FindLayer(key->second)}, ctm, childIndent, true);
                if (const auto a = after.find(key->second); a != after.end()) {
                    for (const Item& item : a->second) {
                        WriteItem(item, ctm, childIndent);
                    }
                }
            } else if (!IsBlank(gap)) {
                // Art gone: its line goes with it, what else stood before it stays.
                content += gap;
            }
            pos = ce;
        }
        for (const Item& item : tail) {
            WriteItem(item, ctm, childIndent);
        }
        content.append(text, pos, contentEnd - pos);
        if (selfClosing) {
            content +=
                (content.size() > written ? indent : "") + "</" + std::string(node.name()) + ">";
        } else {
            content.append(text, contentEnd, end - contentEnd);
        }
    }

    const Art* FindArt(const void* key) const {
        const auto it = src_->art.find(static_cast<ArtHandle>(const_cast<void*>(key)));
        return it == src_->art.end() ? nullptr : &doc_.Get(it->first);
    }
    const Layer* FindLayer(const void* key) const {
        if (FindArt(key) != nullptr) {
            return nullptr;
        }
        return &doc_.Get(static_cast<LayerHandle>(const_cast<void*>(key)));
    }

    // Writes ITEM; INPLACE: at the element it was read from (whose gap is written already).
    void WriteItem(const Item& item, const Matrix& ctm, const std::string& indent,
                   bool inPlace = false) {
        std::string& out = Out();
        const std::string lead = inPlace ? std::string() : indent;
        if (item.layer != nullptr) {
            out += lead;
            WriteLayer(*item.layer, indent);
            return;
        }
        const auto it = src_->art.find(item.art->ref);
        if (it != src_->art.end() && it->second.parent == ctm) {
            out += lead;
            WriteExisting(*item.art, it->second, ctm, indent);
            return;
        }
        out += lead;
        WriteNew(*item.art, Local(ctm), indent, nullptr);
    }

    // Takes document points to the coordinates of a container whose own go to the root's by CTM.
    static Matrix Local(const Matrix& ctm) { return kFlip.Then(Inverse(ctm)); }

    std::string& Out() { return *out_; }

    void WriteLayer(const Layer& layer, const std::string& indent) {
        const auto it = src_->layers.find(layer.ref);
        if (it == src_->layers.end()) {
            usesInkscape_ = true;
            std::string& out = Out();
            out += "<g inkscape:groupmode=\"layer\" inkscape:label=\"" +
                   Escape(ToUtf8(layer.title), true) + "\"";
            if (!layer.editable) {
                usesSodipodi_ = true;
                out += " sodipodi:insensitive=\"true\"";
            }
            out += layer.group->hidden ? " style=\"display:none\"" : "";
            WriteNewChildren(*layer.group, Local(Matrix{}), indent, nullptr);
            return;
        }
        const LayerRecord& r = it->second;
        if (LayerUnchanged(layer)) {
            Out().append(src_->text, src_->Begin(r.node), src_->End(r.node) - src_->Begin(r.node));
            return;
        }
        std::vector<std::pair<std::string, std::optional<std::string>>> changes;
        if (r.title != layer.title) {
            usesInkscape_ = true;
            changes.emplace_back("inkscape:label", ToUtf8(layer.title));
        }
        if (r.editable != layer.editable) {
            usesSodipodi_ = true;
            changes.emplace_back("sodipodi:insensitive", layer.editable
                                                             ? std::nullopt
                                                             : std::optional<std::string>("true"));
        }
        StartTag(r.node, changes, layer.group->hidden != r.hidden ? &layer.group->hidden : nullptr,
                 nullptr);
        Content(r.node, ParseTransform(r.node.attribute("transform").value()),
                {ArtItems(*layer.group)}, indent);
    }

    // The start tag of NODE with CHANGES to its attributes (a value of nullopt removes one), its
    // hidden state set to HIDDEN and its tags to those of TAGS, where given; the original bytes
    // when nothing changes. A self-closing tag stays so only when SELFCLOSING allows it.
    void StartTag(pugi::xml_node node,
                  std::vector<std::pair<std::string, std::optional<std::string>>> changes,
                  const bool* hidden, const Art* tags, bool keepSelfClosing = false) {
        const std::string& text = src_->text;
        const std::size_t begin = src_->Begin(node);
        const std::size_t end = SkipMarkup(text, begin);
        const bool selfClosing = text[end - 2] == '/';
        if (hidden != nullptr) {
            auto decls = Declarations(node.attribute("style").value());
            std::string style;
            for (const auto& [name, value] : decls) {
                if (name != "display" && !(name == "visibility" && *hidden == false)) {
                    style += (style.empty() ? "" : ";") + name + ":" + value;
                }
            }
            if (*hidden) {
                style += (style.empty() ? "" : ";") + std::string("display:none");
            }
            changes.emplace_back("style",
                                 style.empty() ? std::nullopt : std::optional<std::string>(style));
            if (!*hidden && node.attribute("display")) {
                changes.emplace_back("display", std::nullopt);
            }
        }
        std::map<std::string, std::string> newTags;
        if (tags != nullptr) {
            for (const auto& [name, value] : tags->tags) {
                newTags[TagXmlName(ToUtf8(name))] = value;
            }
        }
        std::string out = "<" + std::string(node.name());
        bool changed = false;
        std::set<std::string> done;
        for (pugi::xml_attribute a : node.attributes()) {
            const std::string name(a.name());
            std::optional<std::string> value = std::string(a.value());
            for (const auto& [n, v] : changes) {
                if (n == name) {
                    value = v;
                    done.insert(n);
                }
            }
            if (tags != nullptr && AttrNamespace(node, a) == kTagsNs) {
                const std::string local(LocalName(a.name()));
                const auto t = newTags.find(local);
                // A value the host holds as read keeps its characters, those without a
                // Shift-JIS form included.
                value = t == newTags.end() ? std::nullopt
                        : ToSjis(a.value()) == t->second
                            ? std::optional<std::string>(a.value())
                            : std::optional<std::string>(ToUtf8(t->second));
                if (t != newTags.end()) {
                    newTags.erase(t);
                }
            }
            changed = changed || value != std::optional<std::string>(a.value());
            if (value) {
                out += " " + name + "=\"" + Escape(*value, true) + "\"";
            }
        }
        for (const auto& [n, v] : changes) {
            if (done.count(n) == 0 && v) {
                out += " " + n + "=\"" + Escape(*v, true) + "\"";
                changed = true;
            }
        }
        for (const auto& [n, v] : newTags) {
            usesTags_ = true;
            out += " " + TagsPrefix() + ":" + n + "=\"" + Escape(ToUtf8(v), true) + "\"";
            changed = true;
        }
        if (!changed && (keepSelfClosing || !selfClosing)) {
            Out().append(text, begin, end - begin);
            return;
        }
        Out() += out + (selfClosing && keepSelfClosing ? "/>" : ">");
    }

    // Art read from an element of the container it is in.
    void WriteExisting(const Art& art, const Record& r, const Matrix& ctm,
                       const std::string& indent) {
        const std::string& text = src_->text;
        const std::size_t begin = src_->Begin(r.node);
        const std::size_t end = src_->End(r.node);
        if (ArtUnchanged(art)) {
            Out().append(text, begin, end - begin);
            return;
        }
        const bool own = r.own != OwnPrint(art);
        const bool* hidden = own ? &art.hidden : nullptr;
        std::vector<std::pair<std::string, std::optional<std::string>>> changes;
        if (own) {
            const pugi::xml_attribute insensitive = Attr(r.node, kSodipodiNs, "insensitive");
            const bool wasLocked = insensitive && std::string_view(insensitive.value()) == "true";
            if (wasLocked != art.locked) {
                usesSodipodi_ = true;
                changes.emplace_back(
                    insensitive ? insensitive.name() : "sodipodi:insensitive",
                    art.locked ? std::optional<std::string>("true") : std::nullopt);
            }
        }
        const Matrix elementCtm = ParseTransform(r.node.attribute("transform").value()).Then(ctm);
        const bool geometry = r.geometry != GeometryPrint(art);
        switch (r.kind) {
            case Record::kGroup:
                StartTag(r.node, changes, hidden, own ? &art : nullptr);
                Content(r.node, elementCtm, {ArtItems(art)}, indent);
                return;
            case Record::kUse:
            case Record::kShape:
                // Its start tag anew where it must be, the rest of the element as it was.
                if (!geometry && (r.kind == Record::kShape || r.children == DeepPrint(art))) {
                    StartTag(r.node, changes, hidden, own ? &art : nullptr, true);
                    const std::size_t tagEnd = SkipMarkup(text, begin);
                    Out().append(text, tagEnd, end - tagEnd);
                    return;
                }
                break;
            case Record::kText:
                if (!geometry) {
                    StartTag(r.node, changes, hidden, own ? &art : nullptr);
                    WriteTextContent(art, r.node, r.content == art.text);
                    return;
                }
                break;
        }
        // Changed past what its element can say: written anew, keeping how it was painted.
        WriteNew(art, Local(ctm), indent, &r.node);
    }

    // The elements inside the text NODE that hold no characters of it (a <title>, a <desc>, or
    // whatever a file puts there), outermost first in file order: a replaced text keeps them, and
    // so the ids that other elements name.
    static void NotLines(pugi::xml_node node, std::vector<pugi::xml_node>& out) {
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) {
                continue;
            }
            if (IsElement(child, "tspan") || IsElement(child, "textPath") ||
                IsElement(child, "a")) {
                NotLines(child, out);
            } else {
                out.push_back(child);
            }
        }
    }

    // Closes a replaced text: what it held besides its characters, then CLOSE.
    void CloseText(pugi::xml_node node, const std::string& close) {
        std::vector<pugi::xml_node> kept;
        NotLines(node, kept);
        for (pugi::xml_node element : kept) {
            const std::size_t b = src_->Begin(element);
            Out().append(src_->text, b, src_->End(element) - b);
        }
        Out() += close;
    }

    void WriteTextContent(const Art& art, pugi::xml_node node, bool same) {
        const std::string& text = src_->text;
        const std::size_t begin = src_->Begin(node);
        const std::size_t end = src_->End(node);
        const std::size_t contentBegin = SkipMarkup(text, begin);
        if (same) {
            Out().append(text, contentBegin, end - contentBegin);
            return;
        }
        const std::string utf8 = ToUtf8(art.text);
        std::vector<std::string> lines;
        std::size_t from = 0;
        while (true) {
            const std::size_t cr = utf8.find('\r', from);
            lines.push_back(utf8.substr(from, cr == std::string::npos ? cr : cr - from));
            if (cr == std::string::npos) {
                break;
            }
            from = cr + 1;
        }
        pugi::xml_node first;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element) {
                first = child;
                break;
            }
        }
        const std::string close = "</" + std::string(node.name()) + ">";
        const bool line = first && IsElement(first, "tspan");
        if (line || IsElement(first, "textPath")) {
            const std::size_t fb = src_->Begin(first);
            // Blanks before the first line stay; characters there are the text's old ones.
            if (IsBlank(std::string_view(text).substr(contentBegin, fb - contentBegin))) {
                Out().append(text, contentBegin, fb - contentBegin);
            }
            const std::size_t fe = SkipMarkup(text, fb);
            std::string tag = text.substr(fb, fe - fb);
            if (tag.ends_with("/>")) {
                tag = tag.substr(0, tag.size() - 2) + ">";
            }
            const std::string firstClose = "</" + std::string(first.name()) + ">";
            Out() += tag + Escape(lines[0], false) + firstClose;
            for (std::size_t i = 1; i < lines.size(); ++i) {
                if (line) {
                    usesSodipodi_ = true;
                    Out() +=
                        "<tspan sodipodi:role=\"line\">" + Escape(lines[i], false) + "</tspan>";
                } else {
                    Out() += Escape(lines[i], false);
                }
            }
            CloseText(node, close);
            return;
        }
        Out() += Escape(lines[0], false);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            usesSodipodi_ = true;
            Out() += "<tspan sodipodi:role=\"line\">" + Escape(lines[i], false) + "</tspan>";
        }
        CloseText(node, close);
    }

    // ---- new markup, as Inkscape writes it

    // The attributes of MODEL (an element of the source) that new markup keeps: all but its
    // geometry, its tags and its lock (ALL: it is the element itself), or those that say how it
    // is painted (a copy of a symbol's element). HIDDEN: the new markup is hidden.
    std::string Kept(pugi::xml_node model, bool all, bool hidden) {
        std::string out;
        bool styled = false;
        for (pugi::xml_attribute a : model.attributes()) {
            const std::string_view name(a.name());
            const bool keep = all ? !GeometryAttribute(name) && AttrNamespace(model, a) != kTagsNs
                                  : PaintAttribute(name);
            if (!keep || name == "display") {
                continue;
            }
            std::string value = a.value();
            if (name == "style") {
                styled = true;
                std::string style;
                for (const auto& [n, v] : Declarations(value)) {
                    if (n != "display") {
                        style += (style.empty() ? "" : ";") + n + ":" + v;
                    }
                }
                value = style +
                        (hidden ? (style.empty() ? "" : ";") + std::string("display:none") : "");
            }
            out += " " + std::string(name) + "=\"" + Escape(value, true) + "\"";
        }
        if (hidden && !styled) {
            out += " style=\"display:none\"";
        }
        return out;
    }

    std::string OwnAttributes(const Art& art) {
        std::string out;
        if (art.locked) {
            usesSodipodi_ = true;
            out += " sodipodi:insensitive=\"true\"";
        }
        for (const auto& [name, value] : art.tags) {
            usesTags_ = true;
            out += " " + TagsPrefix() + ":" + TagXmlName(ToUtf8(name)) + "=\"" +
                   Escape(ToUtf8(value), true) + "\"";
        }
        return out;
    }

    static std::string PathData(const Art& path, const Matrix& local) {
        std::string d;
        const auto& s = path.segments;
        if (s.empty()) {
            return d;
        }
        auto pt = [&](Point p) {
            const Point q = local.Apply(p);
            return Number(q.x) + "," + Number(q.y);
        };
        d += "M " + pt(s[0].p);
        const std::size_t n = s.size();
        const std::size_t count = path.closed ? n : n - 1;
        for (std::size_t i = 0; i < count; ++i) {
            const Segment& a = s[i];
            const Segment& b = s[(i + 1) % n];
            if (a.out == a.p && b.in == b.p) {
                // The closing line is the close itself.
                d += i + 1 == n ? std::string() : " L " + pt(b.p);
            } else {
                d += " C " + pt(a.out) + " " + pt(b.in) + " " + pt(b.p);
            }
        }
        if (path.closed) {
            d += " Z";
        }
        return d;
    }

    static std::string StyleOfPath(const Art& path, const Matrix& local) {
        std::string style =
            "fill:" + (path.style.fill ? GrayColour(path.style.fill->gray) : "none");
        if (path.style.stroke) {
            const double scale = std::sqrt(std::fabs(local.a * local.d - local.b * local.c));
            style += ";stroke:" + GrayColour(path.style.stroke->gray) +
                     ";stroke-width:" + Number(path.style.stroke->width * scale);
        } else {
            style += ";stroke:none";
        }
        return style;
    }

    // The elements a copy of a pattern's art takes its paint from, found by its shape: the same
    // kinds of art nested the same way.
    static std::string Shape(const Art& art, int budget) {
        std::string out = std::to_string(art.type) + "(";
        for (const Art* c : art.children) {
            if (--budget < 0) {
                break;
            }
            out += Shape(*c, budget);
        }
        return out + ")";
    }

    void ModelsFor(const Art& copy) {
        if (src_ == nullptr || !tried_.insert(copy.ref).second) {
            return;
        }
        for (const auto& [ref, elements] : src_->patterns) {
            if (!doc_.Alive(ref)) {
                continue;  // a pattern's art a command replaced
            }
            const Art& pattern = doc_.Get(ref);
            if (pattern.type != copy.type || pattern.children.size() != copy.children.size() ||
                Shape(pattern, 10000) != Shape(copy, 10000)) {
                continue;
            }
            std::function<void(const Art&, const Art&)> pair = [&](const Art& p, const Art& c) {
                if (const auto it = elements.find(p.ref); it != elements.end()) {
                    const Art& model = doc_.Get(p.ref);
                    if (model.style.fill.has_value() == c.style.fill.has_value() &&
                        model.style.stroke.has_value() == c.style.stroke.has_value() &&
                        (!model.style.fill || model.style.fill->gray == c.style.fill->gray) &&
                        (!model.style.stroke || model.style.stroke->gray == c.style.stroke->gray)) {
                        models_[c.ref] = it->second;
                    }
                }
                auto ci = c.children.begin();
                for (const Art* pc : p.children) {
                    pair(*pc, **ci++);
                }
            };
            pair(pattern, copy);
            return;
        }
    }

    void WriteNewChildren(const Art& group, const Matrix& local, const std::string& indent,
                          const pugi::xml_node*) {
        if (group.children.empty()) {
            Out() += " />";
            return;
        }
        Out() += ">";
        const std::string inner = indent + "  ";
        for (auto it = group.children.rbegin(); it != group.children.rend(); ++it) {
            Out() += inner;
            WriteNew(**it, local, inner, nullptr);
        }
        Out() += indent + "</g>";
    }

    // ART as new markup; LOCAL takes its points to its container's coordinates. KEEP: the
    // element it was read from, whose other attributes it keeps.
    void WriteNew(const Art& art, const Matrix& local, const std::string& indent,
                  const pugi::xml_node* keep) {
        if (keep == nullptr && src_ != nullptr && src_->art.count(art.ref) == 0) {
            ModelsFor(art);
        }
        pugi::xml_node model;
        if (keep != nullptr) {
            model = *keep;
        } else if (const auto it = models_.find(art.ref); it != models_.end()) {
            model = it->second;
        }
        std::string& out = Out();
        const std::string hidden = art.hidden ? " style=\"display:none\"" : "";
        switch (art.type) {
            case kGroupArt: {
                out += "<g" + hidden + OwnAttributes(art);
                WriteNewChildren(art, local, indent, nullptr);
                return;
            }
            case kPathArt:
            case kCompoundPathArt: {
                const Art& first =
                    art.type == kPathArt || art.children.empty() ? art : *art.children.front();
                std::string d;
                std::string types;
                bool corners = false;
                auto add = [&](const Art& path) {
                    d += (d.empty() ? "" : " ") + PathData(path, local);
                    for (const Segment& s : path.segments) {
                        types += s.corner ? 'c' : 's';
                        corners = corners || s.corner;
                    }
                };
                if (art.type == kPathArt) {
                    add(art);
                } else {
                    for (auto it = art.children.rbegin(); it != art.children.rend(); ++it) {
                        add(**it);
                    }
                }
                if (corners) {
                    usesSodipodi_ = true;
                    d += "\" sodipodi:nodetypes=\"" + types;
                }
                out += "<path";
                if (model) {
                    out += Kept(model, keep != nullptr, art.hidden);
                } else {
                    out += " style=\"" + StyleOfPath(first, local) +
                           (art.hidden ? ";display:none" : "") + "\"";
                }
                out += " d=\"" + d + "\"" + OwnAttributes(art) + " />";
                return;
            }
            case kTextArt: {
                // The text's coordinates: its orientation turned to SVG's (y down), at its anchor.
                const Matrix m{art.matrix[0], art.matrix[1], art.matrix[2], art.matrix[3], 0, 0};
                Matrix t = kFlip.Then(m).Then(local.Linear());
                const Point at = local.Apply(art.anchor);
                t.tx = at.x;
                t.ty = at.y;
                out += "<text xml:space=\"preserve\"";
                if (model) {
                    out += Kept(model, keep != nullptr, art.hidden);
                } else {
                    out += " style=\"font-size:" + Number(art.size) + "px" +
                           (art.hidden ? ";display:none" : "") + "\"";
                }
                out += " transform=\"matrix(" + Number(t.a) + "," + Number(t.b) + "," +
                       Number(t.c) + "," + Number(t.d) + "," + Number(t.tx) + "," + Number(t.ty) +
                       ")\" x=\"0\" y=\"0\"" + OwnAttributes(art) + ">";
                const std::string utf8 = ToUtf8(art.text);
                std::size_t from = 0;
                int line = 0;
                usesSodipodi_ = true;
                while (true) {
                    const std::size_t cr = utf8.find('\r', from);
                    out +=
                        "<tspan sodipodi:role=\"line\" x=\"0\" y=\"" +
                        Number(line * 1.25 * art.size) + "\">" +
                        Escape(utf8.substr(from, cr == std::string::npos ? cr : cr - from), false) +
                        "</tspan>";
                    if (cr == std::string::npos) {
                        break;
                    }
                    from = cr + 1;
                    ++line;
                }
                out += "</text>";
                return;
            }
            default:
                return;
        }
    }

    // ---- a file of its own

    std::string Fresh() {
        usesInkscape_ = usesSodipodi_ = usesTags_ = true;
        std::string out =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\"\n"
            "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"\n"
            "   xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\"\n"
            "   xmlns:kzn=\"urn:x-kzn:tags\" version=\"1.1\">";
        out_ = &out;
        const std::string indent = "\n  ";
        if (!doc_.patterns().empty()) {
            out += indent + "<defs>";
            std::size_t n = 0;
            for (const Pattern* p : doc_.patterns()) {
                out += indent + "  <symbol id=\"kzn-pattern-" + std::to_string(++n) + "\"><title>" +
                       Escape(ToUtf8(p->name), false) + "</title>";
                if (p->art != nullptr) {
                    out += indent + "    ";
                    // Pattern art is kept in SVG's own orientation (y down).
                    WriteNew(*p->art, Matrix{}, indent + "    ", nullptr);
                }
                out += indent + "  </symbol>";
            }
            out += indent + "</defs>";
        }
        out += indent + "<sodipodi:namedview id=\"namedview\" inkscape:current-layer=\"layer" +
               std::to_string(doc_.layers().size() - doc_.currentLayer()) + "\" />";
        std::size_t n = 0;
        for (auto it = doc_.layers().rbegin(); it != doc_.layers().rend(); ++it) {
            const Layer& layer = **it;
            out += indent + "<g inkscape:groupmode=\"layer\" id=\"layer" + std::to_string(++n) +
                   "\" inkscape:label=\"" + Escape(ToUtf8(layer.title), true) + "\"" +
                   (layer.editable ? "" : " sodipodi:insensitive=\"true\"") +
                   (layer.group->hidden ? " style=\"display:none\"" : "");
            WriteNewChildren(*layer.group, kFlip, indent, nullptr);
        }
        out += "\n</svg>\n";
        return out;
    }

    const Document& doc_;
    const SvgSource* src_;
    std::string* out_ = nullptr;
    std::unordered_map<ArtHandle, bool> unchanged_;
    std::unordered_map<ArtHandle, pugi::xml_node> models_;
    std::unordered_set<ArtHandle> tried_;
    bool usesInkscape_ = false;
    bool usesSodipodi_ = false;
    bool usesTags_ = false;

  public:
    void SetOut(std::string& out) { out_ = &out; }
};

}  // namespace

std::unique_ptr<Document> ParseSvgMap(const std::string& bytes, const std::string& name,
                                      std::shared_ptr<const MapSource>* source) {
    auto src = std::make_shared<SvgSource>();
    src->original = bytes;
    auto document = std::make_unique<Document>();
    try {
        // XML has no NUL character (the parser would take one for the end of a value), and an
        // SVG map is UTF-8: a text read otherwise could not be written back.
        if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
            throw SvgFault{nul, "not well-formed XML: a NUL byte"};
        }
        if (const std::size_t bad = NotUtf8At(bytes); bad != std::string::npos) {
            throw SvgFault{bad, "bytes that are not UTF-8 (an SVG map is read as UTF-8)"};
        }
        src->text = ExpandEntities(bytes);
        const pugi::xml_parse_result result =
            src->xml.load_buffer(src->text.data(), src->text.size(),
                                 pugi::parse_full & ~pugi::parse_eol, pugi::encoding_utf8);
        if (!result) {
            throw SvgFault{static_cast<std::size_t>(result.offset),
                           std::string("not well-formed XML: ") + result.description()};
        }
        SvgReader(*document, *src).Read();
    } catch (const SvgFault& f) {
        throw MapError(name + ": " + LineColumn(src->text.empty() ? bytes : src->text, f.offset) +
                       ": " + f.what);
    }
    if (source != nullptr) {
        *source = src;
    }
    return document;
}

std::string FormatSvgMap(const Document& document, const MapSource* source) {
    const auto* src = dynamic_cast<const SvgSource*>(source);
    std::string out;
    SvgWriter writer(document, src);
    writer.SetOut(out);
    std::string written = writer.Write();
    return written;
}

std::string Gunzip(const std::string& bytes, const std::string& name, std::uint64_t bound) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) {
        throw MapError(name + ": cannot be inflated");
    }
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    char buffer[1 << 16];
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&z);
            throw MapError(name + ": not gzip-compressed SVG (" +
                           (z.msg != nullptr ? z.msg : "the data ends too soon") + ")");
        }
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > bound) {
            inflateEnd(&z);
            throw MapError(name + ": inflates to more than " + std::to_string(bound >> 20) +
                           " MiB, the most a map may hold");
        }
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) {
            inflateEnd(&z);
            throw MapError(name + ": not gzip-compressed SVG (the data ends too soon)");
        }
    }
    inflateEnd(&z);
    return out;
}

std::string Gzip(const std::string& bytes) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace subhost
