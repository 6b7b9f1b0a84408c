// The SVG form's entry points: a map's bytes read into a document with its source kept beside it,
// and a document written back.

#include "subhost/mapforms/svgform.h"

#include <cctype>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/reader.h"
#include "subhost/mapforms/svg/writer.h"
#include "subhost/mapforms/svg/xml.h"
#include "subhost/text.h"

namespace subhost {

using svg::CheckCharacters;
using svg::ExpandEntities;
using svg::ForbiddenNameChar;
using svg::kMaxElementDepth;
using svg::LineColumn;
using svg::ReadSvg;
using svg::SvgFault;
using svg::SvgSource;
using svg::SvgWriter;

namespace {

// The byte order of BYTES where they look like UTF-16: a byte order mark, or a NUL beside the
// first character (markup begins with ASCII); empty otherwise.
std::string Utf16Order(const std::string& bytes) {
    if (bytes.size() < 2) {
        return "";
    }
    if ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] != 0 && bytes[1] == 0)) {
        return "little-endian";
    }
    if ((bytes[0] == '\xFE' && bytes[1] == '\xFF') || (bytes[0] == 0 && bytes[1] != 0)) {
        return "big-endian";
    }
    return "";
}

std::string Shown(std::string_view name) {
    return name.size() > 60 ? std::string(name.substr(0, 60)) + "..." : std::string(name);
}

std::string CodePoint(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// Where each attribute of the start tag at BEGIN of TEXT begins, in order.
std::vector<std::size_t> AttributeOffsets(const std::string& text, std::size_t begin) {
    std::vector<std::size_t> out;
    const std::size_t end = svg::SkipMarkup(text, begin);
    std::size_t i = begin + 1;
    auto blank = [&](std::size_t at) {
        return at < end && std::isspace(static_cast<unsigned char>(text[at]));
    };
    while (i < end && !blank(i) && text[i] != '>' && text[i] != '/') {
        ++i;  // the element's name
    }
    while (i < end) {
        while (blank(i)) {
            ++i;
        }
        if (i >= end || text[i] == '>' || text[i] == '/') {
            break;
        }
        out.push_back(i);
        while (i < end && text[i] != '=') {
            ++i;
        }
        while (i < end && text[i] != '"' && text[i] != '\'') {
            ++i;
        }
        if (i < end) {
            const std::size_t close = text.find(text[i], i + 1);
            i = close == std::string::npos ? end : close + 1;
        }
    }
    return out;
}

// Refuses the names of NODE that read as names no name may hold.
void CheckNames(const SvgSource& src, pugi::xml_node node) {
    auto refuse = [](std::size_t at, const char* kind, std::string_view name, char32_t c) {
        throw SvgFault{at, "the " + std::string(kind) + " name " + Shown(name) +
                               " reads as a name holding " + CodePoint(c) +
                               " (its _xHHHH_ escapes undone), which no name may hold"};
    };
    if (const auto c = ForbiddenNameChar(node.name())) {
        refuse(src.Begin(node) + 1, "element", node.name(), *c);
    }
    std::size_t index = 0;
    for (pugi::xml_attribute a : node.attributes()) {
        if (const auto c = ForbiddenNameChar(a.name())) {
            const std::vector<std::size_t> at = AttributeOffsets(src.text, src.Begin(node));
            refuse(index < at.size() ? at[index] : src.Begin(node), "attribute", a.name(), *c);
        }
        ++index;
    }
}

// Refuses elements nested deeper than kMaxElementDepth, and names no name may hold: every
// element, without recursion (what is refused here may be deep enough to overflow a stack).
void CheckTree(const SvgSource& src) {
    int around = 0;  // the elements around N
    for (pugi::xml_node n = src.xml.first_child(); n;) {
        if (n.type() == pugi::node_element) {
            if (around >= kMaxElementDepth) {
                throw SvgFault{src.Begin(n),
                               "elements are nested " + std::to_string(around + 1) +
                                   " deep; an SVG map holds elements nested at most " +
                                   std::to_string(kMaxElementDepth) +
                                   " deep (as librsvg reads them)"};
            }
            CheckNames(src, n);
            if (n.first_child()) {
                n = n.first_child();
                ++around;
                continue;
            }
        }
        while (n && !n.next_sibling()) {
            n = n.parent();
            if (n.type() == pugi::node_document) {
                return;
            }
            --around;
        }
        n = n.next_sibling();
    }
}

// The ids each url(#id) of VALUE names.
std::vector<std::string_view> UrlIds(std::string_view value) {
    std::vector<std::string_view> out;
    for (std::size_t at = value.find("url("); at != std::string_view::npos;
         at = value.find("url(", at + 4)) {
        std::size_t i = at + 4;
        while (i < value.size() && (value[i] == ' ' || value[i] == '"' || value[i] == '\'')) {
            ++i;
        }
        if (i < value.size() && value[i] == '#') {
            const std::size_t end = value.find_first_of(")\"' ", i);
            out.push_back(value.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
        }
    }
    return out;
}

// What drawing NODE draws next: its elements, and the elements it refers to (an href="#id",
// a url(#id) in any attribute): a <use> draws what it names where it stands, a fill its pattern,
// a clip path its shapes. Every reference counts, as though all were drawn so.
std::vector<pugi::xml_node> Drawn(pugi::xml_node node,
                                  const std::unordered_map<std::string_view, pugi::xml_node>& ids) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element) {
            out.push_back(child);
        }
    }
    auto refer = [&](std::string_view id) {
        if (const auto it = ids.find(id); it != ids.end()) {
            out.push_back(it->second);
        }
    };
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view value(a.value());
        if (svg::LocalName(a.name()) == "href" && value.starts_with('#')) {
            refer(value.substr(1));
        }
        for (const std::string_view id : UrlIds(value)) {
            refer(id);
        }
    }
    return out;
}

