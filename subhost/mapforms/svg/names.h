// Names in SVG maps: the namespaces Inkscape's files use, attributes found by namespace whatever
// prefix a file gives it, and the escaping of tag names that cannot be XML names.
#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace subhost::svg {

constexpr const char* kInkscapeNs = "http://www.inkscape.org/namespaces/inkscape";
constexpr const char* kSodipodiNs = "http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd";
constexpr const char* kXlinkNs = "http://www.w3.org/1999/xlink";
// The host's tags on art: attributes in this namespace.
constexpr const char* kTagsNs = "urn:x-kzn:tags";

// NAME without its prefix.
std::string_view LocalName(const char* name);

// The namespace PREFIX stands for at NODE ("" for the default namespace).
std::string_view NamespaceOf(pugi::xml_node node, std::string_view prefix);

// The attribute of NODE in namespace NS (null: no namespace) named LOCAL.
pugi::xml_attribute Attr(pugi::xml_node node, const char* ns, std::string_view local);

// The namespace of attribute A of NODE (empty for none).
std::string_view AttrNamespace(pugi::xml_node node, pugi::xml_attribute a);

// Whether NODE is an element named LOCAL (whatever its prefix).
bool IsElement(pugi::xml_node node, std::string_view local);

// Whether NODE is an Inkscape layer (a group in layer mode).
bool IsLayer(pugi::xml_node node);

// Tag names that cannot be XML names are written with each character that cannot stand in one
// as _xHHHH_ (its code point), and "_x" itself as _x005F_x; reading undoes it. Both take and give
// UTF-8. A name holding a character no name may hold (ForbiddenNameChar) is not written: MapError.
std::string TagXmlName(const std::string& utf8);
std::string TagNameOfXml(std::string_view name);

// The first character that the name NAME (an element's or attribute's, as the file writes it)
// holds once read, its _xHHHH_ escapes undone, and that no name may hold: a control character
// (NUL among them), a surrogate, U+FFFE or U+FFFF. None for a name that reads back as written.
std::optional<char32_t> ForbiddenNameChar(std::string_view name);

}  // namespace subhost::svg
