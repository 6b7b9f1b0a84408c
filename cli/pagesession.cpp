#include "pagesession.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <set>

#include "actions.h"
#include "failure.h"
#include "pagethread.h"
#include "pageundo.h"
#include "pageview.h"
#include "session.h"
#include "subhost/error.h"
#include "subhost/files.h"
#include "subhost/host.h"
#include "subhost/loader/module.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A file name the page may give an uploaded table: a plain name, no path, that a file line can
// name.
bool PlainName(const std::string& name) {
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    return !name.empty() && name.size() <= 200 && name.front() != '.' && !control &&
           name.find_first_of("/\\:") == std::string::npos && subhost::IsUtf8(name);
}
constexpr const char* kPlainName =
    "a table's name is a plain file name: UTF-8, at most 200 bytes, no folder, no control "
    "characters, not beginning with a dot";

// The name of a file of the session's folder as the plug-in reads it: in code page 932, as
// Windows hands names to it. Empty when the name has no Shift-JIS form.
std::string Cp932Name(const std::string& utf8) {
    return subhost::Utf8ToSjis(utf8).value_or("");
}
std::string NoCp932Name(const std::string& name) {
    return name +
           ": the plug-in reads file names in code page 932 (Shift-JIS), which has no form for "
           "some character of this name; rename the file";
}

// What the page calls a Filter command: its menu title without the access key or the number.
std::string StepName(const std::string& title) {
    std::string name;
    for (std::size_t i = 0; i < title.size(); ++i) {
        if (title[i] == '&' && i + 1 < title.size()) {
            ++i;
        }
        name += title[i];
    }
    if (name.size() > 2 && name[0] >= '0' && name[0] <= '9' && name[1] == ')') {
        name.erase(0, name.find_first_not_of(' ', 2));
    }
    return name;
}

// A folder of the session's own (the tables sent, the maps Undo brings back), removed with
// everything in it when the session ends, or when it cannot start.
class OwnFolder {
  public:
    OwnFolder() {
        std::random_device random;
        for (;;) {
            const fs::path candidate =
                fs::temp_directory_path() / ("kznhost-serve-" + std::to_string(random()));
            if (fs::create_directory(candidate)) {
                fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace);
                path_ = candidate;
                return;
            }
        }
    }
    ~OwnFolder() { Remove(); }
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;

    void Remove() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// OPTIONS, once it is known that Save could write --out; otherwise throws, telling why before
// the person works: the module's own file, a folder, a folder that does not exist.
const ServeOptions& Checked(const ServeOptions& options) {
    if (options.out.empty()) {
        return options;
    }
    const std::string& out = options.out;
    if (subhost::FileKey(out) == subhost::FileKey(options.plugin)) {
        throw std::runtime_error(out + ": --out would write over --plugin");
    }
    if (const std::string what = subhost::NotAFile(out); what == "a folder") {
        throw std::runtime_error(out + ": --out is a folder");
    }
    const fs::path folder = fs::path(subhost::FinalTarget(out)).parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        throw std::runtime_error(out + ": --out names a folder that does not exist");
    }
    return options;
}

}  // namespace

// The session on the module's thread, which the requests are handed to (pagethread.h). A session
// line's answer is given when the module waits again: for the next action in its dialog, for a
// file dialog's answer, or for the next command.
class PageSession::Worker {
  public:
    explicit Worker(const ServeOptions& options)
        : options_(Checked(options)),
          folder_(own_.path()),
          host_(subhost::PluginModule::Load(options.plugin)),
          actor_(host_, folder_,
                 [this](const ScriptLine&, const std::string& warning) {
                     warnings_.push_back(warning);
                 }),
          undo_(folder_),
          mapName_(fs::path(options.map).filename().string()) {
        subhost::LoadedMap map = subhost::LoadMap(options.map);
        source_ = map.source;
        actor_.NameFilesInCodePage932();
        out_ = options_.out;
        // The map as it was opened, for 最初から.
        opened_ =
            (folder_ / (".opened" + std::string(source_ != nullptr ? ".svg" : ".json"))).string();
        subhost::WriteMap(*map.document, opened_, source_.get());
        host_.KeepCalls(0);
        host_.trace().Keep(false);
        host_.SetDocument(std::move(map.document));
        host_.win32().OnMessageBox([this](const subhost::MessageBoxRecord& box) {
            messages_.push_back({{"caption", Utf8(box.caption)}, {"text", Utf8(box.text)}});
        });
        host_.win32().OnWarning([this](std::string text) {
            // The session's folder is the server's business: a table is named as it was sent.
            const std::string inFolder = folder_.string() + "/";
            for (std::size_t at; (at = text.find(inFolder)) != std::string::npos;) {
                text.erase(at, inFolder.size());
            }
            warnings_.push_back(text);
        });
        host_.win32().OnUnansweredFileDialog(
            [this](const subhost::FileDialogRequest& request) { AwaitFile(request); });
        thread_.Start([this] { Main(); });
    }

