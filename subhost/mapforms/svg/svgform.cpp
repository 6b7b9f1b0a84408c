// The SVG form's entry points: a map's bytes read into a document with its source kept beside it,
// and a document written back.

#include "subhost/mapforms/svgform.h"

#include "subhost/mapforms/svg/reader.h"
#include "subhost/mapforms/svg/writer.h"
#include "subhost/mapforms/svg/xml.h"
#include "subhost/text.h"

namespace subhost {

using svg::ExpandEntities;
using svg::LineColumn;
using svg::ReadSvg;
using svg::SvgFault;
using svg::SvgSource;
using svg::SvgWriter;

std::unique_ptr<Document> ParseSvgMap(const std::string& bytes, const std::string& name,
                                      std::shared_ptr<const MapSource>* source) {
    auto src = std::make_shared<SvgSource>();
    src->original = bytes;
    auto document = std::make_unique<Document>();
    try {
        // XML has no NUL character (the parser would take one for the end of a value), and an
        // SVG map is UTF-8: a text read otherwise could not be written back.
        if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
            throw SvgFault{nul, "not well-formed XML: a NUL byte"};
        }
        if (const std::size_t bad = NotUtf8At(bytes); bad != std::string::npos) {
            throw SvgFault{bad, "bytes that are not UTF-8 (an SVG map is read as UTF-8)"};
        }
        src->text = ExpandEntities(bytes);
        const pugi::xml_parse_result result =
            src->xml.load_buffer(src->text.data(), src->text.size(),
                                 pugi::parse_full & ~pugi::parse_eol, pugi::encoding_utf8);
        if (!result) {
            throw SvgFault{static_cast<std::size_t>(result.offset),
                           std::string("not well-formed XML: ") + result.description()};
        }
        ReadSvg(*document, *src);
    } catch (const SvgFault& f) {
        throw MapError(name + ": " + LineColumn(src->text.empty() ? bytes : src->text, f.offset) +
                       ": " + f.what);
    }
    if (source != nullptr) {
        *source = src;
    }
    return document;
}

std::string FormatSvgMap(const Document& document, const MapSource* source) {
    const auto* src = dynamic_cast<const SvgSource*>(source);
    return SvgWriter(document, src).Write();
}

}  // namespace subhost
