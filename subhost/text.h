// Text helpers that the host's file forms share: UTF-8 as bytes and code points, and numbers in
// the fewest digits that read back the same. (sjis.h converts between the host's Shift-JIS and
// the UTF-8 and UTF-16 of the world outside.)
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace subhost {

// Where the first byte of BYTES stands that does not begin or continue a UTF-8 character (an
// overlong form, a surrogate or a code point past U+10FFFF included), or npos.
std::size_t NotUtf8At(std::string_view bytes);
// Whether TEXT is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsUtf8(std::string_view text);

// The code points of UTF-8 text (well-formed: NotUtf8At finds nothing in it).
std::vector<char32_t> CodePoints(std::string_view utf8);
// The UTF-8 bytes of code point C.
std::string Utf8Of(char32_t c);

// V in the fewest digits that read back as V ("0.1", "1e+21"); -0 is "-0". The JSON and SVG
// forms write their numbers so.
std::string ShortestNumber(double v);

}  // namespace subhost