    ~Worker() {
        thread_.Post(Task::Kind::Quit, {}, nullptr).wait();
        Finish();
    }

    // Once the module has shut down: waits for its thread and removes the session's folder.
    void Finish() {
        std::lock_guard lock(finishing_);
        thread_.Join();
        own_.Remove();
    }

    ModuleThread& thread() { return thread_; }

    // Queries, run on the module's thread wherever it waits.
    Reply State(Where where) { return Json(StateJson(where)); }

    Reply MapPicture() { return kznhost::MapPicture(host_.document(), source_.get()); }

    Reply ListPicture(Where where, int id, int top, int scale) {
        if (where == Where::Top || session_ == nullptr) {
            return Error(409, "no dialog is open");
        }
        return kznhost::ListPicture(host_, session_->dialog(), id, top, scale);
    }

    Reply ListTexts(Where where, int id) {
        if (where == Where::Top || session_ == nullptr) {
            return Error(409, "no dialog is open");
        }
        return kznhost::ListTexts(session_->dialog(), id);
    }

    Reply ItemPicture(Where where, int id) {
        if (where == Where::Top || session_ == nullptr) {
            return Error(409, "no dialog is open");
        }
        return kznhost::ItemPicture(host_, session_->dialog(), id);
    }

    Reply Upload(const std::string& name, const std::string& bytes) {
        if (!PlainName(name)) {
            return Error(400, kPlainName);
        }
        const std::string cp932 = Cp932Name(name);
        if (cp932.empty()) {
            return Error(400, NoCp932Name(name));
        }
        const fs::path file = folder_ / cp932;
        std::error_code error;
        if (fs::exists(file, error)) {
            // The script names it: the same name must mean the same bytes throughout.
            if (subhost::ReadWholeFile(file.string(), subhost::kTableBound) != bytes) {
                return Error(409, name +
                                      ": a different file of this name was sent before; "
                                      "rename it");
            }
        } else {
            subhost::WriteWholeFile(file.string(), bytes);
        }
        sent_.insert(name);
        return Json({{"name", name}});
    }

    Reply File(const std::string& name) {
        if (!PlainName(name)) {
            return Error(400, kPlainName);
        }
        const fs::path file = folder_ / Cp932Name(name);
        std::error_code error;
        if (Cp932Name(name).empty() || !fs::is_regular_file(file, error)) {
            return Error(404, name + ": no such file");
        }
        return {200, subhost::ReadWholeFile(file.string(), subhost::kTableBound),
                "application/octet-stream", name};
    }

    Reply Undo(Where where) {
        ForgetNews();
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        if (!undo_.canUndo()) {
            return Error(409, "there is nothing to undo");
        }
        return Stepped(undo_.Undo(host_.document(), source_.get(), script_, mapId_), where);
    }

    Reply Redo(Where where) {
        ForgetNews();
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        if (!undo_.canRedo()) {
            return Error(409, "there is nothing to redo");
        }
        return Stepped(undo_.Redo(host_.document(), source_.get(), script_, mapId_), where);
    }

