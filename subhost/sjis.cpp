#include "subhost/sjis.h"

#include <cstdio>
#include <vector>

#ifdef _WIN32
#include "host/win32.h"
#else
#include <iconv.h>

#include <cerrno>
#include <map>
#endif

namespace subhost {
namespace {

// Text of bytes below 0x80 only reads the same in Shift-JIS and in UTF-8 (CP932 maps them to the
// same code points), so it needs no converter: most names and numbers of a map are such text.
bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

#ifdef _WIN32

constexpr UINT kShiftJis = 932;

std::optional<std::wstring> Widen(UINT codePage, const char* data, std::size_t size) {
    if (size == 0) {
        return std::wstring();
    }
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, static_cast<int>(size),
                                      nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, static_cast<int>(size), wide.data(),
                        n);
    return wide;
}

std::optional<std::string> Narrow(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) {
        return std::string();
    }
    BOOL lost = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, utf8 ? nullptr : &lost);
    if (n <= 0 || lost) {
        return std::nullopt;
    }
    std::string narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                        n, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> Convert(UINT to, UINT from, const char* data, std::size_t size) {
    const std::optional<std::wstring> wide = Widen(from, data, size);
    if (!wide) {
        return std::nullopt;
    }
    return Narrow(to, *wide);
}

#else

// The converters of this thread, one per pair of encodings, opened when first needed (opening
// one costs more than converting a label) and closed when the thread ends.
class Converters {
  public:
    Converters() = default;
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;
    ~Converters() {
        for (const auto& [key, cd] : open_) {
            iconv_close(cd);
        }
    }

    // The converter from FROM to TO in its initial state, or (iconv_t)-1.
    iconv_t Get(const char* to, const char* from) {
        const std::string key = std::string(to) + '\n' + from;
        if (const auto it = open_.find(key); it != open_.end()) {
            iconv(it->second, nullptr, nullptr, nullptr, nullptr);
            return it->second;
        }
        const iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            open_.emplace(key, cd);
        }
        return cd;
    }

  private:
    std::map<std::string, iconv_t> open_;
};

// One conversion through iconv; nullopt on any byte it cannot take.
std::optional<std::string> Convert(const char* to, const char* from, const char* data,
                                   std::size_t size) {
    thread_local Converters converters;
    const iconv_t cd = converters.Get(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::vector<char> in(data, data + size);
    std::string out;
    char* inp = in.data();
    std::size_t inleft = in.size();
    char buffer[1024];
    bool ok = true;
    while (inleft > 0) {
        char* outp = buffer;
        std::size_t outleft = sizeof buffer;
        const std::size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
        const int error = errno;  // before the append, whose allocation may set errno
        out.append(buffer, static_cast<std::size_t>(outp - buffer));
        if (r == static_cast<std::size_t>(-1) && error != E2BIG) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

#endif

}  // namespace

#ifdef _WIN32

std::optional<std::string> SjisToUtf8(std::string_view sjis) {
    if (IsAscii(sjis)) {
        return std::string(sjis);
    }
    return Convert(CP_UTF8, kShiftJis, sjis.data(), sjis.size());
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    return Convert(kShiftJis, CP_UTF8, utf8.data(), utf8.size());
}

std::optional<std::string> Utf16ToSjis(std::u16string_view utf16) {
    return Narrow(kShiftJis, std::wstring(utf16.begin(), utf16.end()));
}

#else

std::optional<std::string> SjisToUtf8(std::string_view sjis) {
    if (IsAscii(sjis)) {
        return std::string(sjis);
    }
    return Convert("UTF-8", "CP932", sjis.data(), sjis.size());
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    return Convert("CP932", "UTF-8", utf8.data(), utf8.size());
}

std::optional<std::string> Utf16ToSjis(std::u16string_view utf16) {
    std::string bytes;
    for (char16_t c : utf16) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return Convert("CP932", "UTF-16LE", bytes.data(), bytes.size());
}

#endif

std::string ShowSjis(std::string_view sjis) {
    if (auto whole = SjisToUtf8(sjis)) {
        return *whole;
    }
    std::string shown;
    std::size_t i = 0;
    while (i < sjis.size()) {
        const auto lead = static_cast<unsigned char>(sjis[i]);
        const bool doubleByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
        const std::size_t width = doubleByte && i + 1 < sjis.size() ? 2 : 1;
        if (auto part = SjisToUtf8(sjis.substr(i, width))) {
            shown += *part;
        } else {
            for (std::size_t k = 0; k < width; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(sjis[i + k]));
                shown += hex;
            }
        }
        i += width;
    }
    return shown;
}

}  // namespace subhost
