#include "subhost/error.h"

#include <cstdint>

namespace subhost {

std::string CodeName(ASErr code) {
    const auto value = static_cast<std::uint32_t>(code);
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((value >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            return std::to_string(code);
        }
        name += c;
    }
    return name;
}

}  // namespace subhost