    // Back to the map as it was opened; Undo brings back the map before.
    Reply Restart(Where where) {
        ForgetNews();
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        if (mapId_ == 0) {
            return Error(409, "the map is as it was opened");
        }
        subhost::LoadedMap map = subhost::LoadMap(opened_);
        undo_.Keep(host_.document(), source_.get(), script_, mapId_, Utf8("最初から"));
        undo_.ForgetRedo();
        Show(std::move(map), {}, 0);
        return State(where);
    }

    // Another map, sent from the browser: a new session on it (the history and the script
    // start afresh). Save has nowhere to write it: the person downloads it.
    Reply Open(Where where, const std::string& name, const std::string& bytes) {
        ForgetNews();
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        if (!PlainName(name)) {
            return Error(400,
                         "a map's name is a plain file name: UTF-8, at most 200 bytes, no "
                         "folder, no control characters, not beginning with a dot");
        }
        const subhost::MapForm form = subhost::FormOf(name);
        const std::string extension = fs::path(name).extension().string();
        if (form == subhost::MapForm::kJson && extension != ".json") {
            return Error(400, name + ": a map is an .svg, .svgz or .json file");
        }
        const std::string file =
            (folder_ / (".opened-" + std::to_string(++opens_) + extension)).string();
        subhost::LoadedMap map;
        try {
            subhost::WriteWholeFile(file, bytes);
            map = subhost::LoadMap(file);
        } catch (const std::exception& e) {
            // Named as the person named it, never by the session's folder; nothing kept.
            std::error_code ignored;
            fs::remove(file, ignored);
            std::string what = e.what();
            for (std::size_t at; (at = what.find(file)) != std::string::npos;) {
                what.replace(at, file.size(), name);
            }
            return Error(400, what);
        }
        if (std::error_code ignored;
            opened_ != file && opened_.find("/.opened-") != std::string::npos) {
            fs::remove(opened_, ignored);  // the map opened before, no longer anyone's
        }
        opened_ = file;
        mapName_ = name;
        out_.clear();
        undo_.Clear();
        Show(std::move(map), {}, 0);
        savedId_ = 0;
        return State(where);
    }

    Reply Save(Where where) {
        ForgetNews();
        if (out_.empty()) {
            return Error(409, options_.out.empty()
                                  ? "kznhost serve was given no --out to save to; download the map"
                                  : "a map opened in the page is not saved over --out; download "
                                    "it");
        }
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        subhost::WriteMap(host_.document(), out_, source_.get());
        savedId_ = mapId_;
        return Json({{"saved", out_}});
    }

    Reply Download() {
        const std::string name = out_.empty() ? mapName_ : fs::path(out_).filename().string();
        Reply reply{200, subhost::FormatMap(host_.document(), subhost::FormOf(name), source_.get()),
                    "application/octet-stream", name};
        if (out_.empty()) {
            savedId_ = mapId_;  // with nowhere to save, a download is how the map is kept
        }
        return reply;
    }

    // The labels of the map's visible layers, where the map's picture shows them.
    Reply Labels() { return Json(kznhost::MapLabels(host_.document())); }

    Reply Script() {
        std::string text =
            "# kznhost run --doc " + mapName_ + " --script session.txt, the tables beside it\n";
        for (const std::string& line : script_) {
            text += line + "\n";
        }
        return {200, text, "text/plain; charset=utf-8", "session.txt"};
    }

  private:
    // The module's thread.
    void Main() {
        host_.Startup();
        for (;;) {
            Task task = Next(Where::Top);
            if (task.kind == Task::Kind::Quit) {
                quitTask_ = std::move(task);
            } else {
                try {
                    Line(std::move(task), Where::Top);
                } catch (const std::exception& e) {
                    // What the host could not do (the map Undo keeps could not be written): the
                    // line is refused and the session goes on.
                    if (pending_) {
                        pending_->set_value(Error(500, Said(e, "carrying out the page's action")));
                        pending_.reset();
                    }
                }
            }
            if (quitTask_) {
                break;
            }
        }
        // A line in hand when the person quit (its dialog cancelled) is answered too.
        if (pending_) {
            pending_->set_value(Error(410, "the session has ended"));
            pending_.reset();
        }
        host_.Shutdown();
        quitTask_->reply.set_value(Json({{"quit", true}}));
    }

