// Map documents in their JSON form: UTF-8 text outside, Shift-JIS inside the host.
// (mapforms.h reads and writes a map in the form its file name gives.)
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

// A map nested deeper than kMaxArtDepth (document.h) is refused.

std::unique_ptr<Document> ParseMap(const std::string& json, const std::string& name);
std::unique_ptr<Document> ReadJsonMap(const std::string& path);

std::string FormatMap(const Document& document);
// Writes the whole map or nothing, as WriteWholeFile does.
void WriteJsonMap(const Document& document, const std::string& path);

}  // namespace subhost
