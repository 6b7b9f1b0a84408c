// Map documents in their SVG form, read with Inkscape's conventions (docs/svg.md has every rule).
// The file's own bytes are kept beside the document, so that writing it back changes only what
// the commands changed.
#pragma once

#include <memory>
#include <string>

#include "subhost/mapforms/mapforms.h"

namespace subhost {

// Reads SVG BYTES (UTF-8) of the file NAME. SOURCE, when given, gets what writing the map back
// needs. Throws MapError naming the file, the line and the column.
std::unique_ptr<Document> ParseSvgMap(const std::string& bytes, const std::string& name,
                                      std::shared_ptr<const MapSource>* source = nullptr);

// The SVG of DOCUMENT: the bytes SOURCE kept wherever nothing changed, or, without a source read
// from an SVG map, a file of its own.
std::string FormatSvgMap(const Document& document, const MapSource* source);

// gzip, as .svgz files hold SVG. Inflating reads every member, one after another as gzip -d
// does, and refuses (MapError naming NAME) data that is not gzip or that grows beyond BOUND bytes
// in all; deflating throws MapError (naming no file) where zlib fails.
std::string Gunzip(const std::string& bytes, const std::string& name, std::uint64_t bound);
// Whether BYTES begin as gzip data does (its magic bytes 1F 8B).
inline bool IsGzip(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == '\x1F' && bytes[1] == '\x8B';
}
std::string Gzip(const std::string& bytes);

}  // namespace subhost
