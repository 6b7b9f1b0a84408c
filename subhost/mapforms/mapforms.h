// Map documents in every form the host reads and writes, picked by the file's name: a name
// ending in .svg is an SVG map (svgform.h), .svgz a gzip-compressed one, anything else JSON
// (jsonform.h).
#pragma once

#include <memory>
#include <string>

#include "subhost/document/document.h"
#include "subhost/mapforms/jsonform.h"

namespace subhost {

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

}  // namespace subhost
