// The drawing application's document suites: art, layers and text streams, served from the
// current host's document.
#include <algorithm>
#include <cstring>

#include "host/suitenames.h"
#include "subhost/sjis.h"
#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

Document& Doc(Host& host) {
    return host.document();
}

// AI Art Suite.
ASErr KZN_API GetArtType(ArtHandle art, ASInt32* type) {
    return Serve(kArtSuite, "GetArtType", [&](Host& host) {
        ASInt32& out = Out(type);
        out = 0;
        out = Doc(host).Get(art).type;
    });
}

ASErr KZN_API GetArtUserAttr(ArtHandle art, ASInt32 whichAttr, ASInt32* attr) {
    return Serve(kArtSuite, "GetArtUserAttr", [&](Host& host) {
        ASInt32& out = Out(attr);
        out = 0;
        const Art& a = Doc(host).Get(art);
        const ASInt32 all = (a.selected ? kArtSelected : 0) | (a.locked ? kArtLocked : 0) |
                            (a.hidden ? kArtHidden : 0);
        out = all & whichAttr;
    });
}

ASErr KZN_API SetArtUserAttr(ArtHandle art, ASInt32 whichAttr, ASInt32 attr) {
    return Serve(kArtSuite, "SetArtUserAttr", [&](Host& host) {
        Art& a = Doc(host).Get(art);
        if (whichAttr & kArtSelected) {
            a.selected = (attr & kArtSelected) != 0;
        }
        if (whichAttr & kArtLocked) {
            a.locked = (attr & kArtLocked) != 0;
        }
        if (whichAttr & kArtHidden) {
            a.hidden = (attr & kArtHidden) != 0;
        }
    });
}

ASErr KZN_API GetArtFirstChild(ArtHandle art, ArtHandle* child) {
    return Serve(kArtSuite, "GetArtFirstChild", [&](Host& host) {
        ArtHandle& out = Out(child);
        out = nullptr;
        const Art& a = Doc(host).Get(art);
        out = a.children.empty() ? nullptr : a.children.front()->ref;
    });
}

ASErr KZN_API GetArtSibling(ArtHandle art, ArtHandle* sibling) {
    return Serve(kArtSuite, "GetArtSibling", [&](Host& host) {
        ArtHandle& out = Out(sibling);
        out = nullptr;
        const Art& a = Doc(host).Get(art);
        if (host.faults().OnCallEchoOut(kArtSuite, "GetArtSibling")) {
            out = art;
            return;
        }
        if (a.parent == nullptr) {
            return;
        }
        const auto next = std::next(a.place);
        if (next != a.parent->children.end()) {
            out = (*next)->ref;
        }
    });
}

ASErr KZN_API GetArtParent(ArtHandle art, ArtHandle* parent) {
    return Serve(kArtSuite, "GetArtParent", [&](Host& host) {
        ArtHandle& out = Out(parent);
        out = nullptr;
        const Art& a = Doc(host).Get(art);
        out = a.parent ? a.parent->ref : nullptr;
    });
}

ASErr KZN_API GetFirstArtOfLayer(LayerHandle layer, ArtHandle* art) {
    return Serve(kArtSuite, "GetFirstArtOfLayer", [&](Host& host) {
        ArtHandle& out = Out(art);
        out = nullptr;
        out = Doc(host).Get(layer).group->ref;
    });
}

ASErr KZN_API DisposeArt(ArtHandle art) {
    return Serve(kArtSuite, "DisposeArt",
                 [&](Host& host) { Doc(host).Dispose(Doc(host).Get(art)); });
}

ASErr KZN_API NewArt(ASInt32 type, ASInt32 paintOrder, ArtHandle prep, ArtHandle* newArt) {
    return Serve(kArtSuite, "NewArt", [&](Host& host) {
        ArtHandle& out = Out(newArt);
        out = nullptr;
        out = Doc(host).NewArt(type, paintOrder, Doc(host).Get(prep)).ref;
    });
}