    // Answers the line in hand, with the state as it now stands, then waits for the next task
    // and hands it back: a line, or quit. Queries are answered meanwhile.
    Task Next(Where where) {
        if (pending_) {
            pending_->set_value(Json(StateJson(where)));
            pending_.reset();
        }
        return thread_.Next(where);
    }

    // Carries out a session line where the module waits.
    void Line(Task task, Where where) {
        const ScriptLine& line = task.line;
        messages_.clear();
        warnings_.clear();
        unchanged_.clear();
        if (const std::string refused = Refused(line); !refused.empty()) {
            task.reply.set_value(Error(409, refused));
            return;
        }
        if (line.verb == "file") {
            // Answered once the dialog is open, when it is known whether it opens or saves (and
            // Undo never has an answer left over to take back).
            task.reply.set_value(
                Error(409, "no file dialog is open: a file line answers one once it opens"));
            return;
        }
        if (where == Where::Top && line.verb != "filter") {
            task.reply.set_value(Error(409, "no dialog is open for \"" + line.verb + "\""));
            return;
        }
        if (line.verb == "filter") {
            if (where != Where::Top) {
                task.reply.set_value(
                    Error(409, "a dialog is open: the Filter menu cannot be used"));
                return;
            }
            Filter(std::move(task));
            return;
        }
        // Answered when the module next waits: a file dialog the line opens may be first.
        pending_ = std::move(task.reply);
        try {
            // A typed text is kept as the plug-in keeps it: cut (with run's warning), typed so
            // and written so into the script.
            if (const std::optional<ScriptLine> cut = actor_.Cut(line)) {
                actor_.Act(*session_, *cut);
                script_.push_back(WrittenLine(*cut));
            } else {
                actor_.Act(*session_, line);
                script_.push_back(task.text);
            }
        } catch (const std::exception& e) {
            if (pending_) {
                const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
                pending_->set_value(
                    Error(memory ? 503 : 409, Said(e, "carrying out a " + line.verb + " line")));
                pending_.reset();
            }
        }
    }

    void Filter(Task task) {
        const subhost::FilterRecord* filter = host_.FindFilter(task.line.args[0].text);
        if (filter == nullptr) {
            task.reply.set_value(
                Error(409, "the Filter menu has no command named " + task.line.args[0].text));
            return;
        }
        pending_ = std::move(task.reply);
        const std::string step = StepName(Utf8(filter->title));
        undo_.Keep(host_.document(), source_.get(), script_, mapId_, step);
        script_.push_back(task.text);
        auto& dialogs = host_.dialogs();
        const std::size_t opened = dialogs.runs().size();
        dialogs.QueueScript([this](subhost::DialogSession& s) { Dialog(s); });
        host_.RunFilter(filter->handle);
        session_ = nullptr;
        if (dialogs.runs().size() == opened) {
            dialogs.ClearScripts();
            script_.pop_back();
            undo_.Drop();
            if (pending_) {
                pending_->set_value(Error(409, "the command opened no dialog"));
                pending_.reset();
            }
            return;
        }
        // A command that changed nothing (its dialog cancelled, or nothing matched) is no step
        // to undo; its lines stay in the script, where they change nothing either.
        if (Unchanged()) {
            undo_.Drop();
            unchanged_ = step;
        } else {
            undo_.ForgetRedo();
            mapId_ = nextMapId_++;
            ++version_;
        }
    }

    // What the last action brought (message boxes, warnings, a command that changed nothing) is
    // not brought again by a step of the page's own.
    void ForgetNews() {
        messages_.clear();
        warnings_.clear();
        unchanged_.clear();
    }

    bool Unchanged() {
        try {
            return undo_.SameAsLast(host_.document(), source_.get());
        } catch (const std::exception&) {
            return false;  // what cannot be written has changed
        }
    }

