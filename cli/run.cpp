#include "run.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "actions.h"
#include "failure.h"
#include "session.h"
#include "subhost/error.h"
#include "subhost/files.h"
#include "subhost/host.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

namespace fs = std::filesystem;

// The file a script line names: a relative path is taken from the script's own folder.
std::string InFolder(const fs::path& folder, const std::string& name) {
    const fs::path path(name);
    return (path.is_absolute() ? path : folder / path).string();
}

// A line that could not be carried out (status 1), or whose output could not be written
// (status 2).
struct Failure {
    int line = 0;
    std::string what;
    int status = 1;
};

class Session {
  public:
    Session(subhost::Host& host, const std::vector<ScriptLine>& lines, fs::path folder,
            std::ostream& err, std::string scriptName)
        : host_(host),
          lines_(lines),
          actor_(host, std::move(folder),
                 [&err, scriptName](const ScriptLine& line, const std::string& warning) {
                     err << "kznhost: warning: " << scriptName << ":" << line.number << ": "
                         << warning << "\n";
                 }) {}

    // Carries out the script; the first line that cannot be carried out ends it.
    std::optional<Failure> Run(std::ostream& err, const std::string& scriptName) {
        while (next_ < lines_.size()) {
            const ScriptLine& line = lines_[next_++];
            current_ = line.number;
            if (line.verb == "file") {
                QueueFile(line);
            } else if (line.verb == "filter") {
                if (auto failure = RunFilter(line, err, scriptName)) {
                    return failure;
                }
            } else {
                return Failure{line.number, "no dialog is open for \"" + line.verb + "\""};
            }
        }
        return std::nullopt;
    }

    // The lines of the file answers no file dialog took: the last ones queued, as the dialogs
    // take them in order.
    std::vector<int> UnusedFileAnswers() const {
        const std::size_t unused = std::min(host_.win32().queuedFileAnswers(), queuedAt_.size());
        return {queuedAt_.end() - static_cast<std::ptrdiff_t>(unused), queuedAt_.end()};
    }

  private:
    void QueueFile(const ScriptLine& line) {
        actor_.QueueFile(line);
        queuedAt_.push_back(line.number);
    }

    std::optional<Failure> RunFilter(const ScriptLine& line, std::ostream& err,
                                     const std::string& scriptName) {
        const std::string& name = line.args[0].text;
        const subhost::FilterRecord* filter = host_.FindFilter(name);
        if (filter == nullptr) {
            return Failure{line.number, "the Filter menu has no command named " + name};
        }
        auto& dialogs = host_.dialogs();
        const std::size_t opened = dialogs.runs().size();
        dialogs.QueueScript([this](subhost::DialogSession& s) { Act(s); });
        host_.RunFilter(filter->handle);
        if (dialogs.runs().size() == opened) {
            dialogs.ClearScripts();
            return Failure{line.number, "the command " + name + " opened no dialog"};
        }
        // A snapshot that could not be written ends the session with exit status 2.
        if (actor_.unwritten()) {
            return Failure{current_, *actor_.unwritten(), 2};
        }
        if (!dialogs.scriptError().empty()) {
            return Failure{current_, dialogs.scriptError()};
        }
        if (dialogs.cancelledOpenDialog()) {
            err << "kznhost: warning: " << scriptName << ": the script ended while the " << name
                << " dialog was open; it was cancelled\n";
        }
        return std::nullopt;
    }

    // Acts in the open dialog until it closes or the script ends.
    void Act(subhost::DialogSession& s) {
        while (s.open() && next_ < lines_.size()) {
            const ScriptLine& line = lines_[next_++];
            current_ = line.number;
            if (line.verb == "file") {
                QueueFile(line);
            } else {
                actor_.Act(s, line);
            }
        }
    }

    subhost::Host& host_;
    const std::vector<ScriptLine>& lines_;
    Actor actor_;
    std::size_t next_ = 0;
    int current_ = 0;
    std::vector<int> queuedAt_;  // the line of each file answer queued
};

// A file a run reads or writes, and what the person named it by.
struct FileUse {
    std::string path;
    std::string role;  // "--doc", "the snapshot of session.txt:4"
};

