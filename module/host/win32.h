// The Windows calls the plug-in makes, by their Windows names and structures. On Windows this is
// the platform's own header; elsewhere the same declarations are resolved, when the module is
// loaded, against the host process that runs it.
#pragma once

#ifdef _WIN32

// windows.h comes first, in a block of its own.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commdlg.h>

#else

#include <cstdint>

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
using BOOL = int;
using LPARAM = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using HWND = struct KznOpaqueWindow*;
using HINSTANCE = struct KznOpaqueInstance*;
using LPOFNHOOKPROC = UINT (*)(HWND, UINT, std::uintptr_t, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
};

// The record's size as 32-bit Windows counts it (the form without the later extension fields).
constexpr DWORD OPENFILENAME_SIZE_VERSION_400A = 76;

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
constexpr DWORD MAX_PATH = 260;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONWARNING = 0x00000030;

constexpr int _CRT_WARN = 0;
constexpr int _CRT_ERROR = 1;
constexpr int _CRT_ASSERT = 2;

extern "C" {
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// Renames EXISTING to NEWNAME; with MOVEFILE_REPLACE_EXISTING a file of that name is replaced in
// one step. Nonzero when it was done.
BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags);
// Makes a file of a new name in the folder PATHNAME (PREFIX, four hexadecimal digits, ".tmp"),
// writes its path (at most MAX_PATH bytes and a terminator) to TEMPFILENAME and returns the
// number in its name; 0 when none could be made. UNIQUE 0 asks for a name no file has.
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);
// The runtime's debug report: _CRT_WARN text goes to the debugger's output, _CRT_ASSERT raises an
// assertion report for FILENAME and LINENUMBER.
int _CrtDbgReport(int reportType, const char* filename, int linenumber, const char* moduleName,
                  const char* format, ...);
}

#endif
