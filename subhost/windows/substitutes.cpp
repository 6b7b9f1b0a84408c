// The Windows calls of the module, served by the current host. On Linux the module's imports of
// these names resolve to the definitions below when it is loaded.
#include "subhost/windows/substitutes.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "subhost/host.h"

namespace subhost {

BOOL Win32Substitutes::FileDialog(OPENFILENAMEA* ofn, bool save) {
    if (ofn == nullptr) {
        return 0;
    }
    FileDialogRequest request;
    request.save = save;
    request.structSize = ofn->lStructSize;
    request.owner = ofn->hwndOwner;
    for (const char* p = ofn->lpstrFilter; p != nullptr && *p != 0; p += std::strlen(p) + 1) {
        request.filters.emplace_back(p);
    }
    request.filterIndex = ofn->nFilterIndex;
    if (ofn->lpstrFile != nullptr && ofn->nMaxFile > 0) {
        request.initialFile.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    }
    request.maxFile = ofn->nMaxFile;
    request.flags = ofn->Flags;
    request.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    request.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
    request.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    fileDialogs_.push_back(request);

    // With no answer queued, the person cancels.
    if (answers_.empty()) {
        return 0;
    }
    const std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    if (!answer) {
        return 0;
    }
    // A file that must exist and does not cannot be picked.
    std::error_code ignored;
    if (!save && (ofn->Flags & OFN_FILEMUSTEXIST) && !std::filesystem::exists(*answer, ignored)) {
        return 0;
    }
    if (ofn->lpstrFile == nullptr || answer->size() + 1 > ofn->nMaxFile) {
        return 0;
    }
    std::memcpy(ofn->lpstrFile, answer->c_str(), answer->size() + 1);
    const std::size_t slash = answer->find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = answer->find_last_of('.');
    ofn->nFileOffset = static_cast<WORD>(name);
    ofn->nFileExtension =
        static_cast<WORD>(dot == std::string::npos || dot < name ? answer->size() : dot + 1);
    return 1;
}

int Win32Substitutes::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    messageBoxes_.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (onMessageBox_) {
        onMessageBox_(messageBoxes_.back());
    }
    return 1;  // IDOK: the person presses OK
}

BOOL SubstituteGetOpenFileName(OPENFILENAMEA* ofn) {
    Host* host = Host::Current();
    return host ? host->win32().FileDialog(ofn, false) : 0;
}

BOOL SubstituteGetSaveFileName(OPENFILENAMEA* ofn) {
    Host* host = Host::Current();
    return host ? host->win32().FileDialog(ofn, true) : 0;
}

int SubstituteMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    Host* host = Host::Current();
    return host ? host->win32().ShowMessageBox(owner, text, caption, type) : 0;
}

void SubstituteDebugOutput(const char* text) {
    Host* host = Host::Current();
    if (host == nullptr || text == nullptr) {
        return;
    }
    try {
        host->trace().Write(text);
    } catch (...) {
        // The debugger's output never fails.
    }
}

void SubstituteAssertionReport(const char* file, int line, const char* expression) {
    Host* host = Host::Current();
    if (host == nullptr) {
        return;
    }
    try {
        host->assertions().push_back({file ? file : "", line, expression ? expression : ""});
    } catch (...) {
        // The debug report never fails.
    }
}

}  // namespace subhost
