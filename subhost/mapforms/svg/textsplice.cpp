// The splice of a text whose characters a command changed: the element keeps its bytes but for
// its characters, which are written in the form the text had (lines as Inkscape's tspans, the
// paragraphs of a flowRoot, the lines of a text flowed into a shape).

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/writer.h"
#include "subhost/sjis.h"

namespace subhost::svg {

namespace {

// ---- flowed texts: a flowRoot, a text whose shape-inside names its frame

bool Flowed(pugi::xml_node node) {
    return Property(node, "shape-inside").find("url(") != std::string::npos;
}

// The start tag of the element of a further line after LINE, in LINE's form: its attributes but
// its id and what places single characters (dx, dy, rotate), its y moved down by DOWN where it
// has one.
std::string FurtherLine(pugi::xml_node line, double down) {
    std::string tag = "<" + std::string(line.name());
    for (pugi::xml_attribute a : line.attributes()) {
        const std::string_view name(a.name());
        if (name == "id" || name == "dx" || name == "dy" || name == "rotate") {
            continue;
        }
        const std::vector<double> y = Numbers(a.value());
        const std::string value = name == "y" && !y.empty() ? Number(y[0] + down) : a.value();
        tag += " " + std::string(name) + "=\"" + Escape(value, true) + "\"";
    }
    return tag + ">";
}

// Whether NODE holds characters of a flowRoot: a paragraph, a span, a forced line break.
bool FlowCharacters(pugi::xml_node node) {
    return IsElement(node, "flowPara") || IsElement(node, "flowDiv") ||
           IsElement(node, "flowSpan") || IsElement(node, "flowLine");
}

// The first paragraph of a flowRoot, as the reader finds its paragraphs: its first flowPara, or
// flowDiv's first flowPara, or a flowDiv that holds none.
pugi::xml_node FirstParagraph(pugi::xml_node node) {
    for (pugi::xml_node child : node.children()) {
        if (IsElement(child, "flowPara")) {
            return child;
        }
        if (IsElement(child, "flowDiv")) {
            for (pugi::xml_node para : child.children()) {
                if (IsElement(para, "flowPara")) {
                    return para;
                }
            }
            return child;
        }
    }
    return {};
}

// The content of the flowRoot NODE with its characters replaced by LINES, its closing tag
// included: its flowRegion and what else holds no characters keep their bytes; the first
// paragraph keeps its element, holding the first line, and each further line is a paragraph of
// its form after it; the other paragraphs go.
std::string FlowRootContent(const SvgSource& src, pugi::xml_node node,
                            const std::vector<std::string>& lines) {
    const std::string& text = src.text;
    const std::size_t contentBegin = SkipMarkup(text, src.Begin(node));
    const std::size_t end = src.End(node);
    const bool selfClosing = text[contentBegin - 2] == '/';
    std::string out;
    const pugi::xml_node first = FirstParagraph(node);
    if (!first) {
        // No paragraph: each line one, before the closing tag, in the flowRoot's namespace.
        const std::string_view name(node.name());
        const std::string prefix(name.substr(0, name.find(':') + 1));
        const std::size_t closeAt = selfClosing ? contentBegin : text.rfind('<', end - 1);
        out.append(text, contentBegin, closeAt - contentBegin);
        for (const std::string& line : lines) {
            out += "<" + prefix + "flowPara>" + Escape(line, false) + "</" + prefix + "flowPara>";
        }
        return out + "</" + std::string(name) + ">";
    }
    const std::size_t fb = src.Begin(first);
    out.append(text, contentBegin, fb - contentBegin);
    std::string tag = text.substr(fb, SkipMarkup(text, fb) - fb);
    if (tag.ends_with("/>")) {
        tag = tag.substr(0, tag.size() - 2) + ">";
    }
    const std::string close = "</" + std::string(first.name()) + ">";
    out += tag + Escape(lines[0], false) + close;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        out += FurtherLine(first, 0) + Escape(lines[i], false) + close;
    }
    // What follows the first paragraph, in its flowDiv and then in the flowRoot: the elements
    // that hold no characters, with the blanks before them, and the closing tags.
    for (pugi::xml_node n = first; n != node; n = n.parent()) {
        std::size_t pos = src.End(n);
        for (pugi::xml_node sibling = n.next_sibling(); sibling; sibling = sibling.next_sibling()) {
            if (sibling.type() != pugi::node_element) {
                continue;
            }
            const std::size_t b = src.Begin(sibling);
            if (!FlowCharacters(sibling)) {
                if (IsBlank(std::string_view(text).substr(pos, b - pos))) {
                    out.append(text, pos, b - pos);
                }
                out.append(text, b, src.End(sibling) - b);
            }
            pos = src.End(sibling);
        }
        const std::size_t parentEnd = src.End(n.parent());
        const std::size_t closeAt = text.rfind('<', parentEnd - 1);
        if (IsBlank(std::string_view(text).substr(pos, closeAt - pos))) {
            out.append(text, pos, closeAt - pos);
        }
        out.append(text, closeAt, parentEnd - closeAt);
    }
    return out;
}

}  // namespace