// Refuses references that draw elements nested deeper than kMaxElementDepth where they are
// drawn: a <use> of a <use> of a <use>, each standing in its own nested <svg>, or patterns that
// fill their shapes with further patterns, nest as deep as the chain is long, and a chain long
// enough overflows librsvg's stack. A reference to an element being drawn (a cycle, which
// viewers do not draw) counts nothing.
void CheckDrawnDepth(const SvgSource& src) {
    std::unordered_map<std::string_view, pugi::xml_node> ids;
    for (pugi::xml_node n = src.xml.document_element(); n;) {
        if (const char* id = n.attribute("id").value(); *id) {
            ids.emplace(id, n);  // the first of an id, as the reader takes it
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling()) {
            n = n.parent();
        }
        n = n ? n.next_sibling() : n;
    }
    struct Height {
        int levels = 0;  // 0 while it is being drawn
        pugi::xml_node via;
    };
    struct Frame {
        pugi::xml_node node;
        std::vector<pugi::xml_node> next;
        std::size_t at = 0;
    };
    std::unordered_map<pugi::xml_node_struct*, Height> heights;
    std::vector<Frame> stack;
    const pugi::xml_node root = src.xml.document_element();
    heights[root.internal_object()];
    stack.push_back({root, Drawn(root, ids)});
    while (!stack.empty()) {
        if (stack.back().at < stack.back().next.size()) {
            const pugi::xml_node next = stack.back().next[stack.back().at++];
            if (heights.emplace(next.internal_object(), Height{}).second) {
                stack.push_back({next, Drawn(next, ids)});
            }
            continue;
        }
        Height height{1, {}};
        for (const pugi::xml_node next : stack.back().next) {
            if (const int levels = heights[next.internal_object()].levels + 1;
                levels > height.levels) {
                height = {levels, next};
            }
        }
        heights[stack.back().node.internal_object()] = height;
        stack.pop_back();
    }
    const int levels = heights[root.internal_object()].levels;
    if (levels <= kMaxElementDepth) {
        return;
    }
    // The first reference on the way down the deepest drawing.
    pugi::xml_node n = root;
    while (heights[n.internal_object()].via && heights[n.internal_object()].via.parent() == n) {
        n = heights[n.internal_object()].via;
    }
    throw SvgFault{src.Begin(n), "what this <" + std::string(svg::LocalName(n.name())) +
                                     "> refers to is drawn nested " + std::to_string(levels) +
                                     " deep; an SVG map holds elements nested at most " +
                                     std::to_string(kMaxElementDepth) +
                                     " deep, counting what a <use> or a url(#id) draws where "
                                     "it draws it"};
}

}  // namespace

std::unique_ptr<Document> ParseSvgMap(const std::string& bytes, const std::string& name,
                                      std::shared_ptr<const MapSource>* source) {
    auto src = std::make_shared<SvgSource>();
    src->original = bytes;
    if (const std::string order = Utf16Order(bytes); !order.empty()) {
        throw MapError(name + ": the file is UTF-16 (" + order +
                       "), and an SVG map is read as UTF-8: save it as UTF-8 (Inkscape saves "
                       "SVG so; iconv -f UTF-16 -t UTF-8 converts it)");
    }
    auto document = std::make_unique<Document>();
    try {
        // XML has no NUL character (the parser would take one for the end of a value), nor other
        // control characters, and an SVG map is UTF-8: a text read otherwise could not be written
        // back.
        CheckCharacters(bytes);
        if (const std::size_t bad = NotUtf8At(bytes); bad != std::string::npos) {
            throw SvgFault{bad, "bytes that are not UTF-8 (an SVG map is read as UTF-8)"};
        }
        src->text = ExpandEntities(bytes);
        svg::CheckMarkupBudget(src->text);  // before the parser makes a node of it
        // Line ends are read as XML reads them: CR LF and a lone CR are LF.
        const pugi::xml_parse_result result = src->xml.load_buffer(
            src->text.data(), src->text.size(), pugi::parse_full, pugi::encoding_utf8);
        if (!result) {
            throw SvgFault{static_cast<std::size_t>(result.offset),
                           std::string("not well-formed XML: ") + result.description()};
        }
        CheckTree(*src);
        CheckDrawnDepth(*src);
        ReadSvg(*document, *src);
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
    return SvgWriter(document, src).Write();
}

}  // namespace subhost
