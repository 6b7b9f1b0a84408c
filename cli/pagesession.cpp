#include "pagesession.h"

#include <cairo.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

#include "actions.h"
#include "session.h"
#include "subhost/error.h"
#include "subhost/files.h"
#include "subhost/host.h"
#include "subhost/loader/module.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/mapforms/svgform.h"
#include "subhost/picture/dialogpicture.h"
#include "subhost/picture/mappicture.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Utf8(const std::string& sjis) {
    return subhost::SjisToUtf8(sjis).value_or(subhost::ShowSjis(sjis));
}

Reply Json(const json& body, int status = 200) {
    // Names from the file system may be bytes that are not UTF-8: shown replaced, never fatal.
    return {status, body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json",
            ""};
}

Reply Error(int status, const std::string& what) {
    return Json({{"error", what}}, status);
}

// The short name of an item's kind, as the page builds its control.
const char* KindOf(subhost::ItemKind kind) {
    using subhost::ItemKind;
    switch (kind) {
        case ItemKind::PushButton:
            return "button";
        case ItemKind::DefaultButton:
            return "default";
        case ItemKind::CheckBox:
            return "check";
        case ItemKind::RadioButton:
            return "radio";
        case ItemKind::GroupBox:
            return "group";
        case ItemKind::Static:
            return "static";
        case ItemKind::Edit:
            return "edit";
        case ItemKind::ListBox:
        case ItemKind::AdmListBox:
            return "list";
        case ItemKind::PopupList:
            return "popup";
        case ItemKind::PictureButton:
            return "picture";
        default:
            return "other";
    }
}

// A PNG of WIDTH x HEIGHT pixels painted by PAINT.
template <typename Paint>
std::string Png(int width, int height, Paint paint) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1));
    cairo_t* cr = cairo_create(surface);
    paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

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

// Everything that touches the host runs on the module's thread, which the requests are handed
// to. A session line's answer is given when the module waits again: for the next action in its
// dialog, for a file dialog's answer, or for the next command.
class PageSession::Worker {
  public:
    explicit Worker(const ServeOptions& options)
        : options_(Checked(options)),
          folder_(own_.path()),
          host_(subhost::PluginModule::Load(options.plugin)),
          actor_(host_, folder_, [this](const ScriptLine&, const std::string& warning) {
              warnings_.push_back(warning);
          }) {
        subhost::LoadedMap map = subhost::LoadMap(options.map);
        source_ = map.source;
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
        thread_ = std::thread([this] { Main(); });
    }

    ~Worker() {
        Post(Task::Kind::Quit, {}, nullptr).wait();
        Finish();
    }

    // Once the module has shut down: waits for its thread and removes the session's folder.
    void Finish() {
        std::lock_guard lock(finishing_);
        if (thread_.joinable()) {
            thread_.join();
        }
        own_.Remove();
    }

    // Hands a task to the module's thread; the future is its answer.
    enum class Where { Top, Dialog, FileDialog };
    struct Task {
        enum class Kind { Line, Query, Quit } kind = Kind::Line;
        std::string text;  // a line as the page sent it
        ScriptLine line;
        std::function<Reply(Where)> query;
        std::promise<Reply> reply;
    };

