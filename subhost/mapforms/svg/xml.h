// SVG maps as XML bytes. pugixml parses a map's XML and tells where each element starts; the
// writer (writer.h) keeps the bytes of everything no command changed, so it needs to know where
// an element ends too, which pugixml does not say: ElementEnd finds it by scanning the bytes. The
// DOCTYPE's internal entities are expanded before parsing (pugixml leaves references to them as
// they are), so that the text pugixml parses, and whose offsets the writer uses, is that
// expanded text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace subhost::svg {

// Something wrong at an offset of the parsed text; the entry points turn it into a MapError
// naming the line and the column.
struct SvgFault {
    std::size_t offset;
    std::string what;
};

// "line L, column C" of OFFSET in TEXT.
std::string LineColumn(const std::string& text, std::size_t offset);

// Whether S holds only XML's blanks.
bool IsBlank(std::string_view s);

// Where the markup construct starting at AT ends (one past its last byte), for tags with quoted
// attribute values, comments, CDATA sections and processing instructions.
std::size_t SkipMarkup(const std::string& text, std::size_t at);

// One past the end of the element whose start tag begins at BEGIN (a well-formed document).
std::size_t ElementEnd(const std::string& text, std::size_t begin);

// How deep elements may nest: libxml2's bound without its "huge" option, below what librsvg
// (whose parser is libxml2) draws without running out of stack. A map goes no deeper, counting
// what a <use> or a url(#id) reference draws where it draws it.
constexpr int kMaxElementDepth = 256;

// Throws SvgFault at the first character of BYTES that XML does not allow (a control character
// other than tab, line feed and carriage return, U+FFFE, U+FFFF). BYTES are UTF-8.
void CheckCharacters(const std::string& bytes);

// TEXT with the references to the internal entities its DOCTYPE declares expanded. Throws
// SvgFault for a reference to an external entity (which is never read), an entity that refers to
// itself, or an expansion past a bound no map needs (an entity bomb); and, as XML does, for a
// reference to an entity neither XML nor the DOCTYPE declares, a character reference to what XML
// does not allow as a character (&#0;, a surrogate, past U+10FFFF), and an & that begins no
// reference.
std::string ExpandEntities(const std::string& text);

// TEXT as XML character data, or as an attribute value (ATTRIBUTE: quotes and blanks escaped).
std::string Escape(std::string_view text, bool attribute);

}  // namespace subhost::svg
