// What a text element of an SVG map says: its characters as SVG lays them out, its lines and
// paragraphs, and where a flowed text's first line stands.

#include "subhost/mapforms/svg/texts.h"

#include <algorithm>
#include <cctype>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/pathdata.h"

namespace subhost::svg {
namespace {

// Whether UTF8 holds a Japanese character (kana, kanji, CJK punctuation, full-width forms):
// UTF-8 leads of U+3000-U+9FFF, U+F900-U+FAFF, U+FF00-U+FFFF and U+20000 on.
bool HasJapanese(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        if ((c >= 0xE3 && c <= 0xE9) ||
            (c == 0xEF && ((next >= 0xA4 && next <= 0xAB) || next >= 0xBC)) ||
            (c == 0xF0 && next >= 0xA0)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsLine(pugi::xml_node node) {
    const pugi::xml_attribute role = Attr(node, kSodipodiNs, "role");
    return IsElement(node, "tspan") && role && std::string_view(role.value()) == "line";
}

bool Preserved(pugi::xml_node node) {
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (const pugi::xml_attribute space = n.attribute("xml:space")) {
            return std::string_view(space.value()) == "preserve";
        }
    }
    return false;
}

// The characters as SVG lays them out: line breaks and tabs are spaces with
// xml:space="preserve"; otherwise line breaks go, tabs are spaces, and spaces are collapsed
// and trimmed. A line break of the file is one LF here (the parser reads CR LF and a lone CR so,
// as XML does); a CR is one written as &#13;, a character of its own.
std::string Spaces(const std::string& text, bool preserve) {
    std::string out;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!preserve) {
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

std::string AllText(pugi::xml_node node) {
    std::string out;
    for (pugi::xml_node n = node.first_child(); n;) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
            out += n.value();
        }
        // Characters are those of the text, its spans and its path (a flowed text's: its
        // paragraph's and their spans); a <title> or a <desc> inside it holds none of them.
        if (n.type() == pugi::node_element && n.first_child() &&
            (IsElement(n, "tspan") || IsElement(n, "textPath") || IsElement(n, "a") ||
             IsElement(n, "flowSpan"))) {
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

// The characters of an SVG 2 flowed text: as Spaces lays them out, but where its white-space
// keeps line breaks (pre, as Inkscape writes it, pre-wrap, pre-line, break-spaces) each line
// break starts a line of its own.
std::string FlowedSpaces(const std::string& text, pugi::xml_node node) {
    const std::string ws = Property(node, "white-space");
    if (ws != "pre" && ws != "pre-wrap" && ws != "pre-line" && ws != "break-spaces") {
        return Spaces(text, Preserved(node));
    }
    const bool keep = ws != "pre-line" || Preserved(node);
    std::string out;
    for (std::size_t from = 0;;) {
        const std::size_t nl = text.find('\n', from);
        std::string line = text.substr(from, nl == std::string::npos ? nl : nl - from);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out += Spaces(line, keep);
        if (nl == std::string::npos) {
            return out;
        }
        out += '\r';
        from = nl + 1;
    }
}

// The paragraphs of a flowRoot, each a line: its flowPara elements, those of its flowDivs
// included, and a flowDiv that holds none.
std::vector<pugi::xml_node> Paragraphs(pugi::xml_node node) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child : node.children()) {
        if (IsElement(child, "flowPara")) {
            out.push_back(child);
        } else if (IsElement(child, "flowDiv")) {
            const std::size_t before = out.size();
            for (pugi::xml_node para : child.children()) {
                if (IsElement(para, "flowPara")) {
                    out.push_back(para);
                }
            }
            if (out.size() == before) {
                out.push_back(child);
            }
        }
    }
    return out;
}

// Where the first line of a text flowed into FRAME stands, in the text's coordinates, as
// Inkscape lays it out: at the left of the frame's bounds (its points taken by its own
// transform), inset by the text's shape-padding, and below their top by that padding, half
// the leading (line height less SIZE) and the line's ascent. The ascent is the font's and
// the host has no fonts: it takes 0.88 em where the first line (FIRST, its paragraph) holds
// a Japanese character, the ascent of the ideographic em box of Japanese fonts (IPA, Noto
// CJK), and 0.76 em otherwise, that of DejaVu Sans, Inkscape's sans-serif on Linux.
std::optional<Point> FrameAnchor(pugi::xml_node frame, pugi::xml_node text, pugi::xml_node line,
                                 double size, std::string_view first) {
    if (!frame) {
        return std::nullopt;
    }
    const Matrix m = ParseTransform(frame.attribute("transform").value());
    std::optional<Point> topLeft;
    for (const Subpath& subpath : ParsePathData(ShapeData(frame).value_or(""))) {
        for (const Segment& s : subpath.segments) {
            const Point p = m.Apply(s.p);
            topLeft = Point{topLeft ? std::min(topLeft->x, p.x) : p.x,
                            topLeft ? std::min(topLeft->y, p.y) : p.y};
        }
    }
    if (!topLeft) {
        return std::nullopt;
    }
    const std::vector<double> padding = Numbers(Property(text, "shape-padding"));
    const double pad = padding.empty() ? 0 : padding[0];
    const double ascent = (HasJapanese(first) ? 0.88 : 0.76) * size;
    return Point{topLeft->x + pad,
                 topLeft->y + pad + (LineHeight(text, line, size) - size) / 2 + ascent};
}

}  // namespace subhost::svg
