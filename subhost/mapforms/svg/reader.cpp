// Reading an SVG map into the host's document: layers, art, texts and symbols, each noted in the
// source with what it was read from.

#include "subhost/mapforms/svg/reader.h"

#include <cmath>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "subhost/document/artgeometry.h"
#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/pathdata.h"
#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {
namespace {

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
    std::unordered_set<std::string> names_;  // of the patterns so far
    std::size_t useArt_ = 0;
};

}  // namespace

void ReadSvg(Document& document, SvgSource& source) {
    SvgReader(document, source).Read();
}

}  // namespace subhost::svg