// Why the run would write over one of its own files: an output that is the same file as an
// input, or as another output, which would be lost. --out may name the map of --doc (the map is
// read whole before it is replaced, and the new one is written whole or not at all). Outputs
// that are devices or pipes are written into, not replaced, and may be shared (/dev/null).
std::optional<std::string> Collision(const RunOptions& options,
                                     const std::vector<ScriptLine>& script) {
    const fs::path folder = fs::path(options.script).parent_path();
    std::vector<FileUse> inputs{
        {options.plugin, "--plugin"}, {options.doc, "--doc"}, {options.script, "--script"}};
    std::vector<FileUse> outputs;
    if (!options.out.empty()) {
        outputs.push_back({options.out, "--out"});
    }
    if (!options.trace.empty()) {
        outputs.push_back({options.trace, "--trace"});
    }
    for (const ScriptLine& line : script) {
        const std::string where = options.script + ":" + std::to_string(line.number);
        if (line.verb == "file" && line.args[0].quoted) {
            // A table file the session opens (or saves).
            inputs.push_back({InFolder(folder, line.args[0].text), "the table file of " + where});
        } else if (line.verb == "snapshot") {
            outputs.push_back({InFolder(folder, line.args[0].text), "the snapshot of " + where});
        }
    }
    std::map<std::string, const FileUse*> read;
    for (const FileUse& input : inputs) {
        read.emplace(subhost::FileKey(input.path), &input);
    }
    std::map<std::string, const FileUse*> written;
    for (const FileUse& output : outputs) {
        if (!subhost::NotAFile(output.path).empty()) {
            continue;
        }
        const std::string key = subhost::FileKey(output.path);
        const auto over = read.find(key);
        if (over != read.end() && !(output.role == "--out" && over->second->role == "--doc")) {
            return output.path + ": " + output.role + " would write over " + over->second->role;
        }
        const auto [twice, added] = written.emplace(key, &output);
        if (!added) {
            return output.path + ": " + twice->second->role + " and " + output.role +
                   " would write the same file";
        }
    }
    return std::nullopt;
}

// Whether the trace was written; when not, ERR has said why.
bool WriteTrace(subhost::Host& host, const std::string& path, std::ostream& err) {
    std::ostringstream text;
    for (const std::string& line : host.trace().Lines()) {
        text << subhost::ShowSjis(line) << "\n";
    }
    try {
        subhost::WriteWholeFile(path, text.str());
        return true;
    } catch (const subhost::FileError& e) {
        err << "kznhost: " << e.what() << "\n";
        return false;
    }
}

}  // namespace

namespace {

// Carries out the run; DOING says what it is doing, for a failure it cannot say itself.
int CarryOut(const RunOptions& options, std::ostream& err, std::string& doing) {
    std::unique_ptr<subhost::PluginModule> module;
    subhost::LoadedMap map;
    std::vector<ScriptLine> script;
    try {
        doing = "reading the session script " + options.script;
        script = ReadScript(options.script);
        // Before anything runs: a file written over is lost whatever the run then does.
        if (const std::optional<std::string> collision = Collision(options, script)) {
            err << "kznhost: " << *collision << "\n";
            return 2;
        }
        doing = "loading the module " + options.plugin;
        module = subhost::PluginModule::Load(options.plugin);
        doing = "reading the map " + options.doc;
        map = subhost::LoadMap(options.doc);
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, doing) << "\n";
        return 2;
    }
    doing = "carrying out the session script " + options.script;

    subhost::Host host(std::move(module));
    host.KeepCalls(0);  // a session of any length: its calls are counted, not recorded
    host.trace().Keep(!options.trace.empty());
    host.SetDocument(std::move(map.document));
    host.win32().OnMessageBox([&err](const subhost::MessageBoxRecord& box) {
        err << "message: " << subhost::ShowSjis(box.caption) << ": " << subhost::ShowSjis(box.text)
            << "\n";
    });
    host.win32().OnWarning(
        [&err](const std::string& text) { err << "kznhost: warning: " << text << "\n"; });
    // A table is never saved over what the run reads, runs or writes.
    for (const auto& [path, what] : std::initializer_list<std::pair<std::string, const char*>>{
             {options.doc, "the map --doc names"},
             {options.script, "the session script"},
             {options.plugin, "the plug-in module"},
             {subhost::RunningProgram(), "kznhost itself"},
             {options.out, "the map --out names"},
             {options.trace, "the trace file"}}) {
        host.win32().KeepFromSaves(path, what);
    }

    host.Startup();
    Session session(host, script, fs::path(options.script).parent_path(), err, options.script);
    const std::optional<Failure> failure = session.Run(err, options.script);
    host.Shutdown();
    // What the host refused to do to the map (art with numbers it cannot hold, say) changes what
    // the map shows, and the module says nothing of it. (A Windows call the host fails is an
    // answer the module gives its own message for.)
    for (const std::string& refused : host.errors()) {
        if (!refused.starts_with("Windows/")) {
            err << "kznhost: warning: the host refused the module's call " << refused << "\n";
        }
    }

    doing = "writing the trace " + options.trace;
    const bool traced = options.trace.empty() || WriteTrace(host, options.trace, err);
    if (failure) {
        err << "kznhost: " << options.script << ":" << failure->line << ": " << failure->what
            << "\n";
        return failure->status;
    }
    if (!traced) {
        return 2;
    }
    if (!options.out.empty()) {
        doing = "writing the map " + options.out;
        try {
            // The map read keeps what the commands did not change as it stood in the file.
            subhost::WriteMap(host.document(), options.out, map.source.get());
        } catch (const std::exception& e) {
            err << "kznhost: " << Said(e, doing) << "\n";
            return 2;
        }
    }
    for (const int line : session.UnusedFileAnswers()) {
        err << "kznhost: warning: " << options.script << ":" << line
            << ": no file dialog took this answer\n";
    }
    return 0;
}

}  // namespace

int RunSession(const RunOptions& options, std::ostream& err) {
    std::string doing = "starting the run";
    try {
        return CarryOut(options, err, doing);
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, doing) << "\n";
        return 2;
    }
}

}  // namespace kznhost
