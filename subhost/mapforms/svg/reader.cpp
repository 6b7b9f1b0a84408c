// Reading an SVG map into the host's document: layers, art, texts and symbols, each noted in the
// source with what it was read from.

#include "subhost/mapforms/svg/reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
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

// What a refusal of the budget (MapBudget) adds to what the map would hold.
constexpr const char* kMore = ", more than a map may";

// The tag that names the symbol a group is a copy of.
constexpr const char* kObjectNameTag = "kznObjectName";

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
        Precount();
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
            Take(MapBudget::kObjects, 2, src_.root);  // the layer and its group
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

    // Whether attribute A of NODE is a tag (in the tags' namespace). The namespace declarations
    // of an element of many attributes are read once (NamespaceOf would search its attributes
    // again for each of its tags, and a file of many tags on one element would take hours).
    bool IsTag(pugi::xml_node node, pugi::xml_attribute a) {
        const std::string_view name(a.name());
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos || name.substr(0, colon) == "xmlns") {
            return false;
        }
        const std::string_view prefix = name.substr(0, colon);
        for (pugi::xml_node n = node; n; n = n.parent()) {
            std::size_t count = 0;
            for (auto it = n.attributes_begin(); it != n.attributes_end() && count < 16; ++it) {
                ++count;
            }
            if (count < 16) {
                const std::string declaration = "xmlns:" + std::string(prefix);
                if (const pugi::xml_attribute d = n.attribute(declaration.c_str())) {
                    return std::string_view(d.value()) == kTagsNs;
                }
                continue;
            }
            auto [known, fresh] = declarations_.try_emplace(n.internal_object());
            if (fresh) {
                for (pugi::xml_attribute d : n.attributes()) {
                    if (const std::string_view dn(d.name()); dn.starts_with("xmlns:")) {
                        known->second.emplace(dn.substr(6), d.value());
                    }
                }
            }
            if (const auto found = known->second.find(prefix); found != known->second.end()) {
                return found->second == kTagsNs;
            }
        }
        return false;
    }

    // What copying an element takes from the budget (as a <use> copies it): objects, points, the
    // nodes copying passes, tags and their characters (MapBudget). Worked out once for each
    // element, so that the uses of uses of uses... are counted in the time it takes to read each
    // once.
    struct Cost {
        std::size_t objects = 0;
        std::size_t points = 0;
        std::size_t nodes = 0;
        std::size_t values = 0;
        std::size_t characters = 0;

        void Add(const Cost& c) {
            const auto sum = [](std::size_t a, std::size_t b) {
                return a > std::numeric_limits<std::size_t>::max() - b
                           ? std::numeric_limits<std::size_t>::max()
                           : a + b;
            };
            objects = sum(objects, c.objects);
            points = sum(points, c.points);
            nodes = sum(nodes, c.nodes);
            values = sum(values, c.values);
            characters = sum(characters, c.characters);
        }
    };

    // What a copy of NODE, DEPTH deep, costs. At least: a text's path and characters, paint, the
    // tag naming a symbol's pattern, art nested too deep and the use of a cycle are left to the
    // reading, which takes or refuses them as it meets them.
    Cost CopyCost(pugi::xml_node node, int depth) {
        Cost cost{0, 0, 1, 0, 0};
        if (!IsArt(node) || depth > kMaxArtDepth) {
            return cost;
        }
        if (const auto known = costs_.find(node.internal_object()); known != costs_.end()) {
            return known->second;
        }
        cost.objects = 1;
        for (pugi::xml_attribute a : node.attributes()) {
            if (IsTag(node, a)) {
                cost.Add({0, 0, 0, 1, std::strlen(a.name()) + std::strlen(a.value())});
            }
        }
        const std::string_view name = LocalName(node.name());
        costing_.push_back(node);
        if (name == "g" || name == "a") {
            for (pugi::xml_node child : node.children()) {
                cost.Add(CopyCost(child, depth + 1));
            }
        } else if (name == "use") {
            if (const pugi::xml_node target = Target(node);
                target && std::find(costing_.begin(), costing_.end(), target) == costing_.end()) {
                if (IsElement(target, "symbol")) {
                    costing_.push_back(target);
                    for (pugi::xml_node child : target.children()) {
                        cost.Add(CopyCost(child, depth + 1));
                    }
                    costing_.pop_back();
                } else {
                    cost.Add(CopyCost(target, depth + 1));
                }
            }
        } else if (name != "text" && name != "flowRoot") {
            const PathSize size = MeasurePathData(ShapeData(node).value_or(""));
            cost.objects = size.subpaths > 1 ? 1 + size.subpaths : 1;
            cost.points = size.points;
        }
        costing_.pop_back();
        costs_.emplace(node.internal_object(), cost);
        return cost;
    }

    // Refuses the map, before anything of it is made, at the element where the objects it holds
    // or the copies its <use> elements make pass the budget (the points of what is not a copy,
    // and what else the budget counts, are taken as they are read): a <use> of uses of uses is
    // refused without its copies made.
    void Precount() {
        MapBudget trial;
        const auto take = [&](const Cost& c, pugi::xml_node at) {
            for (const auto& [kind, n] : {std::pair{MapBudget::kObjects, c.objects},
                                          {MapBudget::kPoints, c.points},
                                          {MapBudget::kCopies, c.nodes},
                                          {MapBudget::kValues, c.values},
                                          {MapBudget::kCharacters, c.characters}}) {
                if (!trial.Take(kind, n)) {
                    Fault(at, MapBudget::Exceeded(kind) + kMore);
                }
            }
        };
        // What reading NODE, DEPTH deep, makes (a copy's own nodes are not copied).
        const std::function<void(pugi::xml_node, int)> count = [&](pugi::xml_node node, int depth) {
            if (!IsArt(node) || depth > kMaxArtDepth) {
                return;
            }
            if (IsElement(node, "use")) {
                Cost c = CopyCost(node, depth);
                --c.nodes;
                take(c, node);
                return;
            }
            take({1, 0, 0, 0, 0}, node);
            for (pugi::xml_node child : node.children()) {
                count(child, depth + 1);
            }
        };
        for (pugi::xml_node symbol : symbols_) {
            take({3, 0, 0, 0, 0}, symbol);  // the pattern, its art and its swatch
            for (pugi::xml_node child : symbol.children()) {
                count(child, 2);
            }
        }
        bool rootLayer = false;  // taken
        for (pugi::xml_node child : src_.root.children()) {
            if (IsLayer(child) || (IsArt(child) && !rootLayer)) {
                take({2, 0, 0, 0, 0}, child);  // a layer and its group
                rootLayer = rootLayer || !IsLayer(child);
            }
            if (IsLayer(child)) {
                for (pugi::xml_node art : child.children()) {
                    count(art, 1);
                }
            } else {
                count(child, 1);
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
            // The pattern, its art and its swatch.
            Take(MapBudget::kObjects, 3, symbol);
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
            Art& art = doc_.NewArt(kGroupArt, nullptr);  // taken with its pattern
            pattern.art = &art;
            const Style style = StyleOf(symbol, StyleAt(symbol.parent()), nullptr, &sheet_);
            reading_.push_back(symbol);
            for (pugi::xml_node child : symbol.children()) {
                ReadArt(child, &art, Matrix{}, style, 2);
            }
            reading_.pop_back();
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
        Take(MapBudget::kObjects, 2, node);  // the layer and its group
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
        reading_.push_back(node);
        for (pugi::xml_node child : node.children()) {
            ReadArt(child, layer.group, ctm, style, 1);
        }
        reading_.pop_back();
        FrontFirst(*layer.group);
        Remember(layer, node);
    }

    [[noreturn]] void Fault(pugi::xml_node node, const std::string& what) {
        throw SvgFault{src_.Begin(node), what};
    }

    // Where a fault of what NODE makes is told: NODE itself, or, in a copy a <use> makes, the
    // outermost <use> (the element of the map the copy stands for).
    pugi::xml_node Where(pugi::xml_node node) const { return uses_.empty() ? node : uses_[0].use; }

    // Takes N of KIND from the map's budget for what NODE makes; the map is refused where it ran
    // out, before anything is made.
    void Take(MapBudget::Kind kind, std::size_t n, pugi::xml_node node) {
        if (!budget_.Take(kind, n)) {
            Fault(Where(node), MapBudget::Exceeded(kind) + kMore);
        }
    }

    Art& NewArt(ASInt32 type, Art* parent, pugi::xml_node node) {
        Take(MapBudget::kObjects, 1, node);
        return doc_.NewArt(type, parent);
    }

    // Takes a tag or a kept paint property of NAME and VALUE from the budget.
    void TakeValue(std::string_view name, std::string_view value, pugi::xml_node node) {
        Take(MapBudget::kValues, 1, node);
        Take(MapBudget::kCharacters, name.size() + value.size(), node);
    }

    // Refuses what NODE makes where V is a number no map may hold (WHAT says what it is).
    void CheckNumber(double v, pugi::xml_node node, const char* what) {
        if (!MapNumber(v)) {
            const pugi::xml_node where = Where(node);
            Fault(where, "this <" + std::string(LocalName(where.name())) + "> gives " + what +
                             " too large to hold: a map's numbers stay between -1e15 and 1e15 "
                             "(the plug-in computes in 32-bit floats)");
        }
    }
    void CheckPoint(Point p, pugi::xml_node node) {
        CheckNumber(p.x, node, "a coordinate");
        CheckNumber(p.y, node, "a coordinate");
    }

    // The path data of SHAPE (a path or a basic shape) as subpaths, within the points the
    // map's budget leaves; NODE makes them.
    std::vector<Subpath> Subpaths(pugi::xml_node shape, pugi::xml_node node) {
        const std::string d = ShapeData(shape).value_or("");
        // Data long enough to pass the budget is measured first, so that it is refused before
        // its points are made.
        if (d.size() / 2 > budget_.Left(MapBudget::kPoints) &&
            MeasurePathData(d).points > budget_.Left(MapBudget::kPoints)) {
            Fault(Where(node), MapBudget::Exceeded(MapBudget::kPoints) + kMore);
        }
        try {
            return ParsePathData(d, budget_.Left(MapBudget::kPoints));
        } catch (const TooManyPoints&) {
            Fault(Where(node), MapBudget::Exceeded(MapBudget::kPoints) + kMore);
        }
    }

    // Reads NODE as art into PARENT when it is art. PARENTCTM takes the parent's coordinates to
    // the root's. USED: inside a <use>, where elements have no record of their own.
    Art* ReadArt(pugi::xml_node node, Art* parent, const Matrix& parentCtm, const Style& inherited,
                 int depth, bool used = false) {
        if (used) {
            // Every node a copy passes counts, art or not: copying takes time for each.
            Take(MapBudget::kCopies, 1, node);
        }
        if (!IsArt(node)) {
            return nullptr;
        }
        if (depth > kMaxArtDepth) {
            Fault(node, "art is nested " + std::to_string(depth) +
                            " deep; a map holds art nested at most " +
                            std::to_string(kMaxArtDepth) + " deep");
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
            art = &NewArt(kGroupArt, parent, node);
            reading_.push_back(node);
            for (pugi::xml_node child : node.children()) {
                ReadArt(child, art, ctm, style, depth + 1, used);
            }
            reading_.pop_back();
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
            if (IsTag(node, a)) {
                TakeValue(a.name(), a.value(), node);
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

    // The element NODE (a <use>, a <textPath>) names by its href, as librsvg takes it: its href
    // where it has one, else its xlink:href, naming an element of the file by its id (#id). None
    // for another file's (never followed), for an id no element has (viewers draw nothing for it;
    // Inkscape's own symbol sets hold such uses), and where either attribute names nothing at all
    // ("", "#", a name without '#'), for which librsvg draws nothing, whatever the other says.
    pugi::xml_node Target(pugi::xml_node node) {
        const pugi::xml_attribute plain = node.attribute("href");
        const pugi::xml_attribute xlink = Attr(node, kXlinkNs, "href");
        for (const pugi::xml_attribute& a : {plain, xlink}) {
            const std::string_view ref(a.value());
            if (const std::size_t hash = ref.rfind('#');
                a && (hash == std::string_view::npos || hash + 1 == ref.size())) {
                return {};
            }
        }
        const std::string_view ref((plain ? plain : xlink).value());
        if (!ref.starts_with('#') || ref.rfind('#') != 0) {
            return {};
        }
        const auto it = ids_.find(std::string(ref.substr(1)));
        return it == ids_.end() ? pugi::xml_node() : it->second;
    }

    // Refuses a <use> (NODE) of TARGET where TARGET is being read: the <use> is in what it uses,
    // or is what it uses, itself or through other uses, and its copy would hold itself without
    // end.
    void CheckCycle(pugi::xml_node node, pugi::xml_node target) {
        const auto at = std::find(reading_.begin(), reading_.end(), target);
        if (at == reading_.end()) {
            return;
        }
        // The targets of the uses read inside TARGET, in order, name the cycle.
        const auto from = static_cast<std::size_t>(at - reading_.begin());
        std::string cycle = "#" + std::string(target.attribute("id").value());
        for (const UseRead& u : uses_) {
            if (u.at > from) {
                cycle += " uses #" + std::string(u.target.attribute("id").value()) + ", which";
            }
        }
        Fault(node, "this <use> makes a cycle: " + cycle + " uses #" +
                        target.attribute("id").value() +
                        " again, so its copy would hold itself without end");
    }

    // A <use> is a group holding the art of what it uses, placed where the use puts it.
    Art& ReadUse(pugi::xml_node node, Art* parent, const Matrix& ctm, const Style& style,
                 int depth) {
        Art& group = NewArt(kGroupArt, parent, node);
        const pugi::xml_node target = Target(node);
        if (!target) {
            return group;
        }
        reading_.push_back(node);
        CheckCycle(node, target);
        uses_.push_back({node, target, reading_.size() - 1});
        const Matrix placed = Matrix::Translation(Length(node, "x"), Length(node, "y")).Then(ctm);
        if (IsElement(target, "symbol")) {
            // A placed symbol is a copy of its pattern, as text to object leaves one: a group
            // tagged with the pattern's name, unless the use has that tag of its own. The writer
            // leaves this one out of the file while it names the symbol.
            if (const auto it = patternOf_.find(target.internal_object());
                it != patternOf_.end() && !Attr(node, kTagsNs, kObjectNameTag)) {
                TakeValue(kObjectNameTag, it->second->name, node);
                group.tags[kObjectNameTag] = it->second->name;
                if (const auto spelled = it->second->spellings.find("");
                    spelled != it->second->spellings.end()) {
                    group.spellings[kObjectNameTag] = spelled->second;
                }
            }
            const Style inside = StyleOf(target, style, nullptr, &sheet_);
            reading_.push_back(target);
            for (pugi::xml_node child : target.children()) {
                ReadArt(child, &group, placed, inside, depth + 1, true);
            }
            reading_.pop_back();
            FrontFirst(group);
        } else {
            ReadArt(target, &group, placed, style, depth + 1, true);
        }
        uses_.pop_back();
        reading_.pop_back();
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
    // than the tints. NODE: the element the path is read from.
    void SetStyle(Art& path, const Style& style, const Matrix& full, pugi::xml_node node) {
        if (const std::optional<double> fill = GrayOf(style.fill, style.color)) {
            path.style.fill = Paint{*fill, 0};
        }
        if (const std::optional<double> stroke = GrayOf(style.stroke, style.color)) {
            const double scale = std::sqrt(std::fabs(full.a * full.d - full.b * full.c));
            path.style.stroke = Paint{*stroke, style.strokeWidth * scale};
            CheckNumber(path.style.stroke->width, node, "a stroke width");
        }
        const auto resolved = [&](std::string_view paint) {
            return std::string(paint == "currentColor" || paint == "currentcolor" ? style.color
                                                                                  : paint);
        };
        std::map<std::string, std::string> properties(style.paint.begin(), style.paint.end());
        properties["fill"] = resolved(style.fill);
        properties["stroke"] = resolved(style.stroke);
        if (path.style.stroke) {
            properties["stroke-width"] = Number(style.strokeWidth);
        }
        if (style.opacity != 1) {
            properties["opacity"] = Number(style.opacity);
        }
        if (SaysMore(properties, path.style)) {
            for (const auto& [name, value] : properties) {
                TakeValue(name, value, node);
            }
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

    // PATH of SUBPATH's points, taken to the document by FULL where they stand (a long path is
    // not held twice); NODE makes it.
    void FillPath(Art& path, Subpath&& subpath, const Matrix& full, pugi::xml_node node) {
        Take(MapBudget::kPoints, subpath.segments.size(), node);
        path.closed = subpath.closed;
        path.segments = std::move(subpath.segments);
        for (Segment& s : path.segments) {
            s = {full.Apply(s.p), full.Apply(s.in), full.Apply(s.out), false};
            CheckPoint(s.p, node);
            CheckPoint(s.in, node);
            CheckPoint(s.out, node);
        }
    }

    // A path, or a compound path of its subpaths. FULL takes its points to the document's.
    Art& ReadShape(pugi::xml_node node, Art* parent, const Matrix& full, const Style& style) {
        Art& art = ReadShapeGeometry(node, parent, full, style);
        // Corner points as Inkscape marks them ("c" a corner, "s", "z" or "a" smooth), where
        // the marks fit the points; otherwise none is a corner.
        const std::string_view types(Attr(node, kSodipodiNs, "nodetypes").value());
        if (types.empty()) {
            return art;
        }
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
        std::vector<Subpath> subpaths = Subpaths(node, node);
        if (subpaths.size() <= 1) {
            Art& path = NewArt(kPathArt, parent, node);
            if (!subpaths.empty()) {
                FillPath(path, std::move(subpaths[0]), full, node);
            }
            SetStyle(path, style, full, node);
            return path;
        }
        Art& compound = NewArt(kCompoundPathArt, parent, node);
        for (Subpath& s : subpaths) {
            Art& path = NewArt(kPathArt, &compound, node);
            FillPath(path, std::move(s), full, node);
            SetStyle(path, style, full, node);
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
        Art& text = NewArt(kTextArt, parent, node);
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
        Take(MapBudget::kCharacters, content.size(), node);
        if (flowed) {
            // Where Inkscape wrote the first line (its first tspan's x and y: the layout in SVG
            // 1.1's terms), else where the frame puts it; the text's own x and y do not count.
            std::optional<Point> framed;
            try {
                framed = FrameAnchor(Frame(node), node, firstLine, size,
                                     std::string_view(content).substr(0, content.find('\r')));
            } catch (const TooManyPoints&) {
                Fault(Where(node), MapBudget::Exceeded(MapBudget::kPoints) + kMore);
            }
            if (framed) {
                anchor = *framed;
            }
            if (IsElement(firstLine, "tspan")) {
                anchor = {Length(firstLine, "x", anchor.x), Length(firstLine, "y", anchor.y)};
            }
        }
        text.text = Spelled(content, text.spellings);
        text.size = size;
        CheckNumber(size, node, "a font size");
        const Matrix full = ctm.Then(kFlip);
        text.anchor = full.Apply(anchor);
        CheckPoint(text.anchor, node);
        const Matrix l = ctm.Linear();
        text.matrix = {l.a, -l.b, -l.c, l.d};
        for (const double v : text.matrix) {
            CheckNumber(v, node, "an orientation");
        }
        if (onPath) {
            if (const pugi::xml_node target = Target(onPath); target && ShapeData(target)) {
                std::vector<Subpath> subpaths = Subpaths(target, node);
                Matrix targetCtm;
                for (pugi::xml_node n = target; n && n != src_.root.parent(); n = n.parent()) {
                    targetCtm = targetCtm.Then(ParseTransform(n.attribute("transform").value()));
                }
                Take(MapBudget::kObjects, 1, node);
                Art& path = doc_.NewTextPath(text);
                if (!subpaths.empty()) {
                    FillPath(path, std::move(subpaths[0]), targetCtm.Then(kFlip), node);
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
    MapBudget budget_;
    std::unordered_map<pugi::xml_node_struct*, Cost> costs_;  // of copies, by element
    std::vector<pugi::xml_node> costing_;                     // the elements being costed
    // The namespaces elements of many attributes declare, by prefix (IsTag).
    std::unordered_map<pugi::xml_node_struct*,
                       std::unordered_map<std::string_view, std::string_view>>
        declarations_;
    // The elements being read, outermost first: layers, groups, symbols and <use> elements with
    // what they use (a <use> of one of them is a cycle).
    std::vector<pugi::xml_node> reading_;
    struct UseRead {
        pugi::xml_node use;
        pugi::xml_node target;
        std::size_t at;  // of the use in reading_
    };
    std::vector<UseRead> uses_;  // the <use> elements being read, outermost first
};

}  // namespace

void CheckMarkupBudget(std::string_view text) {
    std::size_t elements = 0;
    std::size_t attributes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && ++elements > MapBudget::kBounds[MapBudget::kElements]) {
            throw SvgFault{i, MapBudget::Exceeded(MapBudget::kElements) + kMore};
        }
        if (text[i] == '=' && ++attributes > MapBudget::kBounds[MapBudget::kAttributes]) {
            throw SvgFault{i, MapBudget::Exceeded(MapBudget::kAttributes) + kMore};
        }
    }
}

void ReadSvg(Document& document, SvgSource& source) {
    SvgReader(document, source).Read();
}

}  // namespace subhost::svg
