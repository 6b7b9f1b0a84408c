#include "trace.h"

#include <cstdarg>
#include <cstdio>

#include "host/win32.h"

void KznTrace(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    _CrtDbgReport(_CRT_WARN, nullptr, 0, nullptr, "%s", text);
}

void KznReportFailedCall(ASErr err, const char* source, int line) {
    const auto code = static_cast<std::uint32_t>(err);
    KznTrace("ASErr:%c%c%c%c\n", static_cast<char>(code >> 24), static_cast<char>(code >> 16),
             static_cast<char>(code >> 8), static_cast<char>(code));
    KznTrace("%s,%d\n", source, line);
    _CrtDbgReport(_CRT_ASSERT, source, line, nullptr, "%s", "NULL");
}