    std::future<Reply> Post(Task::Kind kind, ScriptLine line, std::function<Reply(Where)> query,
                            std::string text = {}) {
        Task task{kind, std::move(text), std::move(line), std::move(query), {}};
        std::future<Reply> answer = task.reply.get_future();
        {
            std::lock_guard lock(mutex_);
            if (quit_) {
                task.reply.set_value(Error(410, "the session has ended"));
                return answer;
            }
            if (kind == Task::Kind::Quit) {
                quit_ = true;
            }
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
        return answer;
    }

    // Runs QUERY on the module's thread, wherever it waits, and waits for its answer.
    Reply Ask(std::function<Reply(Where)> query) {
        return Post(Task::Kind::Query, {}, std::move(query)).get();
    }

    bool quitting() {
        std::lock_guard lock(mutex_);
        return quit_;
    }

    // Queries, run on the module's thread wherever it waits.
    Reply State(Where where) { return Json(StateJson(where)); }

    Reply MapPicture() {
        if (source_ != nullptr) {
            // An SVG map is shown as its own markup, as it would be written.
            return {200, subhost::FormatSvgMap(host_.document(), source_.get()), "image/svg+xml",
                    ""};
        }
        const fs::path file = folder_ / ".map.svg";
        subhost::picture::RenderMap(host_.document(), file.string(), 1);
        return {200, subhost::ReadWholeFile(file.string(), subhost::kMapBound), "image/svg+xml",
                ""};
    }

    Reply ListPicture(Where where, int id, int top) {
        if (where == Where::Top || session_ == nullptr) {
            return Error(409, "no dialog is open");
        }
        const subhost::Item* item = session_->dialog().FindItem(id);
        if (item == nullptr || item->list == nullptr ||
            item->kind == subhost::ItemKind::PopupList) {
            return Error(404, "the dialog has no list " + std::to_string(id));
        }
        subhost::List& list = *item->list;
        const int rows = static_cast<int>(list.entries.size());
        const int height = item->bounds.bottom - item->bounds.top;
        const int most = std::max(0, rows * subhost::DialogManager::kRowHeight - height);
        list.scrollTop = std::clamp(top, 0, most);
        host_.dialogs().Paint(list);
        const subhost::picture::DialogScene scene{session_->dialog(), host_.dialogs(),
                                                  host_.document(), host_.module().resources()};
        Reply reply{200,
                    Png(item->bounds.right - item->bounds.left, height,
                        [&](cairo_t* cr) {
                            cairo_translate(cr, -item->bounds.left, -item->bounds.top);
                            subhost::picture::PaintList(cr, *item, scene);
                        }),
                    "image/png", ""};
        return reply;
    }

    Reply ItemPicture(Where where, int id) {
        if (where == Where::Top || session_ == nullptr) {
            return Error(409, "no dialog is open");
        }
        const subhost::Item* item = session_->dialog().FindItem(id);
        if (item == nullptr) {
            return Error(404, "the dialog has no item " + std::to_string(id));
        }
        const subhost::picture::DialogScene scene{session_->dialog(), host_.dialogs(),
                                                  host_.document(), host_.module().resources()};
        const ADMRect& r = item->bounds;
        return {200,
                Png(r.right - r.left, r.bottom - r.top,
                    [&](cairo_t* cr) {
                        cairo_translate(cr, -r.left, -(r.top + subhost::picture::kCaption));
                        subhost::picture::PaintDialog(cr, scene);
                    }),
                "image/png", ""};
    }

    Reply Upload(const std::string& name, const std::string& bytes) {
        if (!PlainName(name)) {
            return Error(400, kPlainName);
        }
        const fs::path file = folder_ / fs::u8path(name);
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
        const fs::path file = folder_ / fs::u8path(name);
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            return Error(404, name + ": no such file");
        }
        return {200, subhost::ReadWholeFile(file.string(), subhost::kTableBound),
                "application/octet-stream", name};
    }

    Reply Undo(Where where) {
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        if (undo_.empty()) {
            return Error(409, "there is nothing to undo");
        }
        subhost::LoadedMap map = subhost::LoadMap(undo_.back().file);
        host_.SetDocument(std::move(map.document));
        source_ = map.source;
        script_.resize(undo_.back().lines);
        undo_.pop_back();
        ++version_;
        return State(where);
    }

    Reply Save(Where where) {
        if (options_.out.empty()) {
            return Error(409, "kznhost serve was given no --out to save to; download the map");
        }
        if (where != Where::Top) {
            return Error(409, "a dialog is open: close it first");
        }
        subhost::WriteMap(host_.document(), options_.out, source_.get());
        return Json({{"saved", options_.out}});
    }

    Reply Download() {
        const std::string name =
            fs::path(options_.out.empty() ? options_.map : options_.out).filename().string();
        const fs::path file = folder_ / (".download-" + name);
        subhost::WriteMap(host_.document(), file.string(), source_.get());
        Reply reply{200, subhost::ReadWholeFile(file.string(), subhost::kMapBound),
                    "application/octet-stream", name};
        fs::remove(file);
        return reply;
    }

