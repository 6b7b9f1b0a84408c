// The system calls of the module's table reader, for a fuzzer that runs it alone: no file dialog
// is ever answered, a message box is answered with OK, no file is made or renamed, and the debug
// output goes nowhere.
#include "host/win32.h"

extern "C" {
BOOL GetOpenFileNameA(OPENFILENAMEA*) {
    return 0;
}
BOOL GetSaveFileNameA(OPENFILENAMEA*) {
    return 0;
}
int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) {
    return 1;
}
BOOL MoveFileExA(LPCSTR, LPCSTR, DWORD) {
    return 0;
}
UINT GetTempFileNameA(LPCSTR, LPCSTR, UINT, LPSTR) {
    return 0;
}
int _CrtDbgReport(int, const char*, int, const char*, const char*, ...) {
    return 0;
}
}
