#include "subhost/document/document.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>

#include "subhost/error.h"

namespace subhost {

Art* ChildList::at(std::size_t index) const {
    if (index >= list_.size()) {
        throw std::out_of_range("no child " + std::to_string(index));
    }
    return (*this)[index];
}

ChildList::iterator ChildList::insert(const_iterator position, Art* art) {
    const iterator at = list_.insert(position, art);
    art->place = at;
    return at;
}

Document::Document() = default;
Document::~Document() = default;

void Document::SetCurrentLayer(std::size_t index) {
    if (index >= layers_.size() && !layers_.empty()) {
        throw HostError(kBadArgumentErr, "no layer " + std::to_string(index));
    }
    current_ = index;
}

Layer& Document::AddLayer(std::size_t index, const std::string& title, bool editable) {
    auto layer = std::make_unique<Layer>();
    layer->title = title;
    layer->editable = editable;
    Layer& l = *layer;
    l.ref = layerTable_.Add(std::move(layer));
    l.group = &NewArt(kGroupArt, nullptr);
    l.group->layer = &l;
    const std::size_t at = std::min(index, layers_.size());
    layers_.insert(layers_.begin() + static_cast<std::ptrdiff_t>(at), &l);
    // The current layer stays the same layer.
    if (layers_.size() > 1 && at <= current_) {
        ++current_;
    }
    return l;
}

Art& Document::NewArt(ASInt32 type, Art* parent) {
    auto art = std::make_unique<Art>();
    art->type = type;
    art->parent = parent;
    Art& a = *art;
    a.ref = art_.Add(std::move(art));
    if (parent != nullptr) {
        parent->children.push_back(&a);
    }
    return a;
}

Art& Document::NewTextPath(Art& text) {
    Art& path = NewArt(kPathArt, nullptr);
    text.textPath = &path;
    return path;
}

Pattern& Document::AddPattern(const std::string& name) {
    auto pattern = std::make_unique<Pattern>();
    pattern->name = name;
    Pattern& p = *pattern;
    p.ref = patternTable_.Add(std::move(pattern));
    patterns_.push_back(&p);
    return p;
}

Swatch& Document::AddSwatch(Pattern* pattern, double gray) {
    auto swatch = std::make_unique<Swatch>();
    swatch->pattern = pattern;
    swatch->gray = gray;
    Swatch& s = *swatch;
    s.index = swatches_.size();
    s.ref = swatchTable_.Add(std::move(swatch));
    swatches_.push_back(&s);
    return s;
}

std::string Document::DefaultLayerTitle(std::size_t layers) {
    return "レイヤー " + std::to_string(layers);
}

std::string MapBudget::Exceeded(Kind kind) {
    // The bound with its thousands apart: 10,000,000.
    const std::string digits = std::to_string(kBounds[kind]);
    std::string bound;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        bound += (i > 0 && (digits.size() - i) % 3 == 0 ? "," : "") + digits.substr(i, 1);
    }
    switch (kind) {
        case kElements:
            return "the file holds more than " + bound +
                   " elements (tags, comments and other markup)";
        case kAttributes:
            return "the file holds more than " + bound + " attributes";
        case kObjects:
            return "the map would hold more than " + bound +
                   " objects (art, layers, patterns and swatches)";
        case kPoints:
            return "the map would hold more than " + bound + " path points";
        case kValues:
            return "the map would hold more than " + bound + " tags and paint properties";
        case kCharacters:
            return "the map would hold more than " + bound +
                   " characters of texts, tags and paints";
        default:
            return "its <use> elements would copy more than " + bound +
                   " elements (symbols used in symbols used in symbols...)";
    }
}

Layer& Document::InsertLayer(const Layer& base, ASInt32 paintOrder) {
    if (paintOrder != kPlaceAbove) {
        throw HostError(kBadPlacementErr, "layers are inserted above another layer");
    }
    const auto at = std::find(layers_.begin(), layers_.end(), &base);
    if (at == layers_.end()) {
        throw HostError(kBadHandleErr, "not a layer of this document");
    }
    return AddLayer(static_cast<std::size_t>(at - layers_.begin()),
                    DefaultLayerTitle(layers_.size() + 1), true);
}