    // The map a step of the history brings back, shown.
    Reply Stepped(UndoHistory::Point point, Where where) {
        const std::string step = point.step;
        Show(std::move(point.map), std::move(point.script), point.mapId);
        json body = StateJson(where);
        body["step"] = step;
        return Json(body);
    }

    void Show(subhost::LoadedMap map, std::vector<std::string> script, int mapId) {
        host_.SetDocument(std::move(map.document));
        source_ = map.source;
        script_ = std::move(script);
        mapId_ = mapId;
        ++version_;
    }

    // What the page may not do that a script may: name files outside the session's folder.
    static std::string Refused(const ScriptLine& line) {
        if (line.verb == "file" && line.args[0].quoted && !PlainName(line.args[0].text)) {
            return std::string("a file line names a table by its name alone: ") + kPlainName;
        }
        if (line.verb == "snapshot") {
            return "the page shows the dialog: snapshot lines are for kznhost run";
        }
        return "";
    }

    // Acts in the open dialog until it closes.
    void Dialog(subhost::DialogSession& s) {
        session_ = &s;
        while (s.open() && !quitTask_) {
            Task task = Next(Where::Dialog);
            if (task.kind == Task::Kind::Quit) {
                quitTask_ = std::move(task);
                break;
            }
            Line(std::move(task), Where::Dialog);
        }
        if (s.open()) {
            s.Cancel();
        }
        session_ = nullptr;
    }

    // A file dialog opened with no answer: the page asks the person, whose answer comes as a
    // file line.
    void AwaitFile(const subhost::FileDialogRequest& request) {
        fileDialog_ = request;
        while (!quitTask_) {
            Task task = Next(Where::FileDialog);
            if (task.kind == Task::Kind::Quit) {
                quitTask_ = std::move(task);
                break;  // cancelled
            }
            if (task.line.verb != "file") {
                task.reply.set_value(
                    Error(409, "a file dialog is open: answer it with a file line"));
                continue;
            }
            if (std::string refused = Refused(task.line);
                !refused.empty() || !(refused = Unfit(task.line, request)).empty()) {
                task.reply.set_value(Error(409, refused));
                continue;
            }
            messages_.clear();
            warnings_.clear();
            actor_.QueueFile(task.line);
            script_.push_back(
                task.text);  // before the line that opened the dialog, which ends after
            pending_ = std::move(task.reply);
            break;
        }
        fileDialog_.reset();
    }

    // Why the person's answer cannot answer this file dialog: a table to open that was never
    // sent; a table sent to the page to save over (the script would then write over the
    // person's own file when it is run).
    std::string Unfit(const ScriptLine& line, const subhost::FileDialogRequest& request) const {
        const ScriptArg& arg = line.args[0];
        if (!arg.quoted) {
            return "";  // cancelled
        }
        if (request.save && sent_.count(arg.text) != 0) {
            return arg.text + " is a table sent to the page: save under another name";
        }
        std::error_code error;
        if (Cp932Name(arg.text).empty()) {
            return NoCp932Name(arg.text);
        }
        if (!request.save && !fs::is_regular_file(folder_ / Cp932Name(arg.text), error)) {
            return arg.text + " has not been sent to the page: choose the file first";
        }
        return "";
    }

    json StateJson(Where where) {
        StateView view;
        view.map = mapName_;
        view.saveTo = out_;
        view.version = version_;
        view.atTop = where == Where::Top;
        view.canUndo = where == Where::Top && undo_.canUndo();
        view.canRedo = where == Where::Top && undo_.canRedo();
        view.canSave = !out_.empty();
        view.unsaved = mapId_ != savedId_;
        view.unchanged = unchanged_;
        view.canRestart = where == Where::Top && mapId_ != 0;
        view.lines = script_.size();
        view.messages = messages_;
        view.warnings = warnings_;
        if (session_ != nullptr && session_->open()) {
            view.dialog = &session_->dialog();
        }
        if (fileDialog_) {
            view.fileDialog = &*fileDialog_;
        }
        return kznhost::StateJson(host_, view);
    }

