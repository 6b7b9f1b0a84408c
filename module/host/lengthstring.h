// CLengthString: the host's form of short strings, a length byte followed by up to 255 bytes.
#pragma once

#include <cstddef>

class CLengthString {
  public:
    CLengthString() { bytes_[0] = 0; }
    explicit CLengthString(const char* text) { Assign(text); }

    // Copies at most 255 bytes of a zero-terminated text; the length byte counts what was copied.
    CLengthString& operator=(const char* text) {
        Assign(text);
        return *this;
    }

    // Address of the length byte: what the host takes.
    unsigned char* Pascal() { return bytes_; }
    const unsigned char* Pascal() const { return bytes_; }

    // Zero-terminated view of the characters (a terminator is written behind the last one).
    const char* Text() {
        bytes_[1 + bytes_[0]] = 0;
        return reinterpret_cast<const char*>(bytes_ + 1);
    }

    std::size_t Length() const { return bytes_[0]; }

  private:
    void Assign(const char* text) {
        std::size_t n = 0;
        while (text != nullptr && n < 255 && text[n] != 0) {
            bytes_[1 + n] = static_cast<unsigned char>(text[n]);
            ++n;
        }
        bytes_[0] = static_cast<unsigned char>(n);
    }

    // One more byte than the host's 256 so that the zero-terminated view always has room.
    unsigned char bytes_[257];
};
