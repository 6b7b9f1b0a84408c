// The swatch list and pattern suites: the document's swatches in order, their colours, and the
// patterns that pattern swatches show.
#include <algorithm>
#include <cstring>

#include "host/suitenames.h"
#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

// AI Swatch List Suite. The host has one list, the document's, which the module names by null.
ASErr KZN_API GetFirstSwatch(SwatchListRef list, SwatchHandle* swatch) {
    return Serve(kSwatchListSuite, "GetFirstSwatch", [&](Host& host) {
        SwatchHandle& out = Out(swatch);
        out = nullptr;
        if (list != nullptr) {
            throw HostError(kBadHandleErr, "the only swatch list is the document's (null)");
        }
        const auto& swatches = host.document().swatches();
        out = swatches.empty() ? nullptr : swatches.front()->ref;
    });
}

ASErr KZN_API GetNextSwatch(SwatchHandle swatch, SwatchHandle* next) {
    return Serve(kSwatchListSuite, "GetNextSwatch", [&](Host& host) {
        SwatchHandle& out = Out(next);
        out = nullptr;
        const Swatch& s = host.document().Get(swatch);
        const auto& swatches = host.document().swatches();
        if (s.index + 1 < swatches.size()) {
            out = swatches[s.index + 1]->ref;
        }
    });
}

ASErr KZN_API GetAIColor(SwatchHandle swatch, AIColor* color) {
    return Serve(kSwatchListSuite, "GetAIColor", [&](Host& host) {
        AIColor& out = Out(color);
        const Swatch& s = host.document().Get(swatch);
        AIColor c;
        std::memset(&c, 0, sizeof c);
        if (s.pattern != nullptr) {
            c.kind = kPatternColor;
            c.c.p.pattern = s.pattern->ref;
        } else {
            c.kind = kGrayColor;
            c.c.g.gray = static_cast<AIReal>(s.gray);
        }
        out = c;
    });
}

// AI Pattern Suite.
ASErr KZN_API GetPatternName(PatternHandle pattern, unsigned char* name) {
    return Serve(kPatternSuite, "GetPatternName", [&](Host& host) {
        if (name == nullptr) {
            throw HostError(kBadArgumentErr, "no room for the name");
        }
        name[0] = 0;
        const std::string& text = host.document().Get(pattern).name;
        const std::size_t n = std::min<std::size_t>(text.size(), 255);
        std::memcpy(name + 1, text.data(), n);
        name[0] = static_cast<unsigned char>(n);
    });
}

ASErr KZN_API GetPatternArt(PatternHandle pattern, ArtHandle* art) {
    return Serve(kPatternSuite, "GetPatternArt", [&](Host& host) {
        ArtHandle& out = Out(art);
        out = nullptr;
        const Pattern& p = host.document().Get(pattern);
        out = p.art != nullptr ? p.art->ref : nullptr;
    });
}

}  // namespace

const SwatchListSuite kSwatchListTable = {GetFirstSwatch, GetNextSwatch, GetAIColor};
const PatternSuite kPatternTable = {GetPatternName, GetPatternArt};

}  // namespace subhost
