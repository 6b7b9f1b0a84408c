// Map documents in every form the host reads and writes, picked by the file's name: a name
// ending in .svg is an SVG map (svgform.h), .svgz a gzip-compressed one, anything else JSON
// (jsonform.h). The forms depend on this file, never the other way round.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "subhost/document/document.h"

namespace subhost {

// A map that cannot be read or written; the message names the file and what is wrong: for a
// malformed JSON map the JSON path of the offending value ("$.layers[0].art[2].text"), for an
// SVG map the line and the column.
class MapError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class MapForm { kJson, kSvg, kSvgz };

MapForm FormOf(const std::string& path);

// What a map form keeps of the file a map was read from, beside the document, so that the map
// is written back in that form losing nothing. Only the form that made it makes sense of it.
class MapSource {
  public:
    virtual ~MapSource() = default;
};

struct LoadedMap {
    std::unique_ptr<Document> document;
    std::shared_ptr<const MapSource> source;  // null for a JSON map
};

// Reads the map at PATH in its form. Throws MapError naming the file and what is wrong.
LoadedMap LoadMap(const std::string& path);
std::unique_ptr<Document> ReadMap(const std::string& path);

// Writes DOCUMENT to PATH in the form PATH's name gives, whole or not at all. SOURCE, where the
// document was read from an SVG map, keeps the bytes of what no command changed.
void WriteMap(const Document& document, const std::string& path, const MapSource* source = nullptr);

// The bytes WriteMap writes for a map in FORM (gzip-compressed for kSvgz).
std::string FormatMap(const Document& document, MapForm form, const MapSource* source = nullptr);

}  // namespace subhost
