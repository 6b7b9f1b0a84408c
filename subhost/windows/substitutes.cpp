// The Windows calls of the module, served by the current host. On Linux the module's imports of
// these names resolve to the definitions below when it is loaded.
#include "subhost/windows/substitutes.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "subhost/files.h"
#include "subhost/host.h"
#include "subhost/sjis.h"

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

    if (answers_.empty() && onUnanswered_) {
        onUnanswered_(fileDialogs_.back());
    }
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
    if (!save && (ofn->Flags & kFileMustExistFlag) && !std::filesystem::exists(*answer, ignored)) {
        Warn(*answer + ": no such file; the file dialog was cancelled");
        return 0;
    }
    // A person's file dialog goes into a folder rather than picking it, and shows no pipe or
    // device: the module, which reads a table to its end, would wait on one or never finish.
    if (const std::string kind = NotAFile(*answer); !kind.empty()) {
        Warn(*answer + ": is " + kind + ", not a file; the file dialog was cancelled");
        return 0;
    }
    if (save) {
        if (const auto kept = keptFromSaves_.find(FileKey(*answer)); kept != keptFromSaves_.end()) {
            Warn(*answer + ": is " + kept->second +
                 ", which no table is saved over; the file dialog was cancelled");
            return 0;
        }
    } else {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(*answer, error);
        if (!error && size > kTableBound.bytes) {
            Warn(TooLarge(*answer, kTableBound) + "; the file dialog was cancelled");
            return 0;
        }
        CheckTableFile(*answer);
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

void Win32Substitutes::KeepFromSaves(const std::string& path, const std::string& what) {
    if (!path.empty()) {
        keptFromSaves_.emplace(FileKey(path), what);
    }
}

// A table file holds Shift-JIS text. One that is valid UTF-8 with characters beyond ASCII was
// most likely saved in the wrong encoding: the module would read its forms as garbage.
void Win32Substitutes::CheckTableFile(const std::string& path) const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(1 << 20, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    // A character cut at the end of what was read is no fault of the file.
    while (!head.empty() && (static_cast<unsigned char>(head.back()) & 0x80) != 0 &&
           static_cast<std::size_t>(in.gcount()) == (1U << 20)) {
        head.pop_back();
    }
    // Japanese characters take three bytes in UTF-8, and a Shift-JIS text of them is practically
    // never valid UTF-8; half-width katakana pairs can be, and take two, so they do not count.
    const bool wide = std::any_of(head.begin(), head.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xF0) == 0xE0;
    });
    if (IsUtf8(head) && (wide || !SjisToUtf8(head))) {
        Warn(path + ": looks like UTF-8; table files are Shift-JIS");
    }
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

namespace {

// Carries out the renaming; the reason when it cannot be done.
std::optional<std::string> RenameFile(const char* existing, const char* newName, DWORD flags) {
#ifdef _WIN32
    // Found in the system's library each time, not through this program's import table: when the
    // module's code is linked into the program, that table's entry is this substitute's.
    using MoveFileExProc = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const auto moveFileEx = reinterpret_cast<MoveFileExProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "MoveFileExA")));
    if (moveFileEx == nullptr) {
        return "MoveFileExA not found in kernel32.dll";
    }
    if (moveFileEx(existing, newName, flags) == 0) {
        return "error " + std::to_string(::GetLastError());
    }
    return std::nullopt;
#else
    struct stat info {};
    const bool named = ::lstat(newName, &info) == 0;
    // A symbolic link stays: the file it ends at is replaced, as kznhost writes its own files.
    std::string target;
    try {
        target = FinalTarget(newName);
    } catch (const FileError& e) {
        return std::string(e.what());
    }
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return std::string(newName) + " is a folder";
        }
        // A device or a pipe is written to, never replaced by a file.
        if (!S_ISREG(info.st_mode)) {
            return std::string(newName) + " is not a regular file";
        }
        if ((flags & kMoveReplaceExistingFlag) == 0) {
            return std::string(newName) + " exists";
        }
        // What Windows takes for a read-only file: no one may write it.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return std::string(newName) + " is read-only";
        }
        // The file keeps who may read it (a private table stays private).
        ::chmod(existing, info.st_mode & 07777);
    } else if (named && (flags & MOVEFILE_REPLACE_EXISTING) == 0) {
        return std::string(newName) + " exists";  // a link to no file is a file of the name
    }
    if (std::rename(existing, target.c_str()) != 0) {
        return std::strerror(errno);
    }
    return std::nullopt;
#endif
}

}  // namespace

BOOL SubstituteMoveFileEx(const char* existing, const char* newName, DWORD flags) {
    Host* host = Host::Current();
    if (host == nullptr || existing == nullptr || newName == nullptr) {
        return 0;
    }
    try {
        if (host->Enter("Windows", "MoveFileExA")) {
            return 0;
        }
        if (const std::optional<std::string> why = RenameFile(existing, newName, flags)) {
            host->NoteError("Windows", "MoveFileExA", *why);
            return 0;
        }
        return 1;
    } catch (...) {
        return 0;  // the host ran out of memory recording the call
    }
}

namespace {

// Makes the file; its number, or the reason when none could be made.
std::variant<UINT, std::string> MakeTempFile(const char* folder, const char* prefix, char* made) {
#ifdef _WIN32
    // The system's own, found as the rename is.
    using GetTempFileNameProc = UINT(WINAPI*)(LPCSTR, LPCSTR, UINT, LPSTR);
    const auto getTempFileName = reinterpret_cast<GetTempFileNameProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTempFileNameA")));
    if (getTempFileName == nullptr) {
        return std::string("GetTempFileNameA not found in kernel32.dll");
    }
    const UINT number = getTempFileName(folder, prefix, 0, made);
    if (number == 0) {
        return "error " + std::to_string(::GetLastError());
    }
    return number;
#else
    std::string base = folder;
    if (!base.empty() && base.back() != '/' && base.back() != '\\') {
        base += '/';
    }
    base.append(prefix, strnlen(prefix, 3));
    // Windows starts from the clock and counts up past names that are taken.
    const auto start = static_cast<UINT>(std::time(nullptr)) + static_cast<UINT>(::getpid());
    for (UINT i = 0; i < 0x10000; ++i) {
        const UINT number = ((start + i) & 0xFFFF) == 0 ? 1 : ((start + i) & 0xFFFF);
        char name[16];
        std::snprintf(name, sizeof name, "%04X.tmp", number);
        const std::string path = base + name;
        if (path.size() >= MAX_PATH) {
            return path + ": the name is too long";
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            std::memcpy(made, path.c_str(), path.size() + 1);
            return number;
        }
        if (errno != EEXIST) {
            return path + ": " + std::strerror(errno);
        }
    }
    return std::string(folder) + ": every name is taken";
#endif
}

}  // namespace

UINT SubstituteGetTempFileName(const char* folder, const char* prefix, UINT unique, char* made) {
    Host* host = Host::Current();
    if (host == nullptr || folder == nullptr || prefix == nullptr || made == nullptr) {
        return 0;
    }
    try {
        if (host->Enter("Windows", "GetTempFileNameA")) {
            return 0;
        }
        if (unique != 0) {
            host->NoteError("Windows", "GetTempFileNameA", "only new names are made (unique 0)");
            return 0;
        }
        const auto result = MakeTempFile(folder, prefix, made);
        if (const auto* why = std::get_if<std::string>(&result)) {
            host->NoteError("Windows", "GetTempFileNameA", *why);
            return 0;
        }
        return std::get<UINT>(result);
    } catch (...) {
        return 0;  // the host ran out of memory recording the call
    }
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