void SvgWriter::NotLines(pugi::xml_node node, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        if (IsElement(child, "tspan") || IsElement(child, "textPath") || IsElement(child, "a")) {
            NotLines(child, out);
        } else {
            out.push_back(child);
        }
    }
}

void SvgWriter::CloseText(pugi::xml_node node, const std::string& close) {
    std::vector<pugi::xml_node> kept;
    NotLines(node, kept);
    for (pugi::xml_node element : kept) {
        const std::size_t b = src_->Begin(element);
        Out().append(src_->text, b, src_->End(element) - b);
    }
    Out() += close;
}

void SvgWriter::WriteTextContent(const Art& art, pugi::xml_node node, bool same) {
    const std::string& text = src_->text;
    const std::size_t begin = src_->Begin(node);
    const std::size_t end = src_->End(node);
    const std::size_t contentBegin = SkipMarkup(text, begin);
    if (same) {
        Out().append(text, contentBegin, end - contentBegin);
        return;
    }
    const std::string utf8 = WritableText(art.text);
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
    if (IsElement(node, "flowRoot")) {
        Out() += FlowRootContent(*src_, node, lines);
        return;
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
    // Further lines are new tspans, named as SVG is named inside the text.
    const std::string outerPrefix = svgPrefix_;
    const bool outerDeclare = svgDeclare_;
    SvgNamesAt(node);
    const std::string lineOpen = Open("tspan") + " sodipodi:role=\"line\">";
    const std::string lineClose = Close("tspan");
    svgPrefix_ = outerPrefix;
    svgDeclare_ = outerDeclare;
    const pugi::xml_attribute role = Attr(first, kSodipodiNs, "role");
    if (Flowed(node) && !(line && std::string_view(role.value()) == "line")) {
        // An SVG 2 flowed text keeps its form: its lines are its characters with a line break
        // ending each but the last (Inkscape's white-space:pre), in its first tspan and further
        // ones of that tspan's form a line lower each, as Inkscape writes its layout, or, where
        // it holds its characters itself, there.
        if (line && IsBlank(std::string_view(text).substr(contentBegin,
                                                          src_->Begin(first) - contentBegin))) {
            Out().append(text, contentBegin, src_->Begin(first) - contentBegin);
        }
        const double step = LineHeight(node, first, art.size);
        const std::string lineClose = line ? "</" + std::string(first.name()) + ">" : "";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string lineOpen;
            if (line && i == 0) {
                const std::size_t fb = src_->Begin(first);
                lineOpen = text.substr(fb, SkipMarkup(text, fb) - fb);
                lineOpen = lineOpen.ends_with("/>") ? lineOpen.substr(0, lineOpen.size() - 2) + ">"
                                                    : lineOpen;
            } else if (line) {
                lineOpen = FurtherLine(first, static_cast<double>(i) * step);
            }
            Out() += lineOpen + Escape(lines[i], false) + (i + 1 < lines.size() ? lineEnd_ : "") +
                     lineClose;
        }
        CloseText(node, close);
        return;
    }
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
                Out() += lineOpen + Escape(lines[i], false) + lineClose;
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
        Out() += lineOpen + Escape(lines[i], false) + lineClose;
    }
    CloseText(node, close);
}

}  // namespace subhost::svg