ASErr KZN_API DuplicateArt(ArtHandle art, ASInt32 paintOrder, ArtHandle prep, ArtHandle* newArt) {
    return Serve(kArtSuite, "DuplicateArt", [&](Host& host) {
        ArtHandle& out = Out(newArt);
        out = nullptr;
        out = Doc(host).Duplicate(Doc(host).Get(art), paintOrder, Doc(host).Get(prep)).ref;
    });
}

ASErr KZN_API ReorderArt(ArtHandle art, ASInt32 paintOrder, ArtHandle prep) {
    return Serve(kArtSuite, "ReorderArt", [&](Host& host) {
        Doc(host).Reorder(Doc(host).Get(art), paintOrder, Doc(host).Get(prep));
    });
}

// AI Layer Suite.
ASErr KZN_API CountLayers(ASInt32* count) {
    return Serve(kLayerSuite, "CountLayers",
                 [&](Host& host) { Out(count) = static_cast<ASInt32>(Doc(host).layers().size()); });
}

Layer& LayerAt(Host& host, ASInt32 index) {
    const auto& layers = Doc(host).layers();
    if (index < 0 || index >= static_cast<ASInt32>(layers.size())) {
        throw HostError(kBadArgumentErr, "the document has no layer " + std::to_string(index));
    }
    return *layers[static_cast<std::size_t>(index)];
}

ASErr KZN_API GetNthLayer(ASInt32 index, LayerHandle* layer) {
    return Serve(kLayerSuite, "GetNthLayer", [&](Host& host) {
        LayerHandle& out = Out(layer);
        out = nullptr;
        out = LayerAt(host, index).ref;
    });
}

ASErr KZN_API GetCurrentLayer(LayerHandle* layer) {
    return Serve(kLayerSuite, "GetCurrentLayer", [&](Host& host) {
        LayerHandle& out = Out(layer);
        out = nullptr;
        out = LayerAt(host, static_cast<ASInt32>(Doc(host).currentLayer())).ref;
    });
}

ASErr KZN_API GetLayerTitle(LayerHandle layer, unsigned char* title) {
    return Serve(kLayerSuite, "GetLayerTitle", [&](Host& host) {
        if (title == nullptr) {
            throw HostError(kBadArgumentErr, "no room for the title");
        }
        title[0] = 0;
        const std::string& text = Doc(host).Get(layer).title;
        const std::size_t n = std::min<std::size_t>(text.size(), 255);
        std::memcpy(title + 1, text.data(), n);
        title[0] = static_cast<unsigned char>(n);
    });
}

ASErr KZN_API SetLayerTitle(LayerHandle layer, const unsigned char* title) {
    return Serve(kLayerSuite, "SetLayerTitle", [&](Host& host) {
        if (title == nullptr) {
            throw HostError(kBadArgumentErr, "no title");
        }
        Doc(host).Get(layer).title.assign(reinterpret_cast<const char*>(title + 1), title[0]);
    });
}

ASErr KZN_API GetLayerEditable(LayerHandle layer, ASBoolean* editable) {
    return Serve(kLayerSuite, "GetLayerEditable", [&](Host& host) {
        ASBoolean& out = Out(editable);
        out = false;
        out = Doc(host).Get(layer).editable;
    });
}

ASErr KZN_API InsertLayer(LayerHandle layer, ASInt32 paintOrder, LayerHandle* newLayer) {
    return Serve(kLayerSuite, "InsertLayer", [&](Host& host) {
        LayerHandle& out = Out(newLayer);
        out = nullptr;
        // The new layer is titled as the host titles the layers it makes: "レイヤー N", with N
        // the number of layers once it is in.
        out = Doc(host).InsertLayer(Doc(host).Get(layer), paintOrder).ref;
    });
}

// AI Tag Suite. Tags are strings; the text GetTag gives is the document's own, so it stays valid
// until the tag is set again or the art is disposed.
void CheckTagType(const char* type) {
    if (type == nullptr || std::strcmp(type, kTagStringType) != 0) {
        throw HostError(kNotKeptErr, "the document keeps only tags of type \"string\"");
    }
}

