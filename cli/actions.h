// Carrying out session lines in the plug-in's dialogs: what kznhost run and kznhost serve share,
// so that a line does the same whichever of them carries it out.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "session.h"
#include "subhost/dialogs/dialogs.h"
#include "subhost/host.h"

namespace kznhost {

class Actor {
  public:
    // FOLDER: where the relative paths of file and snapshot lines are taken from. WARN is told
    // what a person would be warned of (a typed text longer than the plug-in keeps).
    Actor(subhost::Host& host, std::filesystem::path folder,
          std::function<void(const ScriptLine&, const std::string&)> warn)
        : host_(host), folder_(std::move(folder)), warn_(std::move(warn)) {}

    // The file a line names: a relative path is taken from the folder.
    std::string InFolder(const std::string& name) const;

    // The files of the folder are named in code page 932 (as the page keeps the tables sent to
    // it): a file line's name is handed to the plug-in so, as Windows would hand it.
    void NameFilesInCodePage932() { codePage932_ = true; }

    // A file line: how the person will answer the next file dialog.
    void QueueFile(const ScriptLine& line);

    // A line in the open dialog (any but filter and file). Throws subhost::ActionError when a
    // person could not do it; a snapshot that cannot be written also sets unwritten().
    void Act(subhost::DialogSession& s, const ScriptLine& line);

    // LINE as the plug-in takes it: a type line whose text is longer than the plug-in keeps, cut
    // to what it keeps (WARN told of it as Act tells it); null for any other line. Act types the
    // whole text, as a person would, and the plug-in keeps its start; the page keeps the start
    // alone.
    std::optional<ScriptLine> Cut(const ScriptLine& line);

    // Why the last snapshot could not be written, if it could not.
    const std::optional<std::string>& unwritten() const { return unwritten_; }

    // The layer popup of the open dialog.
    static int LayerPopup(const subhost::DialogSession& s);

  private:
    void Snapshot(subhost::DialogSession& s, const std::string& name);
    // Whether the text of type line LINE is longer than the plug-in keeps; WARN is told so.
    bool WarnOfLength(const ScriptLine& line);

    subhost::Host& host_;
    std::filesystem::path folder_;
    std::function<void(const ScriptLine&, const std::string&)> warn_;
    std::optional<std::string> unwritten_;
    bool codePage932_ = false;
};

}  // namespace kznhost
