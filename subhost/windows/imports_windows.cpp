// On Windows the module calls the real system functions by their imports; the host points those
// imports at its substitutes by patching the module's import address table.
#include <cstdio>
#include <cstring>
#include <string>

#include "subhost/windows/substitutes.h"

namespace subhost {
namespace {

BOOL WINAPI GetOpenFileNameSubstitute(LPOPENFILENAMEA ofn) {
    return SubstituteGetOpenFileName(ofn);
}

BOOL WINAPI GetSaveFileNameSubstitute(LPOPENFILENAMEA ofn) {
    return SubstituteGetSaveFileName(ofn);
}

int WINAPI MessageBoxSubstitute(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return SubstituteMessageBox(owner, text, caption, type);
}

BOOL WINAPI MoveFileExSubstitute(LPCSTR existing, LPCSTR newName, DWORD flags) {
    return SubstituteMoveFileEx(existing, newName, flags);
}

UINT WINAPI GetTempFileNameSubstitute(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR made) {
    return SubstituteGetTempFileName(pathName, prefix, unique, made);
}

// The module writes assertion reports to the debugger's output as "FILE(LINE) : Assertion
// failed: EXPRESSION", the form of the debug runtime's report.
void WINAPI OutputDebugStringSubstitute(LPCSTR text) {
    if (text == nullptr) {
        return;
    }
    const std::string s = text;
    const std::size_t open = s.find('(');
    const std::size_t marker = s.find(") : Assertion failed: ");
    if (open != std::string::npos && marker != std::string::npos && open < marker && !s.empty() &&
        s.back() == '\n') {
        const std::string file = s.substr(0, open);
        const int line = std::atoi(s.substr(open + 1, marker - open - 1).c_str());
        const std::size_t start = marker + std::strlen(") : Assertion failed: ");
        SubstituteAssertionReport(file.c_str(), line,
                                  s.substr(start, s.size() - start - 1).c_str());
        return;
    }
    SubstituteDebugOutput(text);
}

void* SubstituteFor(const char* name) {
    struct Row {
        const char* name;
        void* substitute;
    };
    static const Row kRows[] = {
        {"GetOpenFileNameA", reinterpret_cast<void*>(&GetOpenFileNameSubstitute)},
        {"GetSaveFileNameA", reinterpret_cast<void*>(&GetSaveFileNameSubstitute)},
        {"MessageBoxA", reinterpret_cast<void*>(&MessageBoxSubstitute)},
        {"MoveFileExA", reinterpret_cast<void*>(&MoveFileExSubstitute)},
        {"GetTempFileNameA", reinterpret_cast<void*>(&GetTempFileNameSubstitute)},
        {"OutputDebugStringA", reinterpret_cast<void*>(&OutputDebugStringSubstitute)},
    };
    for (const Row& row : kRows) {
        if (std::strcmp(row.name, name) == 0) {
            return row.substitute;
        }
    }
    return nullptr;
}

}  // namespace

void RedirectWindowsCalls(void* module) {
    auto* base = static_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return;
    }
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        const DWORD lookup =
            library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            void* substitute = SubstituteFor(reinterpret_cast<const char*>(byName->Name));
            if (substitute == nullptr) {
                continue;
            }
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(substitute);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
}

}  // namespace subhost
