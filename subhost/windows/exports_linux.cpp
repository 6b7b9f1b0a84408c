// On Linux the module's imports of the Windows calls resolve, when it is loaded, to these
// definitions: this library is loaded with the process, so its symbols are in the global scope.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "subhost/host.h"
#include "subhost/windows/substitutes.h"

extern "C" {

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
    return subhost::SubstituteGetOpenFileName(ofn);
}

BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) {
    return subhost::SubstituteGetSaveFileName(ofn);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return subhost::SubstituteMessageBox(owner, text, caption, type);
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    return subhost::SubstituteMoveFileEx(existing, newName, flags);
}

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
    return subhost::SubstituteGetTempFileName(pathName, prefix, unique, tempFileName);
}

int _CrtDbgReport(int reportType, const char* filename, int linenumber, const char*,
                  const char* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    // What the host does with the module's debug output is the host's work, as a suite call is.
    subhost::Host* host = subhost::Host::Current();
    if (host != nullptr) {
        host->BeginServing();
    }
    struct End {
        subhost::Host* host;
        ~End() {
            if (host != nullptr) {
                host->EndServing();
            }
        }
    } end{host};
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    va_end(args);
    // Warnings go to the debugger's output; the runtime reports errors and assertions alike.
    if (reportType == subhost::kDebugReportWarn) {
        subhost::SubstituteDebugOutput(text.c_str());
    } else {
        subhost::SubstituteAssertionReport(filename, linenumber, text.c_str());
    }
    return 0;  // do not break into a debugger
}

}  // extern "C"

namespace subhost {

void RedirectWindowsCalls(void*) {}

}  // namespace subhost
