// Map documents in their JSON form: UTF-8 text outside, Shift-JIS inside the host.
// (mapforms.h reads and writes a map in the form its file name gives.)
#pragma once

#include <memory>
#include <string>

#include "subhost/document/document.h"
#include "subhost/mapforms/mapforms.h"

namespace subhost {

// A map nested deeper than kMaxArtDepth (document.h) is refused.

// Reads JSON, the text of a map named NAME (in messages). Throws MapError naming NAME and the
// JSON path of what is wrong.
std::unique_ptr<Document> ParseJsonMap(const std::string& json, const std::string& name);

// The JSON text of DOCUMENT. Throws MapError (naming no file) for a map it cannot write.
std::string FormatJsonMap(const Document& document);

}  // namespace subhost