    Reply Script() {
        std::string text = "# kznhost run --doc " + fs::path(options_.map).filename().string() +
                           " --script session.txt, the tables beside it\n";
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
            std::optional<Task> task = Next(Where::Top);
            if (task->kind == Task::Kind::Quit) {
                quitTask_ = std::move(*task);
            } else {
                try {
                    Line(std::move(*task), Where::Top);
                } catch (const std::exception& e) {
                    // What the host could not do (the map Undo keeps could not be written): the
                    // line is refused and the session goes on.
                    if (pending_) {
                        pending_->set_value(Error(500, e.what()));
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
    std::optional<Task> Next(Where where) {
        if (pending_) {
            pending_->set_value(Json(StateJson(where)));
            pending_.reset();
        }
        for (;;) {
            Task task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !tasks_.empty(); });
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            if (task.kind != Task::Kind::Query) {
                return task;
            }
            try {
                task.reply.set_value(task.query(where));
            } catch (const std::exception& e) {
                task.reply.set_value(Error(500, e.what()));
            }
        }
    }

    // Carries out a session line where the module waits.
    void Line(Task task, Where where) {
        const ScriptLine& line = task.line;
        messages_.clear();
        warnings_.clear();
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
            actor_.Act(*session_, line);
            script_.push_back(task.text);
        } catch (const std::exception& e) {
            if (pending_) {
                pending_->set_value(Error(409, e.what()));
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
        // What undo brings back.
        const fs::path file = folder_ / (".undo-" + std::to_string(undo_.size()) +
                                         (source_ != nullptr ? ".svg" : ".json"));
        subhost::WriteMap(host_.document(), file.string(), source_.get());
        undo_.push_back({file.string(), script_.size()});
        script_.push_back(task.text);
        auto& dialogs = host_.dialogs();
        const std::size_t opened = dialogs.runs().size();
        dialogs.QueueScript([this](subhost::DialogSession& s) { Dialog(s); });
        host_.RunFilter(filter->handle);
        session_ = nullptr;
        ++version_;
        if (dialogs.runs().size() == opened) {
            dialogs.ClearScripts();
            script_.pop_back();
            undo_.pop_back();
            if (pending_) {
                pending_->set_value(Error(409, "the command opened no dialog"));
                pending_.reset();
            }
        }
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
            std::optional<Task> task = Next(Where::Dialog);
            if (task->kind == Task::Kind::Quit) {
                quitTask_ = std::move(*task);
                break;
            }
            Line(std::move(*task), Where::Dialog);
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
            std::optional<Task> task = Next(Where::FileDialog);
            if (task->kind == Task::Kind::Quit) {
                quitTask_ = std::move(*task);
                break;  // cancelled
            }
            if (task->line.verb != "file") {
                task->reply.set_value(
                    Error(409, "a file dialog is open: answer it with a file line"));
                continue;
            }
            if (std::string refused = Refused(task->line);
                !refused.empty() || !(refused = Unfit(task->line, request)).empty()) {
                task->reply.set_value(Error(409, refused));
                continue;
            }
            messages_.clear();
            warnings_.clear();
            actor_.QueueFile(task->line);
            script_.push_back(
                task->text);  // before the line that opened the dialog, which ends after
            pending_ = std::move(task->reply);
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
        if (!request.save && !fs::is_regular_file(folder_ / fs::u8path(arg.text), error)) {
            return arg.text + " has not been sent to the page: choose the file first";
        }
        return "";
    }

    json StateJson(Where where) {
        json filters = json::array();
        for (const subhost::FilterRecord& f : host_.filters()) {
            filters.push_back(
                {{"name", f.name}, {"title", Utf8(f.title)}, {"enabled", where == Where::Top}});
        }
        json state = {{"map", fs::path(options_.map).filename().string()},
                      {"version", version_},
                      {"filters", filters},
                      {"dialog", nullptr},
                      {"fileDialog", nullptr},
                      {"canUndo", where == Where::Top && !undo_.empty()},
                      {"canSave", !options_.out.empty()},
                      {"lines", script_.size()},
                      {"messages", messages_},
                      {"warnings", warnings_}};
        if (session_ != nullptr && session_->open()) {
            state["dialog"] = DialogJson(session_->dialog());
        }
        if (fileDialog_) {
            state["fileDialog"] = {{"save", fileDialog_->save},
                                   {"title", Utf8(fileDialog_->title)},
                                   {"file", Utf8(fileDialog_->initialFile)}};
        }
        return state;
    }

    static json DialogJson(const subhost::Dialog& dialog) {
        json items = json::array();
        for (const subhost::Item* item : dialog.items) {
            const ADMRect& r = item->bounds;
            json j = {{"id", item->id()},
                      {"kind", KindOf(item->kind)},
                      {"text", Utf8(item->text)},
                      {"x", r.left},
                      {"y", r.top},
                      {"width", r.right - r.left},
                      {"height", r.bottom - r.top},
                      {"enabled", item->enabled},
                      {"checked", item->booleanValue}};
            if (item->list != nullptr) {
                json selected = json::array();
                json entries = json::array();
                int index = 0;
                for (const subhost::Entry* entry : item->list->entries) {
                    if (entry->selected) {
                        selected.push_back(index);
                    }
                    if (item->kind == subhost::ItemKind::PopupList) {
                        entries.push_back(Utf8(entry->text));
                    }
                    ++index;
                }
                j["rows"] = item->list->entries.size();
                j["selected"] = selected;
                j["scrollTop"] = item->list->scrollTop;
                j["rowHeight"] = subhost::DialogManager::kRowHeight;
                if (item->kind == subhost::ItemKind::PopupList) {
                    j["entries"] = entries;
                }
            }
            items.push_back(j);
        }
        return {{"title", Utf8(dialog.source != nullptr ? dialog.source->title : dialog.name)},
                {"width", subhost::picture::DialogWidth(dialog)},
                {"height", subhost::picture::DialogHeight(dialog) - subhost::picture::kCaption},
                {"items", items}};
    }

    struct UndoPoint {
        std::string file;   // the map as it was
        std::size_t lines;  // the script's length then
    };

    OwnFolder own_;  // first made, last removed
    ServeOptions options_;
    fs::path folder_;
    subhost::Host host_;
    std::shared_ptr<const subhost::MapSource> source_;
    Actor actor_;
    std::thread thread_;
    std::mutex finishing_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool quit_ = false;

    // Of the module's thread only.
    std::optional<std::promise<Reply>> pending_;
    std::optional<Task> quitTask_;
    subhost::DialogSession* session_ = nullptr;
    std::optional<subhost::FileDialogRequest> fileDialog_;
    std::vector<std::string> script_;
    std::vector<UndoPoint> undo_;
    std::set<std::string> sent_;  // the names of the tables sent to the page
    json messages_ = json::array();
    std::vector<std::string> warnings_;
    int version_ = 0;
};

PageSession::PageSession(const ServeOptions& options)
    : worker_(std::make_unique<Worker>(options)) {}

PageSession::~PageSession() = default;

Reply PageSession::State() {
    return worker_->Ask([&](Worker::Where where) { return worker_->State(where); });
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
    return worker_->Post(Worker::Task::Kind::Line, lines[0], {}, line).get();
}

Reply PageSession::MapPicture() {
    return worker_->Ask([&](Worker::Where) { return worker_->MapPicture(); });
}

Reply PageSession::ListPicture(int item, int top) {
    return worker_->Ask(
        [&](Worker::Where where) { return worker_->ListPicture(where, item, top); });
}

Reply PageSession::ItemPicture(int item) {
    return worker_->Ask([&](Worker::Where where) { return worker_->ItemPicture(where, item); });
}

Reply PageSession::Upload(const std::string& name, const std::string& bytes) {
    return worker_->Ask([&](Worker::Where) { return worker_->Upload(name, bytes); });
}

Reply PageSession::File(const std::string& name) {
    return worker_->Ask([&](Worker::Where) { return worker_->File(name); });
}

Reply PageSession::Undo() {
    return worker_->Ask([&](Worker::Where where) { return worker_->Undo(where); });
}

Reply PageSession::Save() {
    return worker_->Ask([&](Worker::Where where) { return worker_->Save(where); });
}

Reply PageSession::Download() {
    return worker_->Ask([&](Worker::Where) { return worker_->Download(); });
}

Reply PageSession::Script() {
    return worker_->Ask([&](Worker::Where) { return worker_->Script(); });
}

Reply PageSession::Quit() {
    Reply reply = worker_->Post(Worker::Task::Kind::Quit, {}, {}).get();
    worker_->Finish();
    return reply;
}

bool PageSession::quitting() const {
    return worker_->quitting();
}

}  // namespace kznhost
