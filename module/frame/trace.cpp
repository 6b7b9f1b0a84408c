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
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    _CrtDbgReport(_CRT_WARN, nullptr, 0, nullptr, "%s", text);
#endif
}

void KznReportFailedCall(ASErr err, const char* source, int line) {
    const auto code = static_cast<std::uint32_t>(err);
    KznTrace("ASErr:%c%c%c%c\n", static_cast<char>(code >> 24), static_cast<char>(code >> 16),
             static_cast<char>(code >> 8), static_cast<char>(code));
    KznTrace("%s,%d\n", source, line);
#ifdef _WIN32
    // The release runtime has no assertion report of its own: it goes to the debugger's output
    // in the form the debug runtime gives it.
    char report[512];
    std::snprintf(report, sizeof report, "%s(%d) : Assertion failed: %s\n", source, line, "NULL");
    OutputDebugStringA(report);
#else
    _CrtDbgReport(_CRT_ASSERT, source, line, nullptr, "%s", "NULL");
#endif
}
