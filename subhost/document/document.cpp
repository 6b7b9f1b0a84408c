#include "subhost/document/document.h"

#include <algorithm>

#include "subhost/error.h"

namespace subhost {

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
    s.ref = swatchTable_.Add(std::move(swatch));
    swatches_.push_back(&s);
    return s;
}

void Document::Forget(Art& art) {
    for (Art* child : art.children) {
        Forget(*child);
    }
    if (art.textPath != nullptr) {
        Forget(*art.textPath);
    }
    art_.Remove(art.ref);
}

void Document::Dispose(Art& art) {
    if (art.layer != nullptr) {
        throw HostError(kBadArgumentErr, "a layer's group goes only with its layer");
    }
    if (art.parent != nullptr) {
        auto& siblings = art.parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), &art), siblings.end());
    }
    Forget(art);
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
