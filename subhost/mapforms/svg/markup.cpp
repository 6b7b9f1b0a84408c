// New markup, as Inkscape writes it: art a command made or changed past what its element can
// say, copies of a symbol's art (painted as the symbol's elements are), and a file of its own for
// a map that was not read from SVG.

#include <cmath>
#include <functional>
#include <optional>
#include <set>

#include "subhost/document/artgeometry.h"
#include "subhost/document/paint.h"
#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/writer.h"
#include "subhost/sjis.h"

namespace subhost::svg {
namespace {

// Attribute names that give an element's geometry, left out when it is written as a new path.
bool GeometryAttribute(std::string_view name) {
    static const std::set<std::string_view> kNames = {
        "d",  "x", "y",  "width", "height", "rx", "ry",     "cx",
        "cy", "r", "x1", "y1",    "x2",     "y2", "points", "transform"};
    // A flowed text's frame places its lines: written anew, it is a point text.
    static const std::set<std::string_view> kFrame = {"shape-inside", "shape-padding",
                                                      "shape-subtract", "shape-margin"};
    return kNames.count(name) != 0 || kFrame.count(name) != 0 || name.starts_with("sodipodi:") ||
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

}  // namespace

std::string SvgWriter::Kept(pugi::xml_node model, bool all, bool hidden) {
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
                if (n != "display" && !(all && GeometryAttribute(n))) {
                    style += (style.empty() ? "" : ";") + n + ":" + v;
                }
            }
            value =
                style + (hidden ? (style.empty() ? "" : ";") + std::string("display:none") : "");
        }
        out += " " + std::string(name) + "=\"" + Escape(value, true) + "\"";
    }
    if (hidden && !styled) {
        out += " style=\"display:none\"";
    }
    return out;
}

std::string SvgWriter::OwnAttributes(const Art& art) {
    std::string out;
    if (art.locked) {
        usesSodipodi_ = true;
        out += " sodipodi:insensitive=\"true\"";
    }
    for (const auto& [name, value] : art.tags) {
        usesTags_ = true;
        out += " " + TagsPrefix() + ":" + TagXmlName(WritableText(name)) + "=\"" +
               Escape(WritableText(value), true) + "\"";
    }
    return out;
}

