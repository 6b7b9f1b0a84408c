// Map documents in their JSON form: UTF-8 text outside, Shift-JIS inside the host.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "subhost/document/document.h"

namespace subhost {

// A map that cannot be read or written; the message names the file and, for a malformed map,
// the JSON path of the offending value ("$.layers[0].art[2].text").
class MapError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// How deep art may be nested in a map: a layer's own art is 1 deep, a child of a group 2 deep.
// Reading, writing and comparing maps, the host's walks over art and the module's own walks
// recurse once per level; this bound keeps all of them far from the end of the smallest stack
// they run on (1 MB on 32-bit Windows), sanitizers included. A deeper map is refused.
constexpr int kMaxArtDepth = 100;

std::unique_ptr<Document> ParseMap(const std::string& json, const std::string& name);
std::unique_ptr<Document> ReadMap(const std::string& path);

std::string FormatMap(const Document& document);
// Writes the whole map or nothing, as WriteWholeFile does.
void WriteMap(const Document& document, const std::string& path);

}  // namespace subhost
