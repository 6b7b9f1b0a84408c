// The splice of kept bytes: a map read from SVG written back with the bytes of every element no
// command changed, and what changed written in place.
//
// pugixml says where each element starts (offset_debug, in the text it parsed: the file with its
// entities expanded); ElementEnd (xml.h) scans the bytes for where it ends. Writing a container,
// Content walks its element children in file order: a child no art or layer was read from (a
// <defs>, a <title>, a comment) is copied as it stands; a child whose art is still here is
// written by WriteItem, which copies its bytes whole when its prints say it is unchanged, or its
// start tag anew and the rest as it was, or, where the change goes past what the element can say,
// the art anew; art that is gone takes its line with it. Art that stands in a new place or is new
// is written after the art it now follows, so that what kept its order keeps its bytes.

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/writer.h"
#include "subhost/sjis.h"

namespace subhost::svg {

std::string SvgWriter::Write() {
    if (src_ == nullptr) {
        return Fresh();
    }
    if (DocumentUnchanged()) {
        return src_->original;
    }
    const std::string& text = src_->text;
    lineEnd_ = LineEndOf(text);
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

bool SvgWriter::ArtUnchanged(const Art& art) {
    if (const auto memo = unchanged_.find(art.ref); memo != unchanged_.end()) {
        return memo->second;
    }
    bool same = false;
    if (const auto it = src_->art.find(art.ref); it != src_->art.end()) {
        const Record& r = it->second;
        same = r.own == OwnPrint(art) && r.geometry == GeometryPrint(art) && r.content == art.text;
        if (same && r.kind == Record::kUse) {
            same = r.children == DeepPrint(art) && !ShowsRemovedArt(r.node);
        } else if (same && art.type == kGroupArt) {
            same = r.children == ChildrenPrint(art) &&
                   std::all_of(art.children.begin(), art.children.end(),
                               [&](const Art* c) { return ArtUnchanged(*c); });
        }
    }
    unchanged_[art.ref] = same;
    return same;
}

bool SvgWriter::LayerUnchanged(const Layer& layer) {
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

bool SvgWriter::DocumentUnchanged() {
    std::vector<LayerHandle> now;
    for (const Layer* layer : doc_.layers()) {
        now.push_back(layer->ref);
    }
    return now == src_->layerOrder &&
           std::all_of(doc_.layers().begin(), doc_.layers().end(),
                       [&](const Layer* l) { return LayerUnchanged(*l); });
}

std::size_t SvgWriter::CloseBegin(pugi::xml_node, std::size_t end) const {
    return src_->text.rfind('<', end - 1);
}

std::string SvgWriter::Indent(std::size_t begin) const {
    // Looked for a short way back only: a file on one line has no indentation to copy.
    const std::size_t from = begin > 256 ? begin - 256 : 0;
    const std::size_t back = std::string_view(src_->text).substr(from, begin - from).rfind('\n');
    if (back == std::string_view::npos) {
        return lineEnd_;
    }
    std::size_t nl = from + back;
    nl -= nl > 0 && src_->text[nl - 1] == '\r' ? 1 : 0;  // a CR LF
    const std::string_view between(src_->text.data() + nl, begin - nl);
    return IsBlank(between) ? std::string(between) : lineEnd_;
}

std::string SvgWriter::LineEndOf(const std::string& text) {
    const std::size_t nl = text.find('\n');
    return nl != std::string::npos && nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::string SvgWriter::TagsPrefix() const {
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

namespace {
constexpr const char* kSvgNs = "http://www.w3.org/2000/svg";
}  // namespace

void SvgWriter::SvgNamesAt(pugi::xml_node node) {
    svgPrefix_.clear();
    svgDeclare_ = false;
    if (NamespaceOf(node, "") == kSvgNs) {
        return;
    }
    for (pugi::xml_node n = node; n; n = n.parent()) {
        for (pugi::xml_attribute a : n.attributes()) {
            const std::string_view name(a.name());
            if (name.starts_with("xmlns:") && std::string_view(a.value()) == kSvgNs &&
                NamespaceOf(node, name.substr(6)) == kSvgNs) {
                svgPrefix_ = std::string(name.substr(6)) + ":";
                return;
            }
        }
    }
    // A file whose elements are in no namespace gets new markup as its own elements are.
    const std::string_view root(src_->root.name());
    const std::size_t colon = root.find(':');
    svgDeclare_ = !NamespaceOf(src_->root, colon == std::string_view::npos ? std::string_view()
                                                                           : root.substr(0, colon))
                       .empty();
}

std::string SvgWriter::Open(const char* local) const {
    return "<" + svgPrefix_ + local +
           (svgDeclare_ ? " xmlns=\"" + std::string(kSvgNs) + "\"" : std::string());
}

std::string SvgWriter::Close(const char* local) const {
    return "</" + svgPrefix_ + local + ">";
}

pugi::xml_node SvgWriter::UseTarget(pugi::xml_node use) {
    pugi::xml_attribute href = Attr(use, kXlinkNs, "href");
    if (!href) {
        href = use.attribute("href");
    }
    const std::string_view target(href.value());
    if (!target.starts_with('#')) {
        return {};
    }
    if (ids_.empty()) {
        // Every element, without recursion, as the reader found them: the first of an id.
        for (pugi::xml_node n = src_->root; n;) {
            if (const char* id = n.attribute("id").value(); *id) {
                ids_.emplace(id, n);
            }
            if (n.first_child()) {
                n = n.first_child();
                continue;
            }
            while (n && !n.next_sibling() && n != src_->root) {
                n = n.parent();
            }
            if (!n || n == src_->root) {
                break;
            }
            n = n.next_sibling();
        }
    }
    const auto found = ids_.find(std::string(target.substr(1)));
    return found == ids_.end() ? pugi::xml_node() : found->second;
}

bool SvgWriter::ShowsRemovedArt(pugi::xml_node use) {
    if (!removed_) {
        removed_.emplace();
        for (const auto& [ref, record] : src_->art) {
            if (!doc_.Alive(ref)) {
                removed_->insert(record.node.internal_object());
            }
        }
    }
    const pugi::xml_node target = UseTarget(use);
    return target && removed_->contains(target.internal_object());
}

std::optional<std::string> SvgWriter::PlacedSymbolName(pugi::xml_node use) {
    const pugi::xml_node symbol = UseTarget(use);
    if (!IsElement(symbol, "symbol")) {
        return std::nullopt;
    }
    for (const auto& [art, elements] : src_->patterns) {
        if (const auto it = elements.find(art); it != elements.end() && it->second == symbol) {
            for (const Pattern* pattern : doc_.patterns()) {
                if (pattern->art != nullptr && pattern->art->ref == art) {
                    return pattern->name;
                }
            }
        }
    }
    return std::nullopt;
}

std::vector<SvgWriter::Item> SvgWriter::ArtItems(const Art& group) {
    std::vector<Item> out;
    for (auto it = group.children.rbegin(); it != group.children.rend(); ++it) {
        out.push_back({*it, nullptr});
    }
    return out;
}

SvgWriter::Kinds SvgWriter::RootItems() const {
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

pugi::xml_node SvgWriter::NodeOf(const void* key) const {
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

SvgWriter::Children SvgWriter::ElementChildren(pugi::xml_node node, const Kinds& kinds) const {
    Children children;
    for (const auto& kind : kinds) {
        for (const Item& item : kind) {
            if (pugi::xml_node n = NodeOf(item.key()); n && n.parent() == node) {
                children.keyOf[n.internal_object()] = item.key();
            }
        }
    }
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element) {
            if (const auto it = children.keyOf.find(child.internal_object());
                it != children.keyOf.end()) {
                children.position[it->second] = children.nodes.size();
            } else if (const auto read = src_->keys.find(child.internal_object());
                       read != src_->keys.end()) {
                // Read as art or a layer that is here no longer.
                children.keyOf[child.internal_object()] = read->second;
            }
            children.nodes.push_back(child);
        }
    }
    return children;
}

SvgWriter::Placement SvgWriter::Place(const Kinds& kinds, const Children& children) {
    Placement placement;
    for (const auto& kind : kinds) {
        std::size_t last = 0;
        bool any = false;
        const void* previous = nullptr;
        std::vector<Item> front;
        for (const Item& item : kind) {
            const auto it = children.position.find(item.key());
            if (it != children.position.end() && (!any || it->second > last)) {
                placement.anchored.insert(item.key());
                last = it->second;
                if (!any) {
                    placement.before[item.key()] = front;
                }
                any = true;
                previous = item.key();
            } else if (previous != nullptr) {
                placement.after[previous].push_back(item);
            } else {
                front.push_back(item);
            }
        }
        if (!any) {
            placement.tail.insert(placement.tail.end(), front.begin(), front.end());
        }
    }
    return placement;
}

std::string SvgWriter::ChildIndent(const Children& children, const std::string& indent) const {
    for (pugi::xml_node child : children.nodes) {
        if (children.keyOf.count(child.internal_object()) != 0 || IsLayer(child) ||
            IsElement(child, "g") || IsElement(child, "path") || IsElement(child, "text")) {
            return Indent(src_->Begin(child));
        }
    }
    return indent + "  ";
}

void SvgWriter::WriteItems(const std::unordered_map<const void*, std::vector<Item>>& items,
                           const void* key, const Matrix& ctm, const std::string& indent) {
    if (const auto it = items.find(key); it != items.end()) {
        for (const Item& item : it->second) {
            WriteItem(item, ctm, indent);
        }
    }
}

void SvgWriter::Content(pugi::xml_node node, const Matrix& ctm, const Kinds& kinds,
                        const std::string& indent) {
    const std::string& text = src_->text;
    const std::size_t begin = src_->Begin(node);
    const std::size_t end = src_->End(node);
    const std::size_t contentBegin = SkipMarkup(text, begin);
    const bool selfClosing = text[contentBegin - 2] == '/';
    const std::size_t contentEnd = selfClosing ? contentBegin : CloseBegin(node, end);
    const Children children = ElementChildren(node, kinds);
    const Placement placement = Place(kinds, children);
    const std::string childIndent = ChildIndent(children, indent);
    const std::string outerPrefix = svgPrefix_;
    const bool outerDeclare = svgDeclare_;
    SvgNamesAt(node);
    std::string& content = Out();
    const std::size_t written = content.size();
    std::size_t pos = contentBegin;
    for (pugi::xml_node child : children.nodes) {
        const std::size_t cb = src_->Begin(child);
        const std::size_t ce = src_->End(child);
        const std::string_view gap(text.data() + pos, cb - pos);
        const auto key = children.keyOf.find(child.internal_object());
        if (key == children.keyOf.end()) {
            content += gap;
            content.append(text, cb, ce - cb);
        } else if (placement.anchored.count(key->second) != 0) {
            WriteItems(placement.before, key->second, ctm, childIndent);
            content += gap;
            WriteItem({FindArt(key->second), FindLayer(key->second)}, ctm, childIndent, true);
            WriteItems(placement.after, key->second, ctm, childIndent);
        } else if (!IsBlank(gap)) {
            // Art gone: its line goes with it, what else stood before it stays.
            content += gap;
        }
        pos = ce;
    }
    for (const Item& item : placement.tail) {
        WriteItem(item, ctm, childIndent);
    }
    content.append(text, pos, contentEnd - pos);
    if (selfClosing) {
        content += (content.size() > written ? indent : "") + "</" + std::string(node.name()) + ">";
    } else {
        content.append(text, contentEnd, end - contentEnd);
    }
    svgPrefix_ = outerPrefix;
    svgDeclare_ = outerDeclare;
}

const Art* SvgWriter::FindArt(const void* key) const {
    const auto it = src_->art.find(static_cast<ArtHandle>(const_cast<void*>(key)));
    return it == src_->art.end() ? nullptr : &doc_.Get(it->first);
}

const Layer* SvgWriter::FindLayer(const void* key) const {
    if (FindArt(key) != nullptr) {
        return nullptr;
    }
    return &doc_.Get(static_cast<LayerHandle>(const_cast<void*>(key)));
}

void SvgWriter::WriteItem(const Item& item, const Matrix& ctm, const std::string& indent,
                          bool inPlace) {
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

void SvgWriter::WriteLayer(const Layer& layer, const std::string& indent) {
    const auto it = src_->layers.find(layer.ref);
    if (it == src_->layers.end()) {
        usesInkscape_ = true;
        std::string& out = Out();
        out += Open("g") + " inkscape:groupmode=\"layer\" inkscape:label=\"" +
               Escape(WritableText(layer.title), true) + "\"";
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
        changes.emplace_back("inkscape:label", WritableText(layer.title));
    }
    if (r.editable != layer.editable) {
        usesSodipodi_ = true;
        changes.emplace_back("sodipodi:insensitive",
                             layer.editable ? std::nullopt : std::optional<std::string>("true"));
    }
    StartTag(r.node, changes, layer.group->hidden != r.hidden ? &layer.group->hidden : nullptr,
             nullptr);
    Content(r.node, ParseTransform(r.node.attribute("transform").value()), {ArtItems(*layer.group)},
            indent);
}

void SvgWriter::StartTag(pugi::xml_node node,
                         std::vector<std::pair<std::string, std::optional<std::string>>> changes,
                         const bool* hidden, const Art* tags, bool keepSelfClosing) {
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
            newTags[TagXmlName(WritableText(name))] = value;
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
                        : std::optional<std::string>(WritableText(t->second));
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
        // The name a placed symbol was read with is the symbol's: not written while it holds.
        if (n == "kznObjectName" && IsElement(node, "use") && PlacedSymbolName(node) == v) {
            continue;
        }
        usesTags_ = true;
        out += " " + TagsPrefix() + ":" + n + "=\"" + Escape(WritableText(v), true) + "\"";
        changed = true;
    }
    if (!changed && (keepSelfClosing || !selfClosing)) {
        Out().append(text, begin, end - begin);
        return;
    }
    Out() += out + (selfClosing && keepSelfClosing ? "/>" : ">");
}

void SvgWriter::WriteExisting(const Art& art, const Record& r, const Matrix& ctm,
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
            changes.emplace_back(insensitive ? insensitive.name() : "sodipodi:insensitive",
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
            // Its start tag anew where it must be, the rest of the element as it was. (A use's
            // print begins with its own state, which its start tag says.)
            if (!geometry && (r.kind == Record::kShape ||
                              (r.children.compare(r.own.size(), std::string::npos, DeepPrint(art),
                                                  OwnPrint(art).size()) == 0 &&
                               !ShowsRemovedArt(r.node)))) {
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

}  // namespace subhost::svg
