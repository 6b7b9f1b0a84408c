// Reading an SVG map into the host's document: layers, art, texts and symbols, each noted in the
// source with what it was read from.

#include "subhost/mapforms/svg/reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "subhost/document/artgeometry.h"
#include "subhost/document/paint.h"
#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/pathdata.h"
#include "subhost/mapforms/svg/texts.h"
#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {
namespace {

// The tag that names the symbol a group is a copy of.
constexpr const char* kObjectNameTag = "kznObjectName";

// Art that <use> elements may make, all together: a symbol used in a symbol used in a symbol...
constexpr std::size_t kUseArtBound = std::size_t{1} << 20;

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
        rootStyle_ = StyleAt(src_.root);
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
                    ReadArt(child, layer.group, Matrix{}, rootStyle_, 1);
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
        return n == "g" || n == "a" || n == "use" || n == "text" || n == "flowRoot" ||
               n == "path" || n == "rect" || n == "circle" || n == "ellipse" || n == "line" ||
               n == "polyline" || n == "polygon";
    }

    void IndexIds() {
        // Every element, without recursion: the tree may be deep.
        std::size_t elements = 0;
        for (pugi::xml_node n = src_.root; n;) {
            if (n.type() == pugi::node_element) {
                ++elements;
                if (const char* id = n.attribute("id").value(); *id) {
                    ids_.emplace(id, n);
                }
                if (IsElement(n, "symbol")) {
                    symbols_.push_back(n);
                }
                if (IsElement(n, "style")) {
                    sheet_.Add(n.text().get());
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
        // Most elements are art: their records are made without growing the tables.
        src_.keys.reserve(elements);
        src_.art.reserve(elements);
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

    // The name of a symbol whose title TITLE an earlier symbol has: "TITLE (ID)", its id added,
    // or, where that is taken too or it has no id, "TITLE (N)", N the first number from 2 that no
    // pattern has. (Inkscape's own sets have such pairs: a symbol and its inverted form.)
    std::string UniqueName(const std::string& title, pugi::xml_node symbol) {
        if (const char* id = symbol.attribute("id").value(); *id) {
            if (std::string name = title + " (" + ToSjis(id) + ")"; names_.insert(name).second) {
                return name;
            }
        }
        for (int n = 2;; ++n) {
            if (std::string name = title + " (" + std::to_string(n) + ")";
                names_.insert(name).second) {
                return name;
            }
        }
    }

    void ReadPatterns() {
        // Every name first: a <use> in a symbol may name a symbol further on.
        std::vector<Pattern*> patterns;
        for (pugi::xml_node symbol : symbols_) {
            Spellings spellings;
            std::string name =
                Title(symbol, "symbol " + std::to_string(doc_.patterns().size() + 1), spellings);
            if (!names_.insert(name).second) {
                name = UniqueName(name, symbol);
                spellings.clear();
            }
            Pattern& pattern = doc_.AddPattern(name);
            pattern.spellings = std::move(spellings);
            patterns.push_back(&pattern);
            patternOf_.emplace(symbol.internal_object(), &pattern);
        }
        for (std::size_t i = 0; i < symbols_.size(); ++i) {
            const pugi::xml_node symbol = symbols_[i];
            Pattern& pattern = *patterns[i];
            // A symbol is a group of its art, whatever it holds, as <symbol> is in SVG: every
            // copy of it is a group, which its tag names.
            Art& art = doc_.NewArt(kGroupArt, nullptr);
            pattern.art = &art;
            const Style style = StyleOf(symbol, StyleAt(symbol.parent()), nullptr, &sheet_);
            for (pugi::xml_node child : symbol.children()) {
                ReadArt(child, &art, Matrix{}, style, 2);
            }
            FrontFirst(art);
            // The host keeps a pattern's art in the pattern's own space, whose y grows downwards.
            TransformArt(art, kFlip, 1, kTransformObjects);
            // The group's element is the symbol itself (its uses name it).
            std::unordered_map<ArtHandle, pugi::xml_node> models{{art.ref, symbol}};
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
            for (Art* c : art.children) {
                collect(*c);
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
        const Style style = StyleOf(node, rootStyle_, &hidden, &sheet_);
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
        const Style style = StyleOf(node, inherited, &hidden, &sheet_);
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
        } else if (name == "text" || name == "flowRoot") {
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

    // The element NODE names by its href (#id); none for another file's, or for an id no element
    // of the file has (viewers draw nothing for it; Inkscape's own symbol sets hold such uses).
    pugi::xml_node Target(pugi::xml_node node) {
        pugi::xml_attribute href = Attr(node, kXlinkNs, "href");
        if (!href) {
            href = node.attribute("href");
        }
        const std::string_view ref(href.value());
        if (!ref.starts_with('#')) {
            return {};
        }
        const auto it = ids_.find(std::string(ref.substr(1)));
        return it == ids_.end() ? pugi::xml_node() : it->second;
    }

    // A <use> is a group holding the art of what it uses, placed where the use puts it.
    Art& ReadUse(pugi::xml_node node, Art* parent, const Matrix& ctm, const Style& style,
                 int depth) {
        Art& group = doc_.NewArt(kGroupArt, parent);
        const pugi::xml_node target = Target(node);
        if (!target) {
            return group;
        }
        const Matrix placed = Matrix::Translation(Length(node, "x"), Length(node, "y")).Then(ctm);
        if (IsElement(target, "symbol")) {
            // A placed symbol is a copy of its pattern, as text to object leaves one: a group
            // tagged with the pattern's name, unless the use has that tag of its own. The writer
            // leaves this one out of the file while it names the symbol.
            if (const auto it = patternOf_.find(target.internal_object());
                it != patternOf_.end() && !Attr(node, kTagsNs, kObjectNameTag)) {
                group.tags[kObjectNameTag] = it->second->name;
                if (const auto spelled = it->second->spellings.find("");
                    spelled != it->second->spellings.end()) {
                    group.spellings[kObjectNameTag] = spelled->second;
                }
            }
            const Style inside = StyleOf(target, style, nullptr, &sheet_);
            for (pugi::xml_node child : target.children()) {
                ReadArt(child, &group, placed, inside, depth + 1, true);
            }
            FrontFirst(group);
        } else {
            ReadArt(target, &group, placed, style, depth + 1, true);
        }
        return group;
    }

    // The style NODE's children inherit: the cascade from the root down to NODE.
    Style StyleAt(pugi::xml_node node) const {
        std::vector<pugi::xml_node> chain;
        for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
            chain.push_back(n);
        }
        Style style;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            style = StyleOf(*it, style, nullptr, &sheet_);
        }
        return style;
    }

    // The path's gray tints, and its paint as resolved for it (KeptPaint), where that says more
    // than the tints.
    void SetStyle(Art& path, const Style& style, const Matrix& full) {
        if (const std::optional<double> fill = GrayOf(style.fill, style.color)) {
            path.style.fill = Paint{*fill, 0};
        }
        if (const std::optional<double> stroke = GrayOf(style.stroke, style.color)) {
            const double scale = std::sqrt(std::fabs(full.a * full.d - full.b * full.c));
            path.style.stroke = Paint{*stroke, style.strokeWidth * scale};
        }
        const auto resolved = [&](const std::string& paint) {
            return paint == "currentColor" || paint == "currentcolor" ? style.color : paint;
        };
        std::map<std::string, std::string> properties = style.paint;
        properties["fill"] = resolved(style.fill);
        properties["stroke"] = resolved(style.stroke);
        if (path.style.stroke) {
            properties["stroke-width"] = Number(style.strokeWidth);
        }
        if (style.opacity != 1) {
            properties["opacity"] = Number(style.opacity);
        }
        if (SaysMore(properties, path.style)) {
            path.paint = {std::move(properties), path.style};
        }
    }

    // Whether PROPERTIES paint otherwise than the gray tints TINTS alone (a colour, an opacity,
    // a dash...): a map of black and gray art keeps no paint beside its tints.
    static bool SaysMore(const std::map<std::string, std::string>& properties,
                         const PathStyle& tints) {
        const auto gray = [](const std::string& value, const std::optional<Paint>& tint) {
            if (!tint) {
                return value == "none" || value == "transparent";
            }
            const std::optional<Rgba> c = CssColour(value);
            return c && c->a == 1 && c->r == c->g && c->g == c->b &&
                   std::fabs((1 - c->r) - tint->gray) < 1e-6;
        };
        for (const auto& [name, value] : properties) {
            if ((name == "fill" && gray(value, tints.fill)) ||
                (name == "stroke" && gray(value, tints.stroke)) || name == "stroke-width") {
                continue;
            }
            return true;
        }
        return false;
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

    // The shape a flowed text flows into: a flowRoot's first flowRegion shape; the first shape
    // an SVG 2 text's shape-inside names (url(#id)). None where there is no such shape.
    pugi::xml_node Frame(pugi::xml_node node) {
        if (IsElement(node, "flowRoot")) {
            for (pugi::xml_node shape : node.child("flowRegion").children()) {
                if (ShapeData(shape)) {
                    return shape;
                }
            }
            return {};
        }
        const std::string inside = Property(node, "shape-inside");
        const std::size_t open = inside.find("url(");
        const std::size_t close = inside.find(')', open);
        if (open == std::string::npos || close == std::string::npos) {
            return {};
        }
        std::string ref = inside.substr(open + 4, close - open - 4);
        std::erase_if(ref, [](char c) { return c == '"' || c == '\'' || c == ' '; });
        const auto it = ref.starts_with('#') ? ids_.find(ref.substr(1)) : ids_.end();
        return it != ids_.end() && ShapeData(it->second) ? it->second : pugi::xml_node();
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
        const bool flowRoot = IsElement(node, "flowRoot");
        const bool flowed =
            flowRoot || Property(node, "shape-inside").find("url(") != std::string::npos;
        pugi::xml_node firstLine;  // the element of the first line, where it has one
        if (flowRoot) {
            const std::vector<pugi::xml_node> paragraphs = Paragraphs(node);
            for (std::size_t i = 0; i < paragraphs.size(); ++i) {
                content +=
                    (i == 0 ? "" : "\r") + Spaces(AllText(paragraphs[i]), Preserved(paragraphs[i]));
            }
            firstLine = paragraphs.empty() ? pugi::xml_node() : paragraphs[0];
        } else if (!lines.empty()) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                content += (i == 0 ? "" : "\r") + Spaces(AllText(lines[i]), Preserved(node));
            }
            firstLine = lines[0];
            anchor = {Length(lines[0], "x", anchor.x), Length(lines[0], "y", anchor.y)};
        } else if (flowed) {
            content = FlowedSpaces(AllText(node), node);
            const pugi::xml_node child =
                node.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
            firstLine = IsElement(child, "tspan") ? child : pugi::xml_node();
        } else {
            content = Spaces(AllText(node), Preserved(node));
        }
        if (firstLine) {
            size = StyleOf(firstLine, style, nullptr, &sheet_).fontSize;
        }
        if (flowed) {
            // Where Inkscape wrote the first line (its first tspan's x and y: the layout in SVG
            // 1.1's terms), else where the frame puts it; the text's own x and y do not count.
            if (const std::optional<Point> framed =
                    FrameAnchor(Frame(node), node, firstLine, size,
                                std::string_view(content).substr(0, content.find('\r')))) {
                anchor = *framed;
            }
            if (IsElement(firstLine, "tspan")) {
                anchor = {Length(firstLine, "x", anchor.x), Length(firstLine, "y", anchor.y)};
            }
        }
        text.text = Spelled(content, text.spellings);
        text.size = size;
        const Matrix full = ctm.Then(kFlip);
        text.anchor = full.Apply(anchor);
        const Matrix l = ctm.Linear();
        text.matrix = {l.a, -l.b, -l.c, l.d};
        if (onPath) {
            if (const pugi::xml_node target = Target(onPath); target && ShapeData(target)) {
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
    StyleSheet sheet_;                       // the rules of the file's <style> elements
    Style rootStyle_;                        // what the root gives its layers and art
    std::unordered_set<std::string> names_;  // of the patterns so far
    std::unordered_map<pugi::xml_node_struct*, const Pattern*> patternOf_;  // by its <symbol>
    std::size_t useArt_ = 0;
};

}  // namespace

void ReadSvg(Document& document, SvgSource& source) {
    SvgReader(document, source).Read();
}

}  // namespace subhost::svg