Document::Slot Document::Place(ASInt32 paintOrder, Art& prep, ASInt32 type) const {
    Slot slot{nullptr, {}};
    switch (paintOrder) {
        case kPlaceAbove:
        case kPlaceBelow: {
            if (prep.parent == nullptr) {
                throw HostError(kBadPlacementErr,
                                "nothing can go beside art that is in no children list (a "
                                "layer's group, a pattern's art or a text's path)");
            }
            slot = {prep.parent, paintOrder == kPlaceBelow ? std::next(prep.place) : prep.place};
            break;
        }
        case kPlaceInsideOnTop:
        case kPlaceInsideOnBottom:
            if (prep.type != kGroupArt && prep.type != kCompoundPathArt) {
                throw HostError(kBadPlacementErr, "only a group or a compound path holds art");
            }
            slot = {&prep,
                    paintOrder == kPlaceInsideOnTop ? prep.children.begin() : prep.children.end()};
            break;
        default:
            throw HostError(kBadPlacementErr, "unknown paint order " + std::to_string(paintOrder));
    }
    if (slot.parent->type == kCompoundPathArt && type != kPathArt) {
        throw HostError(kBadPlacementErr, "a compound path holds only paths");
    }
    return slot;
}

void Document::Insert(Art& art, Slot slot) {
    slot.parent->children.insert(slot.before, &art);
    art.parent = slot.parent;
}

namespace {

// How deep ART is nested: 0 for a layer's group, 1 for a layer's or a pattern's own art.
int Depth(const Art& art) {
    int depth = 0;
    for (const Art* a = &art; a->layer == nullptr; a = a->parent) {
        ++depth;
        if (a->parent == nullptr) {
            break;  // a pattern's art (or art in no list yet) is 1 deep
        }
    }
    return depth;
}

// How many levels ART spans: 1 for art without children.
int Levels(const Art& art) {
    int deepest = 0;
    for (const Art* child : art.children) {
        deepest = std::max(deepest, Levels(*child));
    }
    return deepest + 1;
}

}  // namespace

void Document::CheckDepth(const Art& art, Slot slot) {
    const int deepest = Depth(*slot.parent) + Levels(art);
    if (deepest > kMaxArtDepth) {
        throw HostError(kBadPlacementErr, "the art would be nested " + std::to_string(deepest) +
                                              " deep; art is nested at most " +
                                              std::to_string(kMaxArtDepth) + " deep");
    }
}

Art& Document::NewArt(ASInt32 type, ASInt32 paintOrder, Art& prep) {
    if (type < kGroupArt || type > kTextArt) {
        throw HostError(kBadArgumentErr, "unknown art type " + std::to_string(type));
    }
    const Slot slot = Place(paintOrder, prep, type);
    if (Depth(*slot.parent) + 1 > kMaxArtDepth) {
        throw HostError(kBadPlacementErr,
                        "new art would be nested deeper than " + std::to_string(kMaxArtDepth));
    }
    Art& art = NewArt(type, nullptr);
    Insert(art, slot);
    return art;
}

Art& Document::Copy(const Art& from) {
    Art& copy = NewArt(from.type, nullptr);
    const ArtHandle ref = copy.ref;
    copy = from;
    copy.ref = ref;
    copy.parent = nullptr;
    copy.layer = nullptr;
    copy.children.clear();
    copy.textPath = nullptr;
    for (const Art* child : from.children) {
        Art& c = Copy(*child);
        c.parent = &copy;
        copy.children.push_back(&c);
    }
    if (from.textPath != nullptr) {
        copy.textPath = &Copy(*from.textPath);
    }
    return copy;
}

Art& Document::Duplicate(const Art& art, ASInt32 paintOrder, Art& prep) {
    // The place is found before the copy is made, so that a refused place leaves nothing behind;
    // the copy is in no list yet, so the place stays right even when PREP is inside ART.
    const Slot slot = Place(paintOrder, prep, art.type);
    CheckDepth(art, slot);
    Art& copy = Copy(art);
    Insert(copy, slot);
    return copy;
}

void Document::Reorder(Art& art, ASInt32 paintOrder, Art& prep) {
    if (art.layer != nullptr) {
        throw HostError(kBadPlacementErr, "a layer's group cannot be moved");
    }
    if (art.parent == nullptr) {
        throw HostError(kBadPlacementErr, "a pattern's art or a text's path cannot be moved");
    }
    const bool beside = paintOrder == kPlaceAbove || paintOrder == kPlaceBelow;
    for (const Art* a = &prep; a != nullptr; a = a->parent) {
        if (a == &art && !(beside && a == &prep)) {
            throw HostError(kBadPlacementErr, "art cannot be moved into itself");
        }
    }
    CheckDepth(art, Place(paintOrder, prep, art.type));  // refuses before anything moves
    if (&art == &prep) {
        return;  // directly above or below itself is where it is
    }
    // The place is found again once ART is out of the list: it may have been the child PREP's
    // place pointed at.
    art.parent->children.erase(art.place);
    art.parent = nullptr;
    Insert(art, Place(paintOrder, prep, art.type));
}