    OwnFolder own_;  // first made, last removed
    ServeOptions options_;
    fs::path folder_;
    subhost::Host host_;
    std::shared_ptr<const subhost::MapSource> source_;
    Actor actor_;
    UndoHistory undo_;
    ModuleThread thread_;
    std::mutex finishing_;

    // Of the module's thread only.
    std::optional<std::promise<Reply>> pending_;
    std::optional<Task> quitTask_;
    subhost::DialogSession* session_ = nullptr;
    std::optional<subhost::FileDialogRequest> fileDialog_;
    std::vector<std::string> script_;
    std::set<std::string> sent_;  // the names of the tables sent to the page
    json messages_ = json::array();
    std::vector<std::string> warnings_;
    int version_ = 0;
    std::string unchanged_;  // the command just ended, when it changed nothing
    // Which state of the map is shown (0: as opened) and which was last saved.
    int mapId_ = 0;
    int nextMapId_ = 1;
    int savedId_ = 0;
    std::string mapName_;  // the file name of the map opened
    std::string out_;      // where Save writes: --out, until another map is opened
    std::string opened_;   // the map as opened, kept in the folder
    int opens_ = 0;
};

PageSession::PageSession(const ServeOptions& options)
    : worker_(std::make_unique<Worker>(options)) {}

PageSession::~PageSession() = default;

Reply PageSession::State() {
    return worker_->thread().Ask([&](Where where) { return worker_->State(where); });
}

Reply PageSession::Act(const std::string& text) {
    std::vector<ScriptLine> lines;
    try {
        lines = ParseScript(text, "the action");
    } catch (const ScriptError& e) {
        return Error(400, e.what());
    }
    if (lines.size() != 1 || text.find_first_of("\r\n") != std::string::npos) {
        return Error(400, "an action is one session line");
    }
    std::string line = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;  // no BOM
    line.erase(0, line.find_first_not_of(" \t"));
    return worker_->thread().Post(Task::Kind::Line, lines[0], {}, line).get();
}

Reply PageSession::MapPicture() {
    return worker_->thread().Ask([&](Where) { return worker_->MapPicture(); });
}

Reply PageSession::ListPicture(int item, int top, int scale) {
    return worker_->thread().Ask(
        [&](Where where) { return worker_->ListPicture(where, item, top, scale); });
}

Reply PageSession::ListTexts(int item) {
    return worker_->thread().Ask([&](Where where) { return worker_->ListTexts(where, item); });
}

Reply PageSession::ItemPicture(int item) {
    return worker_->thread().Ask([&](Where where) { return worker_->ItemPicture(where, item); });
}

Reply PageSession::Upload(const std::string& name, const std::string& bytes) {
    return worker_->thread().Ask([&](Where) { return worker_->Upload(name, bytes); });
}

Reply PageSession::File(const std::string& name) {
    return worker_->thread().Ask([&](Where) { return worker_->File(name); });
}

Reply PageSession::Undo() {
    return worker_->thread().Ask([&](Where where) { return worker_->Undo(where); });
}

Reply PageSession::Redo() {
    return worker_->thread().Ask([&](Where where) { return worker_->Redo(where); });
}

Reply PageSession::Restart() {
    return worker_->thread().Ask([&](Where where) { return worker_->Restart(where); });
}

Reply PageSession::Open(const std::string& name, const std::string& bytes) {
    return worker_->thread().Ask([&](Where where) { return worker_->Open(where, name, bytes); });
}

Reply PageSession::Labels() {
    return worker_->thread().Ask([&](Where) { return worker_->Labels(); });
}

Reply PageSession::Save() {
    return worker_->thread().Ask([&](Where where) { return worker_->Save(where); });
}

Reply PageSession::Download() {
    return worker_->thread().Ask([&](Where) { return worker_->Download(); });
}

Reply PageSession::Script() {
    return worker_->thread().Ask([&](Where) { return worker_->Script(); });
}

Reply PageSession::Quit() {
    Reply reply = worker_->thread().Post(Task::Kind::Quit, {}, {}).get();
    worker_->Finish();
    return reply;
}

bool PageSession::quitting() const {
    return worker_->thread().quitting();
}

}  // namespace kznhost
