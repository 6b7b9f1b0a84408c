// Conversions at the edges of the host: the module and the host keep Shift-JIS (code page 932)
// bytes; files that people read and write are UTF-8, resources are UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "subhost/text.h"

namespace subhost {

// Shift-JIS bytes as UTF-8; nullopt when the bytes are not valid Shift-JIS.
std::optional<std::string> SjisToUtf8(std::string_view sjis);
// UTF-8 as Shift-JIS; nullopt when a character has no Shift-JIS form (or the text is not UTF-8).
std::optional<std::string> Utf8ToSjis(std::string_view utf8);
// UTF-16 (as resources store text) as Shift-JIS; nullopt when a character has no Shift-JIS form.
std::optional<std::string> Utf16ToSjis(std::u16string_view utf16);
// For display: Shift-JIS as UTF-8, with bytes that do not convert shown as \xNN.
std::string ShowSjis(std::string_view sjis);

}  // namespace subhost
