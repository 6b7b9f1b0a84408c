// Map documents in every form the host reads and writes, picked by the file's name: a name
// ending in .svg is an SVG map (svgform.h), .svgz a gzip-compressed one (either is inflated where
// its bytes are gzip's), anything else JSON (jsonform.h). The forms depend on this file, never the
// other way round.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "subhost/document/document.h"
#include "subhost/sjis.h"

namespace subhost {

// A map that cannot be read or written; the message names the file and what is wrong: for a
// malformed JSON map the JSON path of the offending value ("$.layers[0].art[2].text"), for an
// SVG map the line and the column.
// Control characters a message quotes from a map (a NUL, which would end it where it is printed;
// a line break) are shown as \xNN, \n and \r.
class MapError : public std::runtime_error {
  public:
    explicit MapError(const std::string& what) : std::runtime_error(Visible(what)) {}
    explicit MapError(const char* what) : MapError(std::string(what)) {}

  private:
    // Inline, as WritableText: the fuzzers build the map forms without this file's .cpp.
    static std::string Visible(const std::string& what) {
        std::string shown;
        for (const char c : what) {
            if (c == '\n' || c == '\r') {
                shown += c == '\n' ? "\\n" : "\\r";
            } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                shown += hex;
            } else {
                shown += c;
            }
        }
        return shown;
    }
};

// SJIS, a text of a document (a text's characters, a title, a name, a tag), as a map file writes
// it: UTF-8. Throws MapError naming the text where a byte of it is not Shift-JIS (a character cut
// short): the form being written cannot hold it, and writing it otherwise would change the text.
inline std::string WritableText(std::string_view sjis) {
    if (std::optional<std::string> utf8 = SjisToUtf8(sjis)) {
        return std::move(*utf8);
    }
    // The first character that does not convert, taken as ShowSjis takes them.
    std::size_t i = 0;
    std::size_t width = 1;
    for (; i < sjis.size(); i += width) {
        const auto lead = static_cast<unsigned char>(sjis[i]);
        const bool doubleByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
        width = doubleByte && i + 1 < sjis.size() ? 2 : 1;
        if (!SjisToUtf8(sjis.substr(i, width))) {
            break;
        }
    }
    std::string bytes;
    for (std::size_t k = i; k < i + width && k < sjis.size(); ++k) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(sjis[k]));
        bytes += (bytes.empty() ? "" : " ") + std::string(hex);
    }
    throw MapError(
        "the text \"" + ShowSjis(sjis) + "\" holds " +
        (width == 1 ? "the byte " + bytes + ", which is" : "the bytes " + bytes + ", which are") +
        " not Shift-JIS (a character cut short?): this form of map cannot hold it, so the map "
        "is not written");
}

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