ASErr KZN_API SetTag(ArtHandle art, const char* name, const char* type, const char* value) {
    return Serve(kTagSuite, "SetTag", [&](Host& host) {
        Art& a = Doc(host).Get(art);
        CheckTagType(type);
        if (name == nullptr || value == nullptr) {
            throw HostError(kBadArgumentErr, "a tag needs a name and a value");
        }
        // A map names its tags in text, so a name must be Shift-JIS text to be kept.
        if (!SjisToUtf8(name)) {
            throw HostError(kBadArgumentErr, "a tag name must be Shift-JIS text");
        }
        a.tags[name] = value;
    });
}

ASErr KZN_API GetTag(ArtHandle art, const char* name, const char* type, const char** value) {
    return Serve(kTagSuite, "GetTag", [&](Host& host) {
        const char*& out = Out(value);
        const Art& a = Doc(host).Get(art);
        CheckTagType(type);
        if (name == nullptr) {
            throw HostError(kBadArgumentErr, "no tag name");
        }
        // A missing tag is an ordinary answer (most art has none), not a failure of the host:
        // it is neither thrown nor noted, which would cost each look-up far more than the
        // look-up itself and keep a record of every one.
        const auto it = a.tags.find(name);
        if (it == a.tags.end()) {
            return kNoSuchTagErr;
        }
        out = it->second.c_str();
        return kNoErr;
    });
}

// AI Text Stream Suite.
ASErr KZN_API OpenTextStream(ArtHandle art, ASInt32 mode, TextStreamRef* stream) {
    return Serve(kTextStreamSuite, "OpenTextStream", [&](Host& host) {
        TextStreamRef& out = Out(stream);
        out = nullptr;
        out = Doc(host).OpenStream(Doc(host).Get(art), mode);
    });
}

ASErr KZN_API ReadTextStream(TextStreamRef stream, char* buffer, ASInt32* count) {
    return Serve(kTextStreamSuite, "ReadTextStream", [&](Host& host) {
        ASInt32& n = Out(count);
        TextStream& s = Doc(host).Get(stream);
        if (s.mode != kTextStreamRead) {
            n = 0;
            throw HostError(kBadArgumentErr, "the stream is open for writing");
        }
        if (buffer == nullptr || n < 0) {
            n = 0;
            throw HostError(kBadArgumentErr, "no room to read into");
        }
        const std::string& text = Doc(host).Get(s.art).text;
        const std::size_t available = text.size() - std::min(s.position, text.size());
        const std::size_t take = std::min(available, static_cast<std::size_t>(n));
        std::memcpy(buffer, text.data() + s.position, take);
        s.position += take;
        n = static_cast<ASInt32>(take);
    });
}

ASErr KZN_API WriteTextStream(TextStreamRef stream, const char* text, ASInt32 count) {
    return Serve(kTextStreamSuite, "WriteTextStream", [&](Host& host) {
        TextStream& s = Doc(host).Get(stream);
        if (s.mode != kTextStreamWrite) {
            throw HostError(kBadArgumentErr, "the stream is open for reading");
        }
        if (count < 0 || (text == nullptr && count > 0)) {
            throw HostError(kBadArgumentErr, "nothing to write");
        }
        Doc(host).Get(s.art).text.append(text ? text : "", static_cast<std::size_t>(count));
    });
}

ASErr KZN_API DisposeTextStream(TextStreamRef stream) {
    return Serve(kTextStreamSuite, "DisposeTextStream",
                 [&](Host& host) { Doc(host).CloseStream(stream); });
}

}  // namespace

const ArtSuite kArtTable = {GetArtType,          GetArtUserAttr,       SetArtUserAttr,
                            GetArtFirstChild,    GetArtSibling,        GetArtParent,
                            GetFirstArtOfLayer,  DisposeArt,           NewArt,
                            DuplicateArt,        ReorderArt,           GetArtBounds,
                            GetArtRotatedBounds, GetArtTransformBounds};

const LayerSuite kLayerTable = {CountLayers,   GetNthLayer,      GetCurrentLayer, GetLayerTitle,
                                SetLayerTitle, GetLayerEditable, InsertLayer};

const TagSuite kTagTable = {SetTag, GetTag};

const TextStreamSuite kTextStreamTable = {OpenTextStream, ReadTextStream, WriteTextStream,
                                          DisposeTextStream};

}  // namespace subhost
