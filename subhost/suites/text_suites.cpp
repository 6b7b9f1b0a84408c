// The text suites: the kind of a text object, its text path and the record of its first line.
//
// The host lays a text out as one line: its first line holds the bytes up to the first CR (or
// all of them). The line starts at the text's anchor, or for a text on a path at the first
// anchor point of that path (at the text's anchor while the path has none); an area text's line
// starts at its anchor, inside its path. Its width is half the text size for every byte, so that
// a half-width character takes half an em and a double-byte Shift-JIS character a whole one.
#include <algorithm>

#include "host/suitenames.h"
#include "subhost/suites/reals.h"
#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

Art& TextArt(Host& host, ArtHandle text) {
    Art& art = host.document().Get(text);
    if (art.type != kTextArt) {
        throw HostError(kWrongArtTypeErr, "the art is not a text object");
    }
    return art;
}

// AI Text Suite.
ASErr KZN_API GetTextType(ArtHandle text, ASInt32* type) {
    return Serve(kTextSuite, "GetTextType", [&](Host& host) {
        ASInt32& out = Out(type);
        out = kPointText;
        const Art& art = TextArt(host, text);
        out = art.textPath == nullptr ? kPointText : art.area ? kInPathText : kOnPathText;
    });
}

// AI Text Path Suite.
ASErr KZN_API GetTextPath(ArtHandle art, TextPathRef* textPath) {
    return Serve(kTextPathSuite, "GetTextPath", [&](Host& host) {
        TextPathRef& out = Out(textPath);
        out = nullptr;
        out = host.document().LayoutOf(TextArt(host, art)).path;
    });
}

ASErr KZN_API GetTextPathArt(TextPathRef textPath, ArtHandle* path) {
    return Serve(kTextPathSuite, "GetTextPathArt", [&](Host& host) {
        ArtHandle& out = Out(path);
        out = nullptr;
        const Art& text = host.document().Get(host.document().Get(textPath).text);
        out = text.textPath != nullptr ? text.textPath->ref : nullptr;
    });
}

// AI Text Line Suite.
ASErr KZN_API GetFirstTextLine(TextPathRef textPath, TextLineRef* line) {
    return Serve(kTextLineSuite, "GetFirstTextLine", [&](Host& host) {
        TextLineRef& out = Out(line);
        out = nullptr;
        out = host.document().Get(textPath).firstLine;
    });
}

ASErr KZN_API GetTextLineRecord(TextLineRef line, AITextLineRecord* record) {
    return Serve(kTextLineSuite, "GetTextLineRecord", [&](Host& host) {
        AITextLineRecord& out = Out(record);
        const Art& text = host.document().Get(host.document().Get(line).text);
        const std::size_t cr = text.text.find('\r');
        const std::size_t length = cr == std::string::npos ? text.text.size() : cr;
        Point start = text.anchor;
        if (text.textPath != nullptr && !text.area && !text.textPath->segments.empty()) {
            start = text.textPath->segments.front().p;
        }
        const AIRealPoint at = ToAI(start);
        out = {0,    0,    static_cast<ASInt32>(std::min<std::size_t>(length, 0x7FFFFFFF)),
               at.h, at.v, static_cast<AIReal>(static_cast<double>(length) * text.size / 2)};
    });
}

}  // namespace

const TextSuite kTextTable = {GetTextType};
const TextPathSuite kTextPathTable = {GetTextPath, GetTextPathArt};
const TextLineSuite kTextLineTable = {GetFirstTextLine, GetTextLineRecord};

}  // namespace subhost
