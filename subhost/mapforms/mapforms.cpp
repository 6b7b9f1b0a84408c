#include "subhost/mapforms/mapforms.h"

#include "subhost/files.h"
#include "subhost/mapforms/jsonform.h"
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
    if (form == MapForm::kSvgz) {
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

std::string FormatMap(const Document& document, MapForm form, const MapSource* source) {
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