std::string SvgWriter::PathData(const Art& path, const Matrix& local) {
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

std::string SvgWriter::StyleOfKeptPaint(const Art& path, const KeptPaint& paint,
                                        const Matrix& local) {
    // Lengths follow the stroke width, which the host scales with the path.
    double ratio = 1;
    if (const auto it = paint.properties.find("stroke-width");
        it != paint.properties.end() && path.style.stroke) {
        const std::vector<double> kept = Numbers(it->second);
        const double written =
            path.style.stroke->width * std::sqrt(std::fabs(local.a * local.d - local.b * local.c));
        ratio = kept.empty() || kept[0] == 0 ? 1 : written / kept[0];
    }
    std::string style;
    for (const char* name : kPaintProperties) {
        const auto it = paint.properties.find(name);
        if (it == paint.properties.end()) {
            continue;
        }
        std::string value = it->second;
        const std::string_view n(name);
        if (n == "stroke-width" || n == "stroke-dashoffset" ||
            (n == "stroke-dasharray" && value != "none")) {
            std::string scaled;
            for (const double v : Numbers(value)) {
                scaled += (scaled.empty() ? "" : ",") + Number(v * ratio);
            }
            value = scaled.empty() ? value : scaled;
        }
        style += (style.empty() ? "" : ";") + std::string(name) + ":" + value;
    }
    return style;
}

std::string SvgWriter::StyleOfPath(const Art& path, const Matrix& local) {
    std::string style = "fill:" + (path.style.fill ? GrayColour(path.style.fill->gray) : "none");
    if (path.style.stroke) {
        const double scale = std::sqrt(std::fabs(local.a * local.d - local.b * local.c));
        style += ";stroke:" + GrayColour(path.style.stroke->gray) +
                 ";stroke-width:" + Number(path.style.stroke->width * scale);
    } else {
        style += ";stroke:none";
    }
    return style;
}

std::string SvgWriter::Shape(const Art& art, int budget) {
    std::string out = std::to_string(art.type) + "(";
    for (const Art* c : art.children) {
        if (--budget < 0) {
            break;
        }
        out += Shape(*c, budget);
    }
    return out + ")";
}

void SvgWriter::ModelsFor(const Art& copy) {
    if (src_ == nullptr || !tried_.insert(copy.ref).second) {
        return;
    }
    // The pattern the copy's tag names comes first: symbols of one shape (the single paths of
    // Inkscape's symbol sets) are told apart by it. Then the first pattern of its shape whose
    // paint it has throughout; failing that, the first of its shape, where its paint fits.
    std::vector<std::size_t> order;
    if (const auto tag = copy.tags.find("kznObjectName"); tag != copy.tags.end()) {
        for (const Pattern* p : doc_.patterns()) {
            for (std::size_t i = 0;
                 p->name == tag->second && p->art != nullptr && i < src_->patterns.size(); ++i) {
                if (src_->patterns[i].first == p->art->ref) {
                    order.push_back(i);
                }
            }
        }
    }
    for (std::size_t i = 0; i < src_->patterns.size(); ++i) {
        order.push_back(i);
    }
    std::optional<std::unordered_map<ArtHandle, pugi::xml_node>> first;
    for (const std::size_t i : order) {
        const auto& [ref, elements] = src_->patterns[i];
        if (!doc_.Alive(ref)) {
            continue;  // a pattern's art a command replaced
        }
        const Art& pattern = doc_.Get(ref);
        if (pattern.type != copy.type || pattern.children.size() != copy.children.size() ||
            Shape(pattern, 10000) != Shape(copy, 10000)) {
            continue;
        }
        std::unordered_map<ArtHandle, pugi::xml_node> found;
        bool fits = true;
        std::function<void(const Art&, const Art&)> pair = [&](const Art& p, const Art& c) {
            if (const auto it = elements.find(p.ref); it != elements.end()) {
                const Art& model = doc_.Get(p.ref);
                if (model.style.fill.has_value() == c.style.fill.has_value() &&
                    model.style.stroke.has_value() == c.style.stroke.has_value() &&
                    (!model.style.fill || model.style.fill->gray == c.style.fill->gray) &&
                    (!model.style.stroke || model.style.stroke->gray == c.style.stroke->gray)) {
                    found[c.ref] = it->second;
                } else {
                    fits = false;
                }
            }
            auto ci = c.children.begin();
            for (const Art* pc : p.children) {
                pair(*pc, **ci++);
            }
        };
        pair(pattern, copy);
        if (fits) {
            models_.insert(found.begin(), found.end());
            return;
        }
        if (!first) {
            first = std::move(found);
        }
    }
    if (first) {
        models_.insert(first->begin(), first->end());
    }
}

void SvgWriter::WriteNewChildren(const Art& group, const Matrix& local, const std::string& indent,
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
    Out() += indent + Close("g");
}

void SvgWriter::WriteNew(const Art& art, const Matrix& local, const std::string& indent,
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
    switch (art.type) {
        case kGroupArt:
            Out() += Open("g") + std::string(art.hidden ? " style=\"display:none\"" : "") +
                     OwnAttributes(art);
            WriteNewChildren(art, local, indent, nullptr);
            return;
        case kPathArt:
        case kCompoundPathArt:
            WriteNewPath(art, local, model, keep != nullptr);
            return;
        case kTextArt:
            WriteNewText(art, local, model, keep != nullptr);
            return;
        default:
            return;
    }
}

void SvgWriter::WriteNewPath(const Art& art, const Matrix& local, pugi::xml_node model, bool kept) {
    std::string& out = Out();
    const Art& first = art.type == kPathArt || art.children.empty() ? art : *art.children.front();
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
    out += Open("path");
    // A path written anew in its own element keeps the element's attributes; any other is
    // painted as its kept paint says, which holds what it inherited where it was read, or by its
    // tints.
    const KeptPaint* paint = kept ? nullptr : PaintInForce(first);
    if (kept) {
        out += Kept(model, true, art.hidden);
    } else if (paint != nullptr) {
        out += " style=\"" + Escape(StyleOfKeptPaint(first, *paint, local), true) +
               (art.hidden ? ";display:none" : "") + "\"";
    } else {
        out += " style=\"" + StyleOfPath(first, local) + (art.hidden ? ";display:none" : "") + "\"";
    }
    out += " d=\"" + d + "\"" + OwnAttributes(art) + " />";
}

void SvgWriter::WriteNewText(const Art& art, const Matrix& local, pugi::xml_node model, bool kept) {
    std::string& out = Out();
    // The text's coordinates: its orientation turned to SVG's (y down), at its anchor.
    const Matrix m{art.matrix[0], art.matrix[1], art.matrix[2], art.matrix[3], 0, 0};
    Matrix t = kFlip.Then(m).Then(local.Linear());
    const Point at = local.Apply(art.anchor);
    t.tx = at.x;
    t.ty = at.y;
    out += Open("text") + " xml:space=\"preserve\"";
    if (model) {
        out += Kept(model, kept, art.hidden);
    } else {
        out += " style=\"font-size:" + Number(art.size) + "px" +
               (art.hidden ? ";display:none" : "") + "\"";
    }
    out += " transform=\"matrix(" + Number(t.a) + "," + Number(t.b) + "," + Number(t.c) + "," +
           Number(t.d) + "," + Number(t.tx) + "," + Number(t.ty) + ")\" x=\"0\" y=\"0\"" +
           OwnAttributes(art) + ">";
    const std::string utf8 = WritableText(art.text);
    std::size_t from = 0;
    int line = 0;
    usesSodipodi_ = true;
    while (true) {
        const std::size_t cr = utf8.find('\r', from);
        out += Open("tspan") + " sodipodi:role=\"line\" x=\"0\" y=\"" +
               Number(line * 1.25 * art.size) + "\">" +
               Escape(utf8.substr(from, cr == std::string::npos ? cr : cr - from), false) +
               Close("tspan");
        if (cr == std::string::npos) {
            break;
        }
        from = cr + 1;
        ++line;
    }
    out += Close("text");
}

std::string SvgWriter::PageAttributes() const {
    geometry::Bounds bounds;
    for (const Layer* layer : doc_.layers()) {
        bounds.Add(ArtBounds(*layer->group));
    }
    // The document's y grows upwards, SVG's downwards.
    const geometry::Rect r = bounds.rect();
    const double width = r.width() + 2 * kPageMargin;
    const double height = r.height() + 2 * kPageMargin;
    return "\n   width=\"" + Number(width) + "\" height=\"" + Number(height) + "\" viewBox=\"" +
           Number(r.left - kPageMargin) + " " + Number(-r.top - kPageMargin) + " " + Number(width) +
           " " + Number(height) + "\"";
}

std::string SvgWriter::Fresh() {
    usesInkscape_ = usesSodipodi_ = usesTags_ = true;
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\"\n"
        "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"\n"
        "   xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\"\n"
        "   xmlns:kzn=\"urn:x-kzn:tags\" version=\"1.1\"" +
        PageAttributes() + ">";
    out_ = &out;
    const std::string indent = "\n  ";
    if (!doc_.patterns().empty()) {
        out += indent + "<defs>";
        std::size_t n = 0;
        for (const Pattern* p : doc_.patterns()) {
            out += indent + "  <symbol id=\"kzn-pattern-" + std::to_string(++n) + "\"><title>" +
                   Escape(WritableText(p->name), false) + "</title>";
            // Pattern art is kept in SVG's own orientation (y down). A symbol is the group of
            // its art: a plain group's children go straight into it, so that the map reads back
            // with the same pattern art.
            const bool plain = p->art != nullptr && p->art->type == kGroupArt &&
                               p->art->tags.empty() && !p->art->hidden && !p->art->locked;
            if (plain) {
                for (auto it = p->art->children.rbegin(); it != p->art->children.rend(); ++it) {
                    out += indent + "    ";
                    WriteNew(**it, Matrix{}, indent + "    ", nullptr);
                }
            } else if (p->art != nullptr) {
                out += indent + "    ";
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
               "\" inkscape:label=\"" + Escape(WritableText(layer.title), true) + "\"" +
               (layer.editable ? "" : " sodipodi:insensitive=\"true\"") +
               (layer.group->hidden ? " style=\"display:none\"" : "");
        WriteNewChildren(*layer.group, kFlip, indent, nullptr);
    }
    out += "\n</svg>\n";
    return out;
}

}  // namespace subhost::svg
