#include "subhost/mapforms/mapforms.h"

#include <cstdlib>

#include "subhost/document/artgeometry.h"
#include "subhost/files.h"
#include "subhost/mapforms/jsonform.h"
#include "subhost/sjis.h"
#ifdef KZN_SVG_MAPS
#include "subhost/mapforms/svgform.h"
#endif

namespace subhost {
namespace {

bool EndsWith(const std::string& s, const std::string& end) {
    if (s.size() < end.size()) {
        return false;
    }
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char c = s[s.size() - end.size() + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != end[i]) {
            return false;
        }
    }
    return true;
}

#ifndef KZN_SVG_MAPS
constexpr const char* kNoSvg =
    "SVG maps are not in this build of kznhost (it reads and writes JSON maps only)";
#endif

// A number that is not finite has no form in SVG or JSON that reads back: a map holding one is
// refused whole rather than written so that no command can read it again.
void RefuseNonFinite(const Document& document) {
    for (const Layer* layer : document.layers()) {
        if (const Art* art = FirstNonFinite(*layer->group); art != nullptr) {
            throw MapError("art on the layer \"" + ShowSjis(layer->title) +
                           "\" holds a coordinate that is not a finite number; no map can hold "
                           "it, so the map is not written");
        }
    }
    for (const Pattern* pattern : document.patterns()) {
        if (pattern->art != nullptr && FirstNonFinite(*pattern->art) != nullptr) {
            throw MapError("the symbol \"" + ShowSjis(pattern->name) +
                           "\" holds a coordinate that is not a finite number; no map can hold "
                           "it, so the map is not written");
        }
    }
}

}  // namespace

MapForm FormOf(const std::string& path) {
    if (EndsWith(path, ".svg")) {
        return MapForm::kSvg;
    }
    if (EndsWith(path, ".svgz")) {
        return MapForm::kSvgz;
    }
    return MapForm::kJson;
}

LoadedMap LoadMap(const std::string& path) {
    const MapForm form = FormOf(path);
#ifndef KZN_SVG_MAPS
    if (form != MapForm::kJson) {
        throw MapError(path + ": " + kNoSvg);
    }
#endif
    std::string bytes;
    try {
        bytes = ReadWholeFile(path, kMapBound);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
    if (form == MapForm::kJson) {
        return {ParseJsonMap(bytes, path), nullptr};
    }
#ifdef KZN_SVG_MAPS
    // .svg and .svgz alike: gzip-compressed data is told by its magic bytes, whatever the file's
    // name, as librsvg and Inkscape tell it.
    if (IsGzip(bytes)) {
        bytes = Gunzip(bytes, path, kMapBound.bytes);
    }
    LoadedMap map;
    map.document = ParseSvgMap(bytes, path, &map.source);
    return map;
#else
    return {};
#endif
}

std::unique_ptr<Document> ReadMap(const std::string& path) {
    return LoadMap(path).document;
}

namespace {

std::string Format(const Document& document, MapForm form, const MapSource* source) {
    if (form == MapForm::kJson) {
        return FormatJsonMap(document);
    }
#ifdef KZN_SVG_MAPS
    std::string bytes = FormatSvgMap(document, source);
    return form == MapForm::kSvgz ? Gzip(bytes) : bytes;
#else
    (void)source;
    throw MapError(kNoSvg);
#endif
}

// Reads BYTES of FORM as a map, as LoadMap would, throwing the MapError it gives.
void ReadBack(const std::string& bytes, MapForm form) {
    constexpr const char* kName = "the map written";
    if (form == MapForm::kJson) {
        ParseJsonMap(bytes, kName);
        return;
    }
#ifdef KZN_SVG_MAPS
    ParseSvgMap(form == MapForm::kSvgz ? Gunzip(bytes, kName, kMapBound.bytes) : bytes, kName);
#endif
}

}  // namespace

std::string FormatMap(const Document& document, MapForm form, const MapSource* source) {
    RefuseNonFinite(document);
    std::string bytes = Format(document, form, source);
    // The tests run with KZN_CHECK_READBACK set: every map any of them writes is read back at
    // once, so that a map the host could not read again fails the test that made it.
    if (std::getenv("KZN_CHECK_READBACK") != nullptr) {
        try {
            ReadBack(bytes, form);
        } catch (const MapError& e) {
            throw MapError(std::string("the map written does not read back (") + e.what() + ")");
        }
    }
    return bytes;
}

void WriteMap(const Document& document, const std::string& path, const MapSource* source) {
    std::string bytes;
    try {
        bytes = FormatMap(document, FormOf(path), source);
    } catch (const MapError& e) {
        throw MapError(path + ": " + e.what());
    }
    try {
        WriteWholeFile(path, bytes);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
}

}  // namespace subhost