TextLayout& Document::LayoutOf(Art& text) {
    if (text.type != kTextArt) {
        throw HostError(kWrongArtTypeErr, "only a text object has a text path");
    }
    if (const auto it = layoutOf_.find(text.ref); it != layoutOf_.end()) {
        return layouts_.Get(it->second);
    }
    const TextLineRef line = lines_.Add(std::make_unique<TextLine>(TextLine{text.ref}));
    auto layout = std::make_unique<TextLayout>(TextLayout{text.ref, nullptr, line});
    TextLayout& l = *layout;
    l.path = layouts_.Add(std::move(layout));
    layoutOf_.emplace(text.ref, l.path);
    return l;
}

void Document::Forget(Art& art) {
    for (Art* child : art.children) {
        Forget(*child);
    }
    if (art.textPath != nullptr) {
        Forget(*art.textPath);
    }
    if (const auto it = layoutOf_.find(art.ref); it != layoutOf_.end()) {
        lines_.Remove(layouts_.Get(it->second).firstLine);
        layouts_.Remove(it->second);
        layoutOf_.erase(it);
    }
    art_.Remove(art.ref);
}

void Document::Dispose(Art& art) {
    if (art.layer != nullptr) {
        throw HostError(kBadArgumentErr, "a layer's group goes only with its layer");
    }
    if (art.parent == nullptr) {
        throw HostError(kBadArgumentErr,
                        "a pattern's art goes only with its pattern, a text's path with its text");
    }
    art.parent->children.erase(art.place);
    Forget(art);
}

std::vector<std::string> Document::Problems() const {
    std::vector<std::string> problems;
    std::map<const Art*, int> seen;
    auto name = [](const Art& art) {
        return "art " + std::to_string(reinterpret_cast<std::uintptr_t>(art.ref));
    };
    std::function<void(const Art&, const Art*)> walk = [&](const Art& art, const Art* parent) {
        if (++seen[&art] > 1) {
            problems.push_back(name(art) + " is in two places");
            return;
        }
        if (art_.Find(art.ref) != &art) {
            problems.push_back(name(art) + " has no live handle");
        }
        if (art.parent != parent) {
            problems.push_back(name(art) + " does not know its parent");
        }
        if (!art.children.empty() && art.type != kGroupArt && art.type != kCompoundPathArt) {
            problems.push_back(name(art) + " has children but is no container");
        }
        for (const Art* child : art.children) {
            walk(*child, &art);
        }
        if (art.textPath != nullptr) {
            walk(*art.textPath, nullptr);
        }
    };
    for (std::size_t i = 0; i < layers_.size(); ++i) {
        const Layer* layer = layers_[i];
        if (layerTable_.Find(layer->ref) != layer) {
            problems.push_back("layer " + std::to_string(i) + " has no live handle");
        }
        if (layer->group == nullptr || layer->group->layer != layer) {
            problems.push_back("layer " + std::to_string(i) + " and its group do not match");
            continue;
        }
        walk(*layer->group, nullptr);
    }
    for (const Pattern* pattern : patterns_) {
        if (patternTable_.Find(pattern->ref) != pattern) {
            problems.push_back("pattern " + pattern->name + " has no live handle");
        }
        if (pattern->art != nullptr) {
            walk(*pattern->art, nullptr);
        }
    }
    if (seen.size() != art_.size()) {
        problems.push_back(std::to_string(art_.size() - std::min(art_.size(), seen.size())) +
                           " live art objects are in no place");
    }
    if (current_ >= layers_.size() && !layers_.empty()) {
        problems.push_back("the current layer does not exist");
    }
    return problems;
}

TextStreamRef Document::OpenStream(Art& text, ASInt32 mode) {
    if (text.type != kTextArt) {
        throw HostError(kBadArgumentErr, "only a text object has a text stream");
    }
    if (mode != kTextStreamRead && mode != kTextStreamWrite) {
        throw HostError(kBadArgumentErr, "unknown text stream mode " + std::to_string(mode));
    }
    if (mode == kTextStreamWrite) {
        text.text.clear();
    }
    return streams_.Add(std::make_unique<TextStream>(TextStream{text.ref, mode, 0}));
}

void Document::CloseStream(TextStreamRef stream) {
    Get(stream);
    streams_.Remove(stream);
}

}  // namespace subhost
