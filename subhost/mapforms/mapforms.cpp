#include "subhost/mapforms/mapforms.h"

#include "subhost/files.h"
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
[[noreturn]] void NoSvg(const std::string& path) {
    throw MapError(path +
                   ": SVG maps are not in this build of kznhost (it reads and writes JSON "
                   "maps only)");
}
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
    if (form == MapForm::kJson) {
        return {ReadJsonMap(path), nullptr};
    }
#ifdef KZN_SVG_MAPS
    std::string bytes;
    try {
        bytes = ReadWholeFile(path, kMapBound);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
    if (form == MapForm::kSvgz) {
        bytes = Gunzip(bytes, path, kMapBound.bytes);
    }
    LoadedMap map;
    map.document = ParseSvgMap(bytes, path, &map.source);
    return map;
#else
    NoSvg(path);
#endif
}

std::unique_ptr<Document> ReadMap(const std::string& path) {
    return LoadMap(path).document;
}

void WriteMap(const Document& document, const std::string& path, const MapSource* source) {
    const MapForm form = FormOf(path);
    if (form == MapForm::kJson) {
        WriteJsonMap(document, path);
        return;
    }
#ifdef KZN_SVG_MAPS
    std::string bytes = FormatSvgMap(document, source);
    if (form == MapForm::kSvgz) {
        bytes = Gzip(bytes);
    }
    try {
        WriteWholeFile(path, bytes);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
#else
    (void)document;
    (void)source;
    NoSvg(path);
#endif
}

}  // namespace subhost
