// The host's side of the Windows calls the module makes (file dialogs, message boxes, the debug
// report): what was asked, and the answers a test or a session has queued.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/win32.h"
#include "subhost/values.h"

namespace subhost {

// A file dialog as the module asked for it: the fields of its OPENFILENAMEA record.
struct FileDialogRequest {
    bool save = false;
    DWORD structSize = 0;
    HWND owner = nullptr;
    std::vector<std::string> filters;  // description, pattern, description, pattern, ...
    DWORD filterIndex = 0;
    std::string initialFile;  // what the file buffer held
    DWORD maxFile = 0;
    DWORD flags = 0;
    std::string defaultExtension;
    std::string title;
    std::string initialDir;
};

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;     // Shift-JIS
    std::string caption;  // Shift-JIS
    UINT type = 0;
};

class Win32Substitutes {
  public:
    // The answer to the next file dialog: a path (Shift-JIS) to pick, or nullopt to cancel.
    void QueueFileAnswer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
    std::size_t queuedFileAnswers() const { return answers_.size(); }
    const std::vector<FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
    const std::vector<MessageBoxRecord>& messageBoxes() const { return messageBoxes_; }
    // Called for every message box as it is shown.
    void OnMessageBox(std::function<void(const MessageBoxRecord&)> observer) {
        onMessageBox_ = std::move(observer);
    }

    // Called with what a person would see a file dialog tell them and the module does not: a
    // path that cannot be picked (missing where it must exist, a folder, a pipe, a device, a
    // table file larger than kTableBound), a table file that is not in the table files'
    // encoding.
    void OnWarning(std::function<void(const std::string&)> observer) {
        onWarning_ = std::move(observer);
    }

    // A file a save dialog may not be answered with (WHAT the command does with it: "the map
    // --doc names"): a person's command does not save a table over its own map, script, module or
    // program. Such an answer is refused with a warning, the dialog cancelled.
    void KeepFromSaves(const std::string& path, const std::string& what);

    // Called when a file dialog opens with no answer queued, before it is cancelled for that:
    // the observer may queue the answer (a host that asks a person for it, and waits).
    void OnUnansweredFileDialog(std::function<void(const FileDialogRequest&)> observer) {
        onUnanswered_ = std::move(observer);
    }

    // Called by the substitutes.
    BOOL FileDialog(OPENFILENAMEA* ofn, bool save);
    int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

  private:
    std::deque<std::optional<std::string>> answers_;
    std::map<std::string, std::string> keptFromSaves_;  // FileKey -> what it is
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::function<void(const MessageBoxRecord&)> onMessageBox_;
    std::function<void(const std::string&)> onWarning_;
    std::function<void(const FileDialogRequest&)> onUnanswered_;

    void Warn(const std::string& text) const {
        if (onWarning_) {
            onWarning_(text);
        }
    }
    void CheckTableFile(const std::string& path) const;
};

// The substitutes of the Windows calls, as the module's imports reach them (on Linux by their
// Windows names, on Windows through the module's patched import table). Each serves the current
// host and does nothing when there is none.
BOOL SubstituteGetOpenFileName(OPENFILENAMEA* ofn);
BOOL SubstituteGetSaveFileName(OPENFILENAMEA* ofn);
int SubstituteMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Renaming a file, as Windows does it: a file of the new name is replaced only with
// MOVEFILE_REPLACE_EXISTING and only when it is not read-only; a folder is never replaced. As
// kznhost writes its own files, a symbolic link of the new name stays and the file it ends at is
// replaced, keeping its mode; a device or a pipe (also at the end of a link) is never replaced.
// The call is recorded as "Windows"/"MoveFileExA" and can be made to fail like a suite call.
BOOL SubstituteMoveFileEx(const char* existing, const char* newName, DWORD flags);
// Making a file of a new name in a folder, as Windows does it with UNIQUE 0: PREFIX (its first
// three characters), four hexadecimal digits and ".tmp", created empty; its path goes to MADE,
// which holds MAX_PATH bytes. Recorded as "Windows"/"GetTempFileNameA" and can be made to fail.
UINT SubstituteGetTempFileName(const char* folder, const char* prefix, UINT unique, char* made);
// The debugger's output: trace text, or an assertion report.
void SubstituteDebugOutput(const char* text);
void SubstituteAssertionReport(const char* file, int line, const char* expression);

// Points the imports of the Windows calls in MODULE (a loaded module's handle) at the
// substitutes. Windows only; elsewhere the dynamic linker does it.
void RedirectWindowsCalls(void* module);

}  // namespace subhost
