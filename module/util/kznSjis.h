// Walking Shift-JIS text by characters: a byte in 0x81-0x9F or 0xE0-0xFC leads a two-byte
// character.
#pragma once

#include <cstddef>

inline bool IsSjisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Bytes of the character that starts at TEXT[AT] (1 or 2; 1 for a lead byte with nothing
// after it).
inline std::size_t SjisCharLength(const char* text, std::size_t at, std::size_t length) {
    return IsSjisLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < length ? 2 : 1;
}

// The longest prefix of TEXT (LENGTH bytes) of at most LIMIT bytes that does not end inside a
// character.
inline std::size_t SjisCutLength(const char* text, std::size_t length, std::size_t limit) {
    std::size_t at = 0;
    while (at < length) {
        const std::size_t next = at + SjisCharLength(text, at, length);
        if (next > limit) {
            break;
        }
        at = next;
    }
    return at;
}

// The length of TEXT (LENGTH bytes, cut by bytes from something longer) without the first half
// of a character whose second half was cut away.
inline std::size_t SjisWholeLength(const char* text, std::size_t length) {
    std::size_t at = 0;
    while (at < length) {
        if (IsSjisLeadByte(static_cast<unsigned char>(text[at])) && at + 1 == length) {
            return at;
        }
        at += SjisCharLength(text, at, length);
    }
    return at;
}
